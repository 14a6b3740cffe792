#include "capture/ProgressMeter.h"

#include <cinttypes>

namespace {

constexpr int kBarWidth = 20;

// "m:ss", or "h:mm:ss" from an hour on.
void FormatDuration(char* out, size_t size, double seconds) {
    const uint64_t whole = seconds > 0 ? static_cast<uint64_t>(seconds + 0.5) : 0;
    const uint64_t hours = whole / 3600;
    if (hours > 0) {
        std::snprintf(out, size, "%" PRIu64 ":%02" PRIu64 ":%02" PRIu64, hours, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(out, size, "%" PRIu64 ":%02" PRIu64, whole / 60, whole % 60);
    }
}

}  // namespace

void FormatProgress(char* out, size_t size, uint64_t done, uint64_t total, double elapsedSeconds) {
    if (done > total) done = total;
    char bar[kBarWidth + 1];
    const int filled = total == 0 ? kBarWidth : static_cast<int>(done * kBarWidth / total);
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
    bar[kBarWidth] = '\0';

    const double fps = elapsedSeconds > 0 && done > 0 ? done / elapsedSeconds : 0.0;
    char left[24] = "--:--";
    if (fps > 0) FormatDuration(left, sizeof left, (total - done) / fps);

    const int digits = std::snprintf(nullptr, 0, "%" PRIu64, total);
    std::snprintf(out, size, "[%s] %*" PRIu64 "/%" PRIu64 " frames  %.1f fps  %s left", bar,
                  digits, done, total, fps, left);
}

void ProgressMeter::Update(uint64_t done, double elapsedSeconds) {
    if (!interactive) return;
    if (done < total && drawn && elapsedSeconds - lastDrawn < kRedrawInterval) return;
    FormatProgress(line, sizeof line, done, total, elapsedSeconds);
    // "\r" back to the start of the line, "\033[K" clears what a longer
    // earlier line left behind.
    std::fprintf(stream, "\r%s\033[K", line);
    std::fflush(stream);
    lastDrawn = elapsedSeconds;
    drawn = true;
}

void ProgressMeter::Close() {
    if (interactive && drawn) {
        std::fputc('\n', stream);
        std::fflush(stream);
    }
    drawn = false;
}
