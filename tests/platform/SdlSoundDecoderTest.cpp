// Sound files decoded a piece at a time and measured as they come: a tone
// of a known level comes out at that level for its whole length, whichever
// way its format is decoded, and decoding stops when the sink asks; what
// cannot be decoded says why; and music of any length is measured in
// bounded memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "TestSoundFiles.h"
#include "audio/Loudness.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlSoundDecoder.h"

namespace {

// A sink that wants nothing of the sound: the decoder stops at once.
class UnwantedSound : public SoundSink {
public:
    void Begin(uint32_t, int32_t) override {}
    void Take(const int16_t*, size_t) override { ++pieces; }
    bool StopWanted() const override { return true; }
    int pieces = 0;
};

}  // namespace

TEST(SdlSoundDecoder, MeasuresAToneAtItsLoudnessInEveryFormatAndStopsWhenAsked) {
    SoundFileFolder files;
    SdlSoundDecoder decoder;
    LoudnessEnvelope loudness;
    std::string problem;
    // AIFF is decoded by SDL_mixer, which needs its device; Ogg Vorbis,
    // 16-bit WAV, MP3 and FLAC are streamed without one.
    const std::string aiff = files.WriteAiff("tone.aiff", 2.0);
    EXPECT_FALSE(MeasureMusicLoudness(decoder, aiff.c_str(), 10.0, loudness, problem));
    EXPECT_NE(problem.find("no audio device"), std::string::npos) << problem;

    const std::string wav = files.WriteWav("tone.wav", 2.0);
    std::vector<std::string> paths = {files.WriteOgg("tone.ogg", 2.0), wav};
    for (const char* encoded : {"tone.mp3", "tone.flac"}) {
        const std::string path = files.Path(encoded);
        ASSERT_EQ(std::system(("ffmpeg -loglevel error -i " + wav + " " + path).c_str()), 0) << encoded;
        paths.push_back(path);
    }
    paths.push_back(aiff);
    std::optional<SdlMixerAudio> audio;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        if (path == aiff) {
            audio.emplace(SoundOutput::Off);
            ASSERT_TRUE(audio->Init(AudioLibrary::kNoSoundDevice, 44100));
        }
        problem.clear();
        ASSERT_TRUE(MeasureMusicLoudness(decoder, path.c_str(), 10.0, loudness, problem)) << problem;
        // A sine at 0.3 of full scale: its power is 0.045, 13.5 dB down.
        EXPECT_NEAR(loudness.DurationMs(), 2000.0, 30.0);
        EXPECT_NEAR(loudness.LoudestBetween(100.0, 1900.0), 1.0 - 13.5 / 60.0, 0.02);
        EXPECT_EQ(loudness.LoudestBetween(2100.0, 3000.0), 0.0f);

        UnwantedSound unwanted;
        EXPECT_FALSE(decoder.DecodeFile(path.c_str(), unwanted, problem));
        EXPECT_NE(problem.find("stopped"), std::string::npos) << problem;
        EXPECT_LE(unwanted.pieces, 1);
    }

    for (const std::string& path : {files.WriteBytes("text.ogg", "not music at all"), files.Path("missing.ogg")}) {
        problem.clear();
        EXPECT_FALSE(MeasureMusicLoudness(decoder, path.c_str(), 10.0, loudness, problem)) << path;
        EXPECT_NE(problem.find(path.substr(path.rfind('/') + 1)), std::string::npos) << problem;
    }
}

// Silence with one loud frame, as long as asked for, in pieces.
class SilenceWithAClick : public SoundDecoder {
public:
    SilenceWithAClick(size_t frames, size_t click) : frames(frames), click(click) {}
    bool DecodeFile(const char*, SoundSink& sink, std::string&) override {
        sink.Begin(1000, 1);
        int16_t piece[1000];
        for (size_t at = 0; at < frames; at += 1000) {
            for (size_t i = 0; i < 1000; ++i) piece[i] = at + i == click ? 32767 : 0;
            sink.Take(piece, std::min<size_t>(1000, frames - at));
        }
        return true;
    }

private:
    size_t frames, click;
};

TEST(Loudness, LongMusicKeepsBoundedWindowsAndItsLoudestMoments) {
    // Windows of one frame; three times as many as are kept.
    const size_t frames = 3 * LoudnessEnvelope::kMaxWindows + 5;
    const size_t click = 2 * LoudnessEnvelope::kMaxWindows + 1234;
    SilenceWithAClick decoder(frames, click);
    LoudnessEnvelope loudness;
    std::string problem;
    ASSERT_TRUE(MeasureMusicLoudness(decoder, "long", 1.0, loudness, problem));
    EXPECT_LE(loudness.levels.size(), LoudnessEnvelope::kMaxWindows);
    EXPECT_EQ(loudness.windowMs, 4.0);
    EXPECT_NEAR(loudness.DurationMs(), static_cast<double>(frames), loudness.windowMs);
    EXPECT_GT(loudness.LoudestBetween(static_cast<double>(click), click + 1.0), 0.5f);
    EXPECT_EQ(loudness.LoudestBetween(click - 8.0, click - 4.0), 0.0f);
    EXPECT_EQ(loudness.LoudestBetween(click + 8.0, click + 12.0), 0.0f);
}
