// The music player against a scripted audio library: device fall-back,
// the error boxes of a failed open, and what Play and SetPosition hand the
// library, also when the script drives them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/KaSounds.h"
#include "script/ScriptEngine.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

// Opens the files it was given handles for, fails the rest with
// `openError`, and logs every call.
class ScriptedAudioLibrary : public AudioLibrary {
public:
    bool Init(int32_t device, uint32_t frequency) override {
        log.push_back("init:" + std::to_string(device) + ":" + std::to_string(frequency));
        return device == kDefaultDevice ? defaultDeviceOpens : noSoundDeviceOpens;
    }
    bool Free() override {
        log.push_back("free");
        return true;
    }
    StreamHandle OpenFileStream(const char* path) override {
        log.push_back(std::string("open:") + path);
        const auto found = files.find(path);
        error = found == files.end() ? openError : audio_error::kNone;
        return found == files.end() ? 0 : found->second;
    }
    int32_t LastErrorCode() override { return error; }
    bool Play(StreamHandle stream, bool restart) override {
        log.push_back("play:" + std::to_string(stream) + (restart ? ":restart" : ""));
        return stream != 0;
    }
    uint64_t SecondsToBytes(StreamHandle stream, float seconds) override {
        log.push_back("bytes:" + std::to_string(stream));
        secondsAsked.push_back(seconds);
        return bytesAnswer;
    }
    bool SetPositionBytes(StreamHandle stream, uint64_t bytes) override {
        log.push_back("position:" + std::to_string(stream) + ":" + std::to_string(bytes));
        return positionAnswer;
    }
    bool Pause(StreamHandle stream) override {
        log.push_back("pause:" + std::to_string(stream));
        return stream != 0;
    }
    bool IsPlaying(StreamHandle stream) override { return stream != 0 && playing; }
    double PositionSeconds(StreamHandle stream) override {
        return stream != 0 ? positionAnswerSeconds : -1.0;
    }
    double DurationSeconds(StreamHandle stream) override { return stream != 0 ? 132.5 : -1.0; }

    bool defaultDeviceOpens = true;
    bool noSoundDeviceOpens = true;
    std::map<std::string, StreamHandle> files;
    int32_t openError = audio_error::kFileOpen;
    uint64_t bytesAnswer = 123456;
    bool positionAnswer = true;
    bool playing = false;
    double positionAnswerSeconds = 0.0;
    std::vector<float> secondsAsked;
    std::vector<std::string> log;

private:
    int32_t error = audio_error::kNone;
};

using Log = std::vector<std::string>;

