// make-pictures: draws the show's pictures and writes them as PNG files:
// the loading picture, the model's skin, the noise overlay and six cards.
//
//   make-pictures DIR
//
// Every picture is computed from code (content/ShowPictures.h), so the
// show's content is our own and can be made again at any time. The output
// is deterministic.
#include <cstdio>
#include <string>

#include "content/ShowPictures.h"
#include "platform/CommandLine.h"

constexpr const char* kUsage =
    "usage: make-pictures DIR\n"
    "Writes the show's pictures (loading picture, model skin, noise and six cards)\n"
    "into DIR, the same bytes on every run.\n";

int main(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "make-pictures", kUsage)) return WithStandardOutputChecked("make-pictures", 0);
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string error;
    if (!WriteShowPictures(argv[1], error)) {
        std::fprintf(stderr, "make-pictures: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
