# CMake toolchain for 64-bit Windows programs made with Debian's MinGW-w64
# cross compilers (the -posix ones, whose threads give std::thread).
# tools/build-windows.sh passes SHOW_WINDOWS_DEPS, the folder where it
# installed the cross-built libraries; they and MinGW's own are the only
# places searched for libraries, headers and packages.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SHOW_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SHOW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SHOW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SHOW_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SHOW_MINGW_TRIPLET})
if(SHOW_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${SHOW_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and the thread library go into each program, so
# that only the DLLs we ship and Windows' own are needed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc")
