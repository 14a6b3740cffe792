# Run as a script at every build: writes OUTPUT, a header that defines
# SHOW_BUILD_ID, the first 12 hex digits of a SHA-256 over the program's
# sources (every C and C++ file and CMake file of the folders that the
# programs are built from, by path and contents). Two builds from the same
# sources say the same; a build from other sources says otherwise, which
# lets a capture spread over machines refuse a machine running another build
# even when the version number is the same. OUTPUT is rewritten only when
# the id changes, so that nothing is recompiled for it otherwise.
#
#   cmake -DSOURCE_DIR=... -DOUTPUT=.../BuildId.h -P cmake/BuildId.cmake
set(folders app audio capture check content demo effects model platform preview
    render scenes script show textures time timeline tools webgl cmake)
set(patterns)
foreach(folder IN LISTS folders)
  list(APPEND patterns "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h"
                       "${SOURCE_DIR}/${folder}/*.c" "${SOURCE_DIR}/${folder}/*.cmake"
                       "${SOURCE_DIR}/${folder}/CMakeLists.txt")
endforeach()
file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${SOURCE_DIR}" ${patterns})
list(APPEND sources CMakeLists.txt)
list(SORT sources)
set(summary "")
foreach(source IN LISTS sources)
  file(SHA256 "${SOURCE_DIR}/${source}" digest)
  string(APPEND summary "${source} ${digest}\n")
endforeach()
string(SHA256 id "${summary}")
string(SUBSTRING "${id}" 0 12 id)
set(header "// Made by cmake/BuildId.cmake at build time.\n#define SHOW_BUILD_ID \"${id}\"\n")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL header)
  file(WRITE "${OUTPUT}" "${header}")
endif()
