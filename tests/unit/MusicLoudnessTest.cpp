// The music's loudness measured on a worker thread: the drawing thread sees
// it only once it is done, and a decode that would go on for hours stops
// when the measurement is dropped (the preview closed) instead of holding
// the program open.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "preview/MusicLoudness.h"

namespace {

// A steady tone, handed on after `release` is set; with `endless`, for as
// long as the sink wants it.
class HeldTone : public SoundDecoder {
public:
    bool DecodeFile(const char*, SoundSink& sink, std::string&) override {
        while (!release) std::this_thread::yield();
        sink.Begin(1000, 1);
        int16_t piece[100];
        for (size_t i = 0; i < 100; ++i) piece[i] = i % 2 == 0 ? 16000 : -16000;
        for (int pieces = 0; endless || pieces < 20; ++pieces) {
            sink.Take(piece, 100);
            if (sink.StopWanted()) return false;
        }
        return true;
    }
    std::atomic<bool> release{false};
    bool endless = false;
};

}  // namespace

TEST(MusicLoudness, IsSeenOnlyWhenDoneAndStopsWhenDropped) {
    HeldTone tone;
    MusicLoudness loudness;
    EXPECT_EQ(loudness.Poll(), MusicLoudness::State::NotStarted);
    loudness.Start(tone, "tone.ogg");
    EXPECT_EQ(loudness.Poll(), MusicLoudness::State::Measuring);
    tone.release = true;
    while (loudness.Poll() == MusicLoudness::State::Measuring) std::this_thread::yield();
    ASSERT_EQ(loudness.Poll(), MusicLoudness::State::Ready);
    EXPECT_NEAR(loudness.Envelope().DurationMs(), 2000.0, 1e-9);

    // Hours of music, dropped while it is measured: the destructor returns.
    HeldTone endless;
    endless.endless = true;
    endless.release = true;
    auto dropped = std::make_unique<MusicLoudness>();
    dropped->Start(endless, "long.ogg");
    dropped.reset();
}
