// make-pebble: builds the show's model, a smooth and slightly irregular
// pebble (content/PebbleModel.h), and writes it as a 3DS file.
//
//   make-pebble OUTPUT.3ds
#include <cstdio>
#include <string>

#include "content/PebbleModel.h"
#include "platform/CommandLine.h"

constexpr const char* kUsage =
    "usage: make-pebble OUTPUT.3ds\n"
    "Writes the show's model, the pebble, as a 3DS file, the same bytes on every run.\n";

int main(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "make-pebble", kUsage)) return WithStandardOutputChecked("make-pebble", 0);
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string error;
    if (!WritePebbleModel(argv[1], error)) {
        std::fprintf(stderr, "make-pebble: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
