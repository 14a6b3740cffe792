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

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pictures DIR\n");
        return 2;
    }
    std::string error;
    if (!WriteShowPictures(argv[1], error)) {
        std::fprintf(stderr, "make-pictures: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
