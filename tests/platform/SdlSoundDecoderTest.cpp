// Whole sound files decoded by SDL2_mixer on the no-sound device, and their
// loudness: a tone of a known level comes out at that level for its whole
// length, and what cannot be decoded says why.
#include <gtest/gtest.h>

#include <string>

#include "TestSoundFiles.h"
#include "audio/Loudness.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlSoundDecoder.h"

TEST(SdlSoundDecoder, DecodesAWholeFileAtItsLoudness) {
    SoundFileFolder files;
    SdlSoundDecoder decoder;
    DecodedSound sound;
    std::string problem;
    const std::string ogg = files.WriteOgg("tone.ogg", 2.0);
    EXPECT_FALSE(decoder.DecodeFile(ogg.c_str(), sound, problem)) << "decoded without an open device";
    EXPECT_NE(problem.find("no audio device"), std::string::npos) << problem;

    SdlMixerAudio audio(SoundOutput::Off);
    ASSERT_TRUE(audio.Init(AudioLibrary::kNoSoundDevice, 44100));
    for (const std::string& path : {ogg, files.WriteWav("tone.wav", 2.0)}) {
        SCOPED_TRACE(path);
        problem.clear();
        ASSERT_TRUE(decoder.DecodeFile(path.c_str(), sound, problem)) << problem;
        ASSERT_GT(sound.channels, 0);
        EXPECT_NEAR(static_cast<double>(sound.samples.size()) / sound.channels / sound.framesPerSecond, 2.0, 0.01);
        // A sine at 0.3 of full scale: its power is 0.045, 13.5 dB down.
        const LoudnessEnvelope loudness = MeasureLoudness(sound, 10.0);
        EXPECT_NEAR(loudness.DurationMs(), 2000.0, 20.0);
        EXPECT_NEAR(loudness.LoudestBetween(100.0, 1900.0), 1.0 - 13.5 / 60.0, 0.02);
        EXPECT_EQ(loudness.LoudestBetween(2100.0, 3000.0), 0.0f);
    }

    for (const std::string& path : {files.WriteBytes("text.ogg", "not music at all"), files.Path("missing.ogg")}) {
        problem.clear();
        EXPECT_FALSE(decoder.DecodeFile(path.c_str(), sound, problem)) << path;
        EXPECT_NE(problem.find(path.substr(path.rfind('/') + 1)), std::string::npos)
            << problem;
    }
}
