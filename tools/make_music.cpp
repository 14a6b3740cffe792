// make-music: synthesises the show's music (content/ShowMusic.h) and writes
// it as an Ogg Vorbis file, 44100 Hz stereo, the same bytes on every run.
//
//   make-music OUTPUT.ogg
//
// The file is written next to OUTPUT as OUTPUT.part and renamed into place
// only when it is complete, so a failed run never leaves a cut-off OUTPUT
// behind. Exit status: 0, 1 when OUTPUT cannot be written (with the reason
// on stderr), 2 for wrong arguments.
#include <cstring>
#include <string>

#include "content/ShowMusic.h"
#include "platform/CommandLine.h"

constexpr const char* kUsage =
    "usage: make-music OUTPUT.ogg\n"
    "Synthesises the show's music and writes it as Ogg Vorbis, the same bytes on\n"
    "every run.\n";

int main(int argc, char** argv) {
    return WriteOneOutputMain(argc, argv, "make-music", kUsage, [](const char* output, std::string& error) {
        const int code = WriteMusic(MusicTrack::Show, output);
        if (code != 0) error = std::string("cannot write ") + output + ": " + std::strerror(code);
        return code == 0;
    });
}
