// The capture's progress on standard error: a bar with the frames done and
// their total, the frames per second and the time left. On a terminal the
// line is redrawn in place a few times a second; otherwise nothing is
// written until the one final line. Updating never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The progress line without a line end, e.g.
// "[##########----------]   60/120 frames  9.8 fps  0:06 left", into `out`
// (`size` bytes, at least 1). The time left is unknown ("--:--") until a
// frame is done.
void FormatProgress(char* out, size_t size, uint64_t done, uint64_t total, double elapsedSeconds);

class ProgressMeter {
public:
    static constexpr double kRedrawInterval = 0.1;  // seconds

    ProgressMeter(std::FILE* stream, bool interactive, uint64_t total)
        : stream(stream), interactive(interactive), total(total) {}

    // `done` frames after `elapsedSeconds`; redraws the bar on a terminal
    // when enough time has passed since the last redraw, or at the end.
    void Update(uint64_t done, double elapsedSeconds);
    // Ends the bar's line on a terminal.
    void Close();

private:
    std::FILE* stream;
    bool interactive;
    uint64_t total;
    double lastDrawn = -1.0;
    bool drawn = false;
    char line[160] = {};
};
