// make-pebble: builds the show's model, a smooth and slightly irregular
// pebble (content/PebbleModel.h), and writes it as a 3DS file.
//
//   make-pebble OUTPUT.3ds
#include <cstdio>
#include <string>

#include "content/PebbleModel.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pebble OUTPUT.3ds\n");
        return 2;
    }
    std::string error;
    if (!WritePebbleModel(argv[1], error)) {
        std::fprintf(stderr, "make-pebble: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
