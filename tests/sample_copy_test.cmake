cmake_minimum_required(VERSION 3.25)
# The step that puts the sample beside the built program, run as the build runs it after every
# link, on a folder of its own:
#   cmake -DSAMPLE=<sample folder> -DSCRIPT=<copy_sample.cmake> -DWORK=<scratch folder> -P sample_copy_test.cmake
# A user's edited setup file survives it; the sample log and the help page are refreshed.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(copy_sample)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DSAMPLE=${SAMPLE}" "-DTO=${WORK}" -P "${SCRIPT}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the copy step failed: ${result}")
  endif()
endfunction()

# Compared byte for byte (file(READ) as text would drop the CRs).
function(expect_same name)
  file(READ "${WORK}/${name}" got HEX)
  file(READ "${SAMPLE}/${name}" want HEX)
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "${name} beside the program is not the sample's")
  endif()
endfunction()

# The first build: the whole sample.
copy_sample()
foreach(name Orbelin020.SET SampleDay.csv OrbelinHelp.htm)
  expect_same(${name})
endforeach()

# The user edits the setup file; the log and the help page are out of date. A rebuild:
set(edited "/home/ham/rxspot/spots.csv\r\nN\r\nDL1ABC\r\n")
file(WRITE "${WORK}/Orbelin020.SET" "${edited}")
file(WRITE "${WORK}/SampleDay.csv" "old\r\n")
file(WRITE "${WORK}/OrbelinHelp.htm" "old")
copy_sample()
file(READ "${WORK}/Orbelin020.SET" kept HEX)
string(HEX "${edited}" edited)
if(NOT kept STREQUAL edited)
  file(READ "${WORK}/Orbelin020.SET" kept)
  message(FATAL_ERROR "the rebuild replaced the edited setup file with: ${kept}")
endif()
expect_same(SampleDay.csv)
expect_same(OrbelinHelp.htm)

# A setup file the user has removed comes back from the sample.
file(REMOVE "${WORK}/Orbelin020.SET")
copy_sample()
expect_same(Orbelin020.SET)
file(REMOVE_RECURSE "${WORK}")
