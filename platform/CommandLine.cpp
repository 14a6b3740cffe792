#include "platform/CommandLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

// The build's id, a hash of its sources (cmake/BuildId.cmake); builds made
// otherwise than by the project's CMake files have none.
#if __has_include("BuildId.h")
#include "BuildId.h"
#endif
#ifndef SHOW_BUILD_ID
#define SHOW_BUILD_ID "unknown"
#endif

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

// A windowed Windows program (the show) started from a console without its
// output redirected has no standard output: it answers on the console it
// was started from.
void ReachTheConsole() {
#if defined(_WIN32)
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) std::freopen("CONOUT$", "w", stdout);
#endif
}

}  // namespace

const char* ShowVersion() { return SHOW_VERSION; }

const char* ShowBuildId() { return SHOW_BUILD_ID; }

bool AnswerHelpOrVersion(int argc, const char* const argv[], const char* program,
                         const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            ReachTheConsole();
            std::fputs(usage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            ReachTheConsole();
            std::printf("%s %s (build %s)\n", program, ShowVersion(), ShowBuildId());
            return true;
        }
    }
    return false;
}

int WithStandardOutputChecked(const char* program, int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int failure = errno;
    if (flushed && !std::ferror(stdout)) return status;
    // An earlier write may have failed, its reason long gone.
    std::fprintf(stderr, "%s: cannot write to standard output%s%s; what was printed there is not whole\n",
                 program, failure ? ": " : "", failure ? std::strerror(failure) : "");
    return status > 1 ? status : 2;
}

int WriteOneOutputMain(int argc, char** argv, const char* program, const char* usage,
                       const std::function<bool(const char* output, std::string& error)>& write) {
    if (AnswerHelpOrVersion(argc, argv, program, usage)) return WithStandardOutputChecked(program, 0);
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fputs(usage, stderr);
        return 2;
    }
    std::string error;
    if (!write(argv[1], error)) {
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
        return WithStandardOutputChecked(program, 1);
    }
    return WithStandardOutputChecked(program, 0);
}
