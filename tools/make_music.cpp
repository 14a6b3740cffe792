// make-music: synthesises the show's music (content/ShowMusic.h) and writes
// it as an Ogg Vorbis file, 44100 Hz stereo, the same bytes on every run.
//
//   make-music OUTPUT.ogg
//
// The file is written next to OUTPUT as OUTPUT.part and renamed into place
// only when it is complete, so a failed run never leaves a cut-off OUTPUT
// behind. Exit status: 0, 1 when OUTPUT cannot be written (with the reason
// on stderr), 2 for wrong arguments.
#include <cstdio>
#include <cstring>
#include <string>

#include "content/ShowMusic.h"
#include "platform/CommandLine.h"

constexpr const char* kUsage =
    "usage: make-music OUTPUT.ogg\n"
    "Synthesises the show's music and writes it as Ogg Vorbis, the same bytes on\n"
    "every run.\n";

int main(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "make-music", kUsage)) return WithStandardOutputChecked("make-music", 0);
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (const int error = WriteMusic(MusicTrack::Show, argv[1]); error != 0) {
        std::fprintf(stderr, "make-music: cannot write %s: %s\n", argv[1], std::strerror(error));
        return 1;
    }
    return 0;
}
