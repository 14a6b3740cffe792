// Linked into every program of the sanitized build (see CMakeLists.txt).
//
// Mesa loads its software rasteriser, its GL dispatch library and its EGL
// and GLX vendor libraries when a program first opens a GL context, and
// unloads them again when the last display or context closes. LeakSanitizer looks for leaks only at exit, and
// by then it can no longer name a library that is gone, so the leaks those
// libraries keep for themselves would escape tests/sanitizers/lsan.supp and
// fail every program that closes its window properly. Opening both here,
// never to be unloaded, keeps their names to the end.
#include <dlfcn.h>

#include <initializer_list>

namespace {

[[gnu::constructor]] void KeepGlDriverLoaded() {
    for (const char* library :
         {"libglapi.so.0", "libEGL_mesa.so.0", "libGLX_mesa.so.0", MESA_SWRAST_DRIVER}) {
        dlopen(library, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    }
}

}  // namespace
