# Run by `cmake --install` after the program's folder is in place; the install's own prefix and
# DESTDIR hold here. Given: orbelin_bindir, orbelin_folder (relative to the prefix, or absolute)
# and orbelin_sample (the sample folder of the source tree).
cmake_path(ABSOLUTE_PATH orbelin_bindir BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE OUTPUT_VARIABLE bin)
cmake_path(ABSOLUTE_PATH orbelin_folder BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE OUTPUT_VARIABLE folder)

# The setup file holds the user's settings once installed: a second install keeps it.
set(setup "$ENV{DESTDIR}${folder}/Orbelin020.SET")
if(EXISTS "${setup}" OR IS_SYMLINK "${setup}")
  message(STATUS "Kept: ${setup}")
else()
  file(INSTALL "${orbelin_sample}/Orbelin020.SET" DESTINATION "${folder}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# bin/orbelin: a relative link, so the installed tree may be moved whole. The program finds its
# folder through the link (/proc/self/exe), so it runs beside its setup file.
file(RELATIVE_PATH target "${bin}" "${folder}/orbelin")
set(link "$ENV{DESTDIR}${bin}/orbelin")
message(STATUS "Installing: ${link} -> ${target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${bin}")
file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
