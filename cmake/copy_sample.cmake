cmake_minimum_required(VERSION 3.25)
# Puts the sample beside the built program:
#   cmake -DSAMPLE=<the sample folder> -DTO=<the program's folder> -P copy_sample.cmake
# The sample log and the help page follow the source tree. The setup file is the user's once it is
# there (edited to name their own log), so it is copied only where there is none.
foreach(name SampleDay.csv OrbelinHelp.htm)
  file(COPY_FILE "${SAMPLE}/${name}" "${TO}/${name}" ONLY_IF_DIFFERENT)
endforeach()
if(NOT EXISTS "${TO}/Orbelin020.SET" AND NOT IS_SYMLINK "${TO}/Orbelin020.SET")
  file(COPY_FILE "${SAMPLE}/Orbelin020.SET" "${TO}/Orbelin020.SET")
endif()
