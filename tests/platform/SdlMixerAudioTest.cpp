// The audio library on SDL2_mixer, for real, on the no-sound device: files
// of every kind open or get their message, streams play, restart and move,
// and a machine without sound output falls back to silence.
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TestSoundFiles.h"
#include "audio/KaSounds.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "script/ScriptEngine.h"
#include "support/Doubles.h"

namespace {

const std::string kCannotOpen = "Error in KaSounds::LoadStream: The file could not be opened.";
const std::string kUnknownFormat =
    "Error in KaSounds::LoadStream: The file's format is not recognised/supported.";

// The silent device plays on in real time, and the mixer decodes ahead of
// it by up to a few of its buffers.
constexpr double kMixAhead = 0.2;

class Stopwatch {
public:
    double Seconds() const { return (SDL_GetTicks64() - start) / 1000.0; }

private:
    Uint64 start = SDL_GetTicks64();
};

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) {
            previous = old;
            hadValue = true;
        }
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (hadValue) {
            setenv(name, previous.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

private:
    const char* name;
    std::string previous;
    bool hadValue = false;
};

TEST(SdlMixerAudioDevices, WithoutASoundOutputTheMusicPlaysSilently) {
    SoundFileFolder files;
    const std::string song = files.WriteOgg("song.ogg", 1.0);
    // No driver of that name: the default output cannot open.
    ScopedEnvironment noDriver("SDL_AUDIODRIVER", "no-such-driver");

    SdlMixerAudio audio;
    RecordingMessageBoxes boxes;
    {
        KaSounds music(audio, boxes);
        ASSERT_TRUE(music.LoadStream(song.c_str()));
        music.Play();
        EXPECT_TRUE(audio.IsPlaying(music.Stream()));
    }
    EXPECT_TRUE(boxes.boxes.empty());

    EXPECT_FALSE(audio.Init(AudioLibrary::kDefaultDevice, 44100));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kDevice);
    EXPECT_TRUE(audio.Init(AudioLibrary::kNoSoundDevice, 44100));
}

TEST(SdlMixerAudioDevices, SoundOutputOffLeavesOnlyTheNoSoundDevice) {
    SdlMixerAudio audio(SoundOutput::Off);
    EXPECT_FALSE(audio.Init(AudioLibrary::kDefaultDevice, 44100));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kDevice);
    EXPECT_FALSE(audio.Init(2, 44100));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kDevice);
    EXPECT_TRUE(audio.Init(AudioLibrary::kNoSoundDevice, 44100));
}

TEST(SdlMixerAudioDevices, OneInitialisedLibraryAtATime) {
    SoundFileFolder files;
    const std::string song = files.WriteOgg("song.ogg", 0.5);
    SdlMixerAudio audio;
    EXPECT_EQ(audio.OpenFileStream(song.c_str()), 0u);
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kInit);

    ASSERT_TRUE(audio.Init(AudioLibrary::kNoSoundDevice, 44100));
    EXPECT_FALSE(audio.Init(AudioLibrary::kNoSoundDevice, 44100));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kAlready);
    SdlMixerAudio other;
    EXPECT_FALSE(other.Init(AudioLibrary::kNoSoundDevice, 44100));
    EXPECT_EQ(other.LastErrorCode(), audio_error::kAlready);

    const AudioLibrary::StreamHandle stream = audio.OpenFileStream(song.c_str());
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(audio.Free());
    EXPECT_FALSE(audio.Play(stream, true));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kInit);
    EXPECT_FALSE(audio.Free());

    // Freed, the mixer is there for the next one.
    EXPECT_TRUE(other.Init(AudioLibrary::kNoSoundDevice, 44100));
}

// KaSounds on the no-sound device, as the script checker runs it.
class SdlMixerAudioMusic : public ::testing::Test {
protected:
    SoundFileFolder files;
    SdlMixerAudio audio{SoundOutput::Off};
    RecordingMessageBoxes boxes;
    KaSounds music{audio, boxes};
};

// A real picture: 64 x 64 RGBA noise as PNG, the kind of file an author
// may name by mistake where the music belongs.
std::string PictureBytes() {
    std::vector<uint8_t> pixels(64 * 64 * 4);
    uint32_t state = 12345;
    for (uint8_t& byte : pixels) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 64;
    image.height = 64;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    std::string png(size, '\0');
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    png.resize(size);
    return png;
}