TEST(KaSoundsDevices, OpensTheDefaultOutputAndFreesTheLibraryAtTheEnd) {
    ScriptedAudioLibrary library;
    RecordingMessageBoxes boxes;
    {
        KaSounds music(library, boxes);
        EXPECT_EQ(library.log, (Log{"init:1:44100"}));
        EXPECT_EQ(music.Stream(), 0u);
    }
    EXPECT_EQ(library.log, (Log{"init:1:44100", "free"}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(KaSoundsDevices, FallsBackToTheNoSoundDeviceWithoutAWord) {
    for (const bool noSoundOpens : {true, false}) {
        ScriptedAudioLibrary library;
        library.defaultDeviceOpens = false;
        library.noSoundDeviceOpens = noSoundOpens;
        RecordingMessageBoxes boxes;
        { KaSounds music(library, boxes); }
        EXPECT_EQ(library.log, (Log{"init:1:44100", "init:0:44100", "free"}));
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

class KaSoundsTest : public ::testing::Test {
protected:
    ScriptedAudioLibrary library;
    RecordingMessageBoxes boxes;
    KaSounds music{library, boxes};
};

TEST_F(KaSoundsTest, FailedLoadShowsOneErrorBoxNamingTheLibrarysError) {
    const std::map<int32_t, std::string> expected = {
        {audio_error::kMemory, "Error in KaSounds::LoadStream: There is insufficent memory."},
        {audio_error::kFileOpen, "Error in KaSounds::LoadStream: The file could not be opened."},
        {audio_error::kSampleFormat,
         "Error in KaSounds::LoadStream: The sample format is not supported by the device/drivers."},
        {audio_error::kInit,
         "Error in KaSounds::LoadStream: BASS_Init has not been successfully called."},
        {audio_error::kFileFormat,
         "Error in KaSounds::LoadStream: The file's format is not recognised/supported."},
        // Codes the user is not told about end the text after the colon.
        {audio_error::kHandle, "Error in KaSounds::LoadStream: "},
        {audio_error::kUnknown, "Error in KaSounds::LoadStream: "},
    };
    library.files["good.ogg"] = 3;
    for (const auto& [code, text] : expected) {
        boxes.boxes.clear();
        ASSERT_TRUE(music.LoadStream("good.ogg"));
        ASSERT_EQ(music.Stream(), 3u);
        library.openError = code;

        EXPECT_FALSE(music.LoadStream("bad.ogg"));
        // The failed open leaves no stream, not the previous one.
        EXPECT_EQ(music.Stream(), 0u);
        ASSERT_EQ(boxes.boxes.size(), 1u) << "code " << code;
        EXPECT_EQ(boxes.boxes[0].text, text);
        EXPECT_EQ(boxes.boxes[0].caption, "Error");
        EXPECT_EQ(boxes.boxes[0].icon, MessageBoxIcon::Error);
        EXPECT_EQ(boxes.boxes[0].buttons, MessageBoxButtons::Ok);
    }
}

TEST_F(KaSoundsTest, FailedLoadWithoutAnErrorCodeShowsNothing) {
    library.openError = audio_error::kNone;
    EXPECT_FALSE(music.LoadStream("bad.ogg"));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(KaSoundsTest, SetPositionHandsOnTheLibrarysBytesAndAnswer) {
    library.files["a.ogg"] = 4;
    music.LoadStream("a.ogg");
    library.positionAnswer = false;
    EXPECT_FALSE(music.SetPosition(0xFFFFFFFFu));
    EXPECT_EQ(library.log.back(), "position:4:123456");
    // The largest time still arrives in seconds.
    ASSERT_EQ(library.secondsAsked.size(), 1u);
    EXPECT_FLOAT_EQ(library.secondsAsked[0], 4294967.296f);
}

TEST_F(KaSoundsTest, PauseResumeAndPositionGoToTheOpenStream) {
    // Without a stream nothing plays and there is no position.
    library.playing = true;
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_EQ(music.PositionMilliseconds(), -1);

    library.files["a.ogg"] = 4;
    music.LoadStream("a.ogg");
    library.log.clear();
    EXPECT_TRUE(music.Pause());
    EXPECT_TRUE(music.Resume());
    // Resuming plays on from where the stream stands, without a restart.
    EXPECT_EQ(library.log, (std::vector<std::string>{"pause:4", "play:4"}));
    EXPECT_TRUE(music.IsPlaying());

    // Seconds come back as whole milliseconds; what the library cannot
    // tell, or could not mean, is -1.
    const std::vector<std::pair<double, int64_t>> positions = {
        {1.2345, 1235}, {0.0, 0}, {-1.0, -1}, {NAN, -1}, {1e300, -1}};
    for (const auto& [seconds, milliseconds] : positions) {
        library.positionAnswerSeconds = seconds;
        EXPECT_EQ(music.PositionMilliseconds(), milliseconds) << seconds;
    }
}

// The script opens the music, the host plays it and the timeline moves it.
class KaSoundsScriptTest : public KaSoundsTest {
protected:
    bool Load(const std::string& text) {
        TempScript script(text);
        return engine->Load(script.Path(), &registry);
    }
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
    std::unique_ptr<ScriptEngine> engine = std::make_unique<ScriptEngine>(boxes, music);
};

TEST_F(KaSoundsScriptTest, TheLastLoadMusicLineIsTheOneThatPlays) {
    library.files["music/first.ogg"] = 1;
    library.files["music/second.ogg"] = 2;
    EXPECT_TRUE(Load("Define _MUSIC_DIR=music/\n"
                     "LoadMusic first.ogg 120 4\n"
                     "LoadMusic second.ogg 120 4\n"
                     "Goto =500\n"));
    music.Play();
    engine->Start();
    EXPECT_EQ(library.log, (Log{"init:1:44100", "open:music/first.ogg", "open:music/second.ogg",
                                "play:2:restart", "bytes:2", "position:2:123456"}));
    EXPECT_EQ(library.secondsAsked, (std::vector<float>{0.5f}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(KaSoundsScriptTest, AMissingMusicFileIsReportedOnceAndLoadingGoesOn) {
    EXPECT_FALSE(Load("LoadMusic missing.ogg 120 4\n"
                      "Goto =500\n"
                      "Bogus\n"));
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Error in KaSounds::LoadStream: The file could not be opened.");
    EXPECT_EQ(texts[1].rfind("Syntax error", 0), 0u) << texts[1];

    // The show then runs silently: the calls without a stream fail quietly.
    music.Play();
    engine->Start();
    EXPECT_EQ(library.log, (Log{"init:1:44100", "open:missing.ogg", "play:0:restart", "bytes:0",
                                "position:0:123456"}));
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

}  // namespace
