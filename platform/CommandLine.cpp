#include "platform/CommandLine.h"

#include <cstdio>
#include <cstring>

const char* ShowVersion() { return SHOW_VERSION; }

bool AnswerHelpOrVersion(int argc, const char* const argv[], const char* program,
                         const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, ShowVersion());
            return true;
        }
    }
    return false;
}