TEST_F(SdlMixerAudioMusic, FilesThatCannotBeMusicGetTheirMessage) {
    const std::string ogg = files.WriteOgg("good.ogg", 0.5);
    const std::string wav = files.WriteWav("good.wav", 0.5);
    const std::string picture = PictureBytes();
    ASSERT_FALSE(picture.empty());
    // The box says what the show's box says; LoadProblem tells the author
    // what to fix.
    struct Case {
        std::string path;
        std::string message;
        std::string problem;
    };
    const std::string notMusic = "it is not in an audio format that plays (OGG, MP3, WAV or FLAC)";
    const std::vector<Case> cases = {
        {files.Path("missing.ogg"), kCannotOpen, "No such file or directory"},
        {files.Path(""), kCannotOpen, "it is a folder"},
        {"/dev/zero", kCannotOpen, "it is not a regular file"},
        {files.WriteBytes("empty.ogg", ""), kUnknownFormat, notMusic},
        {files.WriteBytes("notes.mp3", "just some text, not music at all\n"), kUnknownFormat, notMusic},
        {files.WriteBytes("noise.bin", std::string(4096, '\x5a')), kUnknownFormat, notMusic},
        {files.WriteStart("short-header.wav", wav, 20), kUnknownFormat, notMusic},
        {files.WriteStart("short-header.ogg", ogg, 40), kUnknownFormat, notMusic},
        // A picture, whatever it is called.
        {files.WriteBytes("picture.png", picture), kUnknownFormat, notMusic},
        {files.WriteBytes("picture.ogg", picture), kUnknownFormat, notMusic},
        {files.WriteBytes("picture.mp3", picture), kUnknownFormat, notMusic},
        {files.WriteBytes("picture.wav", picture), kUnknownFormat, notMusic},
        {files.WriteBytes("picture.flac", picture), kUnknownFormat, notMusic},
    };
    for (const Case& c : cases) {
        boxes.boxes.clear();
        EXPECT_FALSE(music.LoadStream(c.path.c_str())) << c.path;
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.message}) << c.path;
        EXPECT_EQ(music.LoadProblem(), c.problem) << c.path;
        EXPECT_EQ(music.Stream(), 0u);
    }
    EXPECT_TRUE(music.LoadStream(ogg.c_str()));
    EXPECT_EQ(music.LoadProblem(), "");
}

TEST_F(SdlMixerAudioMusic, HeadersThatLieAreRefusedOrPlaySafely) {
    const std::string ogg = files.WriteOgg("good.ogg", 0.5);
    const std::string wav = files.WriteWav("good.wav", 0.5);
    const std::string aiff = files.WriteAiff("good.aiff", 0.5);
    ASSERT_TRUE(music.LoadStream(aiff.c_str()));

    const std::string zero(4, '\0');
    const std::string one("\x01\0\0\0", 4);
    // Offsets: WAV channels 22, rate 24, block size 32, bits 34, data
    // size 40; AIFF channels 20, rate 28.
    const std::vector<std::string> refused = {
        files.WriteChanged("no-channels.wav", wav, 22, zero.substr(0, 2)),
        files.WriteChanged("no-rate.wav", wav, 24, zero),
        files.WriteChanged("rate-1.wav", wav, 24, one),
        files.WriteChanged("no-channels.aiff", aiff, 20, zero.substr(0, 2)),
        files.WriteChanged("rate-below-1.aiff", aiff, 28, zero.substr(0, 1)),
    };
    for (const std::string& path : refused) {
        boxes.boxes.clear();
        EXPECT_FALSE(music.LoadStream(path.c_str())) << path;
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kUnknownFormat}) << path;
    }

    // Cut short, or with sizes that do not add up: a decoder may take these.
    const std::vector<std::string> damaged = {
        files.WriteStart("cut.wav", wav, 44),
        files.WriteStart("cut-audio.wav", wav, 1000),
        files.WriteStart("cut.ogg", ogg, 4000),
        files.WriteStart("cut-more.ogg", ogg, 200),
        files.WriteStart("cut.aiff", aiff, 60),
        files.WriteChanged("no-block-size.wav", wav, 32, zero.substr(0, 2)),
        files.WriteChanged("no-bits.wav", wav, 34, zero.substr(0, 2)),
        files.WriteChanged("long-data.wav", wav, 40, std::string(4, '\xff')),
    };
    for (const std::string& path : damaged) {
        boxes.boxes.clear();
        if (music.LoadStream(path.c_str())) {
            EXPECT_TRUE(boxes.boxes.empty()) << path;
            music.Play();
            music.SetPosition(100);
        } else {
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kUnknownFormat}) << path;
        }
    }
}

