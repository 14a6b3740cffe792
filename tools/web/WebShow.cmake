# The show's program for a web page (tools/build-web.sh): demo-web, built
# by emscripten into demo.js and demo.wasm, with the GL layer that gives the
# effects the GL 1.1 that the browser's emulation lacks, and the page's own
# services. The show's data is packed apart, so that one build plays any
# show.

# The layer's own sources call the real GL (webgl/RedirectGl.h).
show_folder_library(webgl LINKS OpenGL::GL)
target_compile_definitions(show_webgl PRIVATE WEBGL_LAYER_ITSELF)
show_folder_library(platform/web USES platform)

add_executable(demo-web tools/demo_web.cpp)
target_link_libraries(demo-web PRIVATE show_app show_show show_platform_sdl show_platform_web
  show_webgl)
set_target_properties(demo-web PROPERTIES OUTPUT_NAME demo SUFFIX .js)
target_link_options(demo-web PRIVATE
  # GL 1.x over WebGL 1.
  -sLEGACY_GL_EMULATION=1
  # The run loop as it is: each swap and sleep hands the browser its turn.
  -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1
  # The data comes in its own package (tools/build-web.sh).
  -sFORCE_FILESYSTEM=1
  -sENVIRONMENT=web
  # SDL built on its own needs two of emscripten's script functions, or
  # opening the sound fails; their names start with $, which no shell
  # between CMake and the linker may see.
  @${PROJECT_SOURCE_DIR}/tools/web/sound-functions.rsp)
