# The libraries of the browser build (tools/build-web.sh), as the targets
# that the Linux build gets from pkg-config and CMake: SDL2, SDL2_mixer,
# libpng and zlib from the emscripten builds in SHOW_WEB_DEPS, and OpenGL as
# emscripten's emulation of the fixed-function pipeline, which the show's
# link options turn on. demo-new's music encoder has no place in a page: its
# name stands for nothing here, so that the rest of the build configures.
if(NOT SHOW_WEB_DEPS)
  message(FATAL_ERROR "the browser build needs SHOW_WEB_DEPS, the libraries' folder (tools/build-web.sh)")
endif()

set(PNG_PNG_INCLUDE_DIR ${SHOW_WEB_DEPS}/include CACHE PATH "libpng's headers")
set(PNG_LIBRARY ${SHOW_WEB_DEPS}/lib/libpng16.a CACHE FILEPATH "libpng")
set(ZLIB_INCLUDE_DIR ${SHOW_WEB_DEPS}/include CACHE PATH "zlib's headers")
set(ZLIB_LIBRARY ${SHOW_WEB_DEPS}/lib/libz.a CACHE FILEPATH "zlib")

add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${SHOW_WEB_DEPS}/include/SDL2
  INTERFACE_LINK_LIBRARIES ${SHOW_WEB_DEPS}/lib/libSDL2.a)
add_library(PkgConfig::SDL2_MIXER INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL2_MIXER PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${SHOW_WEB_DEPS}/include/SDL2
  INTERFACE_LINK_LIBRARIES "${SHOW_WEB_DEPS}/lib/libSDL2_mixer.a;PkgConfig::SDL2")
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)
add_library(PkgConfig::MUSIC_VORBIS INTERFACE IMPORTED)

# SDL2 is the build's own, not emscripten's SDL 1 headers and library.
add_compile_options(-sUSE_SDL=0)
add_link_options(-sUSE_SDL=0)

# Every C++ source sees the GL calls that the emulation lacks turned into
# the GL layer's (webgl/RedirectGl.h).
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${PROJECT_SOURCE_DIR}/webgl/RedirectGl.h>")