TEST_F(SdlMixerAudioMusic, PlayRestartsAndSetPositionMovesTheStream) {
    const std::string song = files.WriteOgg("song.ogg", 2.0);
    ASSERT_TRUE(music.LoadStream(song.c_str()));
    const AudioLibrary::StreamHandle stream = music.Stream();
    EXPECT_NEAR(static_cast<double>(music.DurationMilliseconds()), 2000.0, 30.0);

    music.Play();
    EXPECT_TRUE(audio.IsPlaying(stream));
    Stopwatch watch;
    EXPECT_TRUE(music.SetPosition(500));
    EXPECT_GE(audio.PositionSeconds(stream), 0.5);
    EXPECT_LE(audio.PositionSeconds(stream), 0.5 + watch.Seconds() + kMixAhead);

    watch = Stopwatch();
    music.Play();
    EXPECT_LE(audio.PositionSeconds(stream), watch.Seconds() + kMixAhead);

    // Past the end the music is over rather than playing on out of step.
    EXPECT_FALSE(music.SetPosition(5000));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kPosition);
    EXPECT_FALSE(audio.IsPlaying(stream));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SdlMixerAudioMusic, PauseHoldsTheStreamWherePlayGoesOnFrom) {
    const std::string song = files.WriteOgg("song.ogg", 3.0);
    ASSERT_TRUE(music.LoadStream(song.c_str()));
    const AudioLibrary::StreamHandle stream = music.Stream();
    // Nothing plays yet, so there is nothing to pause.
    EXPECT_FALSE(audio.Pause(stream));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kNotAvailable);

    music.Play();
    ASSERT_TRUE(music.SetPosition(1000));
    ASSERT_TRUE(music.Pause());
    EXPECT_FALSE(music.IsPlaying());
    const double held = audio.PositionSeconds(stream);
    EXPECT_GE(held, 1.0);
    EXPECT_LE(held, 1.0 + kMixAhead);
    SDL_Delay(300);
    EXPECT_DOUBLE_EQ(audio.PositionSeconds(stream), held);

    // Moving a paused stream keeps it paused, at the new place.
    ASSERT_TRUE(music.SetPosition(2000));
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_NEAR(audio.PositionSeconds(stream), 2.0, 0.05);

    Stopwatch watch;
    ASSERT_TRUE(music.Resume());
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_GE(audio.PositionSeconds(stream), 2.0 - 0.05);
    EXPECT_LE(audio.PositionSeconds(stream), 2.0 + watch.Seconds() + kMixAhead);

    // A restart while paused plays from the beginning.
    ASSERT_TRUE(music.Pause());
    music.Play();
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_LE(audio.PositionSeconds(stream), kMixAhead + 0.1);

    EXPECT_FALSE(audio.Pause(0));
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kHandle);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SdlMixerAudioMusic, BytesCountSampleFramesOfTheMix) {
    const std::string song = files.WriteOgg("song.ogg", 2.0);
    ASSERT_TRUE(music.LoadStream(song.c_str()));
    const AudioLibrary::StreamHandle stream = music.Stream();

    // 16-bit stereo at 44100 Hz: four bytes a frame.
    EXPECT_EQ(audio.SecondsToBytes(stream, 0.5f), 88200u);
    EXPECT_EQ(audio.SecondsToBytes(stream, 0.0f), 0u);
    for (const float bad : {-1.0f, NAN, INFINITY, 1e30f}) {
        EXPECT_EQ(audio.SecondsToBytes(stream, bad), AudioLibrary::kNoPosition) << bad;
        EXPECT_EQ(audio.LastErrorCode(), audio_error::kIllegalParameter);
    }
    EXPECT_EQ(audio.SecondsToBytes(0, 1.0f), AudioLibrary::kNoPosition);
    EXPECT_EQ(audio.LastErrorCode(), audio_error::kHandle);

    // A stream that is not playing keeps its position for a Play that
    // does not restart.
    EXPECT_TRUE(audio.SetPositionBytes(stream, 44100 * 4));
    EXPECT_DOUBLE_EQ(audio.PositionSeconds(stream), 1.0);
    Stopwatch watch;
    ASSERT_TRUE(audio.Play(stream, false));
    EXPECT_GE(audio.PositionSeconds(stream), 1.0);
    EXPECT_LE(audio.PositionSeconds(stream), 1.0 + watch.Seconds() + kMixAhead);
}

TEST_F(SdlMixerAudioMusic, TheScriptsLastMusicPlaysFromTheStartPosition) {
    // Were the short first file playing, moving it to 0.5 s would end it.
    files.WriteOgg("first.ogg", 0.3);
    files.WriteOgg("second.ogg", 2.0);
    TempScript script("Define _MUSIC_DIR=" + files.Path("") +
                      "\n"
                      "LoadMusic first.ogg 120 4\n"
                      "LoadMusic second.ogg 120 4\n"
                      "Goto =500\n");
    ScriptEngine engine(boxes, music);
    ASSERT_TRUE(engine.Load(script.Path(), nullptr)) << testing::PrintToString(boxes.Texts());

    music.Play();
    engine.Start();
    EXPECT_TRUE(audio.IsPlaying(music.Stream()));
    EXPECT_GE(audio.PositionSeconds(music.Stream()), 0.5);
    EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
