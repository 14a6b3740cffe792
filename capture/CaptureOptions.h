// The command line of demo-capture: which stretch of the show to render, at
// what frame rate, and where the frames go (PNG files or a video).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct CaptureOptions {
    static constexpr uint32_t kMaxFps = 1000;  // every frame at least 1 ms long
    static constexpr uint32_t kMaxSegments = 10000;

    uint32_t fps = 60;
    std::string from;       // a script time; empty: where the script starts the show
    std::string to;         // a script time; empty: the script's End
    std::string framesDir;  // PNG frames go here instead of into a video
    std::string output;     // the video file; empty: kDefaultOutput
    std::string script = "data/script.txt";
    bool overwrite = false;  // frames of an earlier capture in framesDir are removed
    // Only run `segmentPart` (1 to `segmentParts`) of that many equal runs
    // of the frames; 0 of 0 for all of them.
    uint32_t segmentPart = 0;
    uint32_t segmentParts = 0;
    // Join the videos that this ffconcat list names, captured as segments
    // of the same frames, into OUTPUT with the music, instead of drawing.
    std::string joinList;
    bool benchmark = false;  // draw the stretch once without output first, and compare
    bool help = false;

    static constexpr const char* kDefaultOutput = "show.mp4";
    const std::string& VideoPath() const;
};

// The usage text, one option a line.
extern const char* const kCaptureUsage;

// Whether `text` is written as a command-line time: `=milliseconds`, or
// `#bars` with optionally `.beats` and a fraction of a beat (`#2`, `#2.1`,
// `#2.1.5`), digits only. What it comes to depends on the script's tempo.
bool IsCaptureTime(std::string_view text);

// Reads argv[1..argc-1]. Options take their value as the next word or after
// "=" (`--fps 30`, `--fps=30`). False, with `error` saying why, for an
// unknown option, a missing or malformed value (a time not written as one
// included), a second OUTPUT, both --frames and an OUTPUT, or --join with
// --frames, --segment or --benchmark.
bool ParseCaptureOptions(int argc, const char* const argv[], CaptureOptions& options,
                         std::string& error);
