// make-pebble: builds the show's model, a smooth and slightly irregular
// pebble (content/PebbleModel.h), and writes it as a 3DS file.
//
//   make-pebble OUTPUT.3ds
#include "content/PebbleModel.h"
#include "platform/CommandLine.h"

constexpr const char* kUsage =
    "usage: make-pebble OUTPUT.3ds\n"
    "Writes the show's model, the pebble, as a 3DS file, the same bytes on every run.\n";

int main(int argc, char** argv) { return WriteOneOutputMain(argc, argv, "make-pebble", kUsage, WritePebbleModel); }
