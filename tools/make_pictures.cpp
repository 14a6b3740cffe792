// make-pictures: draws the show's pictures and writes them as PNG files:
// the loading picture, the model's skin, the noise overlay and six cards.
//
//   make-pictures DIR
//
// Every picture is computed from code (content/ShowPictures.h), so the
// show's content is our own and can be made again at any time. The output
// is deterministic.
#include "content/ShowPictures.h"
#include "platform/CommandLine.h"

constexpr const char* kUsage =
    "usage: make-pictures DIR\n"
    "Writes the show's pictures (loading picture, model skin, noise and six cards)\n"
    "into DIR, the same bytes on every run.\n";

int main(int argc, char** argv) {
    return WriteOneOutputMain(argc, argv, "make-pictures", kUsage, WriteShowPictures);
}
