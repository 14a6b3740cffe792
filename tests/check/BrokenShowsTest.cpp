// One table of broken shows, each a few lines and a few files changed from a
// small show that plays cleanly. Every show goes through demo-check, the
// program, and through the show's own start-up (the demo host with the five
// effects, against test doubles, with the music opened as the show opens
// it); both must name the same problem:
//   - demo-check's exit status, and its finding on the line and file given;
//   - the boxes the show shows are the texts demo-check prints;
//   - a start that fails says why, and demo-check reports that reason as an
//     error; a show that demo-check passes starts;
//   - every file problem the show reports on standard error is one of
//     demo-check's findings, word for word.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunLoop.h"
#include "audio/KaSounds.h"
#include "demo/DemoHost.h"
#include "effects/ShowEffects.h"
#include "model/ModelFit.h"
#include "scenes/SceneParameters.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "support/ChunkWriter.h"
#include "support/Doubles.h"
#include "support/RgbPicture.h"
#include "support/ToolRun.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The clean show: every picture the effects need, a model the camera frames
// well, every scene running, an End. Line numbers matter to the table.
const Lines kCleanScript = {
    "Define _IMG_DIR=data/png/",        // 1
    "LoadImage mallow mallow.png",      // 2
    "LoadImage noise noise.png repeat", // 3
    "LoadImage pic1 pic1.png",          // 4
    "LoadImage pic2 pic2.png",          // 5
    "LoadImage pic3 pic3.png",          // 6
    "LoadImage pic4 pic4.png",          // 7
    "LoadImage pic5 pic5.png",          // 8
    "LoadImage pic6 pic6.png",          // 9
    "DefinePattern 0 *...",             // 10
    "#0.0 Set scene.0.RUN",             // 11
    "#0.0 Set scene.1.RUN",             // 12
    "#0.0 Set scene.2.RUN",             // 13
    "#0.0 Set scene.3.RUN",             // 14
    "#0.0 Set scene.4.RUN",             // 15
    "#0.0 UsePattern 0",                // 16
    "End #2.0",                         // 17
};

std::vector<uint8_t> PngBytes() {
    const fs::path path = fs::temp_directory_path() / "broken-shows-picture.png";
    RgbPicture picture;
    picture.width = 8;
    picture.height = 8;
    picture.rgb.assign(8 * 8 * 3, 200);
    WriteRgbPng(path.string(), picture);
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return bytes;
}

// The first `length` bytes of a picture.
std::vector<uint8_t> PngStart(size_t length) {
    std::vector<uint8_t> bytes = PngBytes();
    bytes.resize(std::min(length, bytes.size()));
    return bytes;
}

std::vector<uint8_t> ModelBytes(float reach) {
    TestMesh mesh;
    mesh.name = "stone";
    mesh.vertices = {{reach, 0, 0}, {0, reach, 0}, {0, 0, reach}, {-reach, -reach, -reach}};
    mesh.triangles = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}};
    mesh.groups = {{"stone", {0, 1, 2, 3}}};
    return ModelFileBytes({mesh});
}

// A model moved and scaled as model-info --fit does it.
std::vector<uint8_t> Fitted(const std::vector<uint8_t>& bytes) {
    ModelFit fit;
    EXPECT_TRUE(FindModelFit(bytes, model_param::kFittedReach, fit));
    return FittedModelBytes(bytes, fit);
}

// A silent 16-bit mono WAV file `seconds` long, at 8000 Hz.
std::vector<uint8_t> WavBytes(double seconds) {
    const uint32_t samples = static_cast<uint32_t>(seconds * 8000);
    const uint32_t dataBytes = samples * 2;
    std::vector<uint8_t> bytes;
    const auto text = [&](const char* word) { bytes.insert(bytes.end(), word, word + 4); };
    const auto number = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    text("RIFF");
    number(36 + dataBytes, 4);
    text("WAVE");
    text("fmt ");
    number(16, 4);
    number(1, 2);         // PCM
    number(1, 2);         // mono
    number(8000, 4);      // samples per second
    number(16000, 4);     // bytes per second
    number(2, 2);         // bytes per sample
    number(16, 2);        // bits per sample
    text("data");
    number(dataBytes, 4);
    bytes.resize(bytes.size() + dataBytes, 0);
    return bytes;
}

std::vector<uint8_t> Bytes(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

const std::vector<uint8_t> kJpegStart = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0};

struct FileChange {
    const char* path;  // inside the show's folder
    std::vector<uint8_t> bytes;
    bool remove = false;
};

struct BrokenShow {
    const char* what;
    // Lines of the clean script replaced (1-based) or added at its end.
    std::vector<std::pair<int, const char*>> lines;
    std::vector<FileChange> files;
    int status;           // demo-check's exit status
    const char* finding;  // one line of demo-check's standard error
    bool startFails;      // the show ends in "Initialization failed"
};

// A folder holding a show, removed at the end; the working folder moves
// into it while the show starts there.
class ShowFolder {
public:
    explicit ShowFolder(const BrokenShow& show) {
        char pattern[] = "/tmp/broken-show-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directories(root / "data/png");
        fs::create_directories(root / "data/3ds");
        const std::vector<uint8_t> picture = PngBytes();
        for (const char* name : {"loading", "mallow", "noise", "pic1", "pic2", "pic3", "pic4", "pic5", "pic6"}) {
            Write("data/png/" + std::string(name) + ".png", picture);
        }
        Write("data/3ds/pebble.3ds", ModelBytes(0.5f));
        Lines script = kCleanScript;
        for (const auto& [line, text] : show.lines) {
            if (line <= static_cast<int>(script.size())) {
                script[static_cast<size_t>(line - 1)] = text;
            } else {
                script.push_back(text);
            }
        }
        std::string text;
        for (const std::string& line : script) text += line + "\n";
        Write("data/script.txt", Bytes(text));
        for (const FileChange& change : show.files) {
            if (change.remove) {
                fs::remove(root / change.path);
            } else {
                Write(change.path, change.bytes);
            }
        }
    }
    ~ShowFolder() { fs::remove_all(root); }

    const fs::path& Root() const { return root; }

private:
    void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream file(root / path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path root;
};

class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder) : previous(fs::current_path()) { fs::current_path(folder); }
    ~WorkingFolder() { fs::current_path(previous); }

private:
    fs::path previous;
};

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

bool Holds(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// What the show's own start-up says.
struct StartUp {
    int32_t result = 0;
    std::string initProblem;
    std::string boxes;    // each box's text and a line feed, as demo-check prints them
    Lines problemLines;   // what the host wrote to standard error
};

StartUp StartTheShow(const fs::path& folder) {
    WorkingFolder inside(folder);
    std::vector<std::string> log;
    ManualClock clock;
    RecordingMessageBoxes boxes;
    SdlMixerAudio audio(SoundOutput::Off);
    KaSounds music(audio, boxes);
    HeadlessTextureFactory textures;
    RecordingLoadingViewFactory loadingViews(log);
    RecordingFrameHooks frameHooks;
    std::FILE* problems = std::tmpfile();
    HostServices services{clock, music, boxes, textures, loadingViews, frameHooks};
    services.problems = problems;

    StartUp startUp;
    {
        auto host = std::make_unique<DemoHost>(services);
        ShowEffects effects;
        effects.RegisterWith(*host);
        startUp.result = host->Init();
        startUp.initProblem = host->InitProblem();
        if (startUp.result == 0) host->Uninit();
    }
    for (const std::string& text : boxes.Texts()) startUp.boxes += text + "\n";
    std::rewind(problems);
    std::string written;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, problems)) > 0;) written.append(buffer, got);
    std::fclose(problems);
    startUp.problemLines = SplitLines(written);
    return startUp;
}

const BrokenShow kBrokenShows[] = {
    {"the clean show", {}, {}, 0, nullptr, false},

    // Pictures.
    {"a picture the effects need is not loaded", {{6, "// no pic3"}}, {}, 1,
     "data/script.txt: error: the picture effect needs the picture 'pic3', which the script does not load", true},
    {"a picture file is missing", {}, {{"data/png/pic3.png", {}, true}}, 1,
     "data/script.txt:6: error: cannot read the picture 'pic3': cannot open data/png/pic3.png: No such file or "
     "directory",
     false},
    {"a misspelt extension", {{4, "LoadImage pic1 pic1.pgn"}}, {}, 1,
     "data/script.txt:4: error: cannot load the picture 'pic1' from data/png/pic1.pgn: a picture's name must end "
     "in .png (or in .bmp, which loads the .png of the same name)",
     true},
    {"a JPEG named .png", {}, {{"data/png/mallow.png", kJpegStart}}, 1,
     "data/script.txt:2: error: cannot read the picture 'mallow': data/png/mallow.png: it is a JPEG picture, not "
     "a PNG",
     false},
    {"an empty picture", {}, {{"data/png/noise.png", {}}}, 1,
     "data/script.txt:3: error: cannot read the picture 'noise': data/png/noise.png: the file is empty", false},
    {"a picture cut short", {}, {{"data/png/pic2.png", PngStart(45)}}, 1,
     "data/script.txt:5: error: cannot read the picture 'pic2': data/png/pic2.png: it cannot be decoded: the file "
     "is cut short or damaged",
     false},

    {"the loading picture is missing", {}, {{"data/png/loading.png", {}, true}}, 0,
     "data/png/loading.png: warning: the loading screen shows no picture: cannot open data/png/loading.png: No "
     "such file or directory",
     false},

    // The model.
    {"the model is missing", {}, {{"data/3ds/pebble.3ds", {}, true}}, 1,
     "data/3ds/pebble.3ds: error: the model effect cannot read its model: cannot open it: No such file or directory",
     false},
    {"the model is a JPEG", {}, {{"data/3ds/pebble.3ds", kJpegStart}}, 1,
     "data/3ds/pebble.3ds: error: the model effect cannot read its model: it is not a 3DS file: it does not start "
     "with a 3DS main chunk (it is a JPEG picture)",
     false},
    {"the model is far too large", {}, {{"data/3ds/pebble.3ds", ModelBytes(40.0f)}}, 0,
     "data/3ds/pebble.3ds: warning: the model reaches 69.28 units from its origin: drawn 5.00 times as large it "
     "reaches past the camera, which circles 6.00 units away. About 0.5 units fills the picture's height: "
     "model-info --fit FITTED.3ds data/3ds/pebble.3ds writes a copy centred and scaled to that",
     false},
    {"the model, fitted by model-info --fit", {}, {{"data/3ds/pebble.3ds", Fitted(ModelBytes(40.0f))}}, 0,
     nullptr, false},
    {"the model seen from far by the script's eye",
     {{18, "#0.0 Set scene.1.bool.1 true"}, {19, "#0.0 Set scene.1.dbl.2 400"}},
     {{"data/3ds/pebble.3ds", ModelBytes(40.0f)}}, 0, nullptr, false},
    {"the script's eye comes near the model",
     {{18, "#0.0 Set scene.1.bool.1 true"}, {19, "#0.0 Fade scene.1.dbl.2 from 400 to 100 time #1.0"}},
     {{"data/3ds/pebble.3ds", ModelBytes(40.0f)}}, 0,
     "data/3ds/pebble.3ds: warning: the model reaches 69.28 units from its origin: drawn 5.00 times as large it "
     "reaches past the camera, which comes within 100.00 units of it where the script places the eye. About 0.5 "
     "units fills the picture's height: model-info --fit FITTED.3ds data/3ds/pebble.3ds writes a copy centred and "
     "scaled to that",
     false},

    // Music.
    {"the music is missing", {{18, "LoadMusic gone.ogg 125 4"}}, {}, 1,
     "data/script.txt:18: error: cannot open the music gone.ogg: No such file or directory", false},
    {"an event after the music ends",
     {{18, "LoadMusic short.wav 125 4"}, {19, "#1.2 Set scene.3.bool.3 true"}},
     {{"short.wav", WavBytes(1.0)}}, 0,
     "data/script.txt:19: warning: this comes at =2880, after the music ends (=1000)", false},
    {"the music is not music", {{18, "LoadMusic notes.ogg 125 4"}}, {{"notes.ogg", Bytes("la la la\n")}}, 1,
     "data/script.txt:18: error: cannot open the music notes.ogg: it is not in an audio format that plays (OGG, "
     "MP3, WAV or FLAC)",
     false},

    // Lines the show refuses, and lines it takes that are probably mistakes.
    {"a syntax error", {{18, "#1.0 set scene.3.bool.3 true"}}, {}, 1,
     "data/script.txt:18: error: Syntax error: 'set' is written Set", true},
    {"a bool that is neither true nor false", {{18, "#1.0 Set scene.3.bool.3 yes"}}, {}, 0,
     "data/script.txt:18: warning: 'yes' is neither true nor false, so it reads as false", false},
    {"a variable inside a word", {{18, "#1.0 Set scene.2.RUNN"}}, {}, 0,
     "data/script.txt:18: warning: the variable RUN is replaced inside the word 'RUNN', by 'bool.0 true'", false},
    {"a parameter no effect reads", {{18, "#1.0 Set scene.0.dbl.3 1"}}, {}, 0,
     "data/script.txt:18: warning: no effect reads scene.0.dbl.3: the render-target effect reads bool.0", false},
    {"a Goto left in", {{18, "Goto #1.0"}}, {}, 0,
     "data/script.txt:18: warning: Goto starts the show at =1920 instead of at its beginning: remove it when the "
     "show is done",
     false},
    {"a pattern no line defines", {{16, "#0.0 UsePattern 5"}}, {}, 0,
     "data/script.txt:16: warning: pattern 5 is not defined: no DefinePattern line fills it, so it plays nothing",
     false},
    {"an event after the End", {{18, "#3.0 Set scene.1.bool.1 true"}}, {}, 0,
     "data/script.txt:18: warning: this comes at =5760, at or after the End (=3840, line 17), so it never happens",
     false},
    {"an End at 0", {{17, "End =0"}}, {}, 0,
     "data/script.txt:17: warning: the End is at =0, so the show ends as soon as it starts: write End #BAR.BEAT, "
     "as in End #16.0",
     false},
    {"a .bmp name", {{7, "LoadImage pic4 pic4.bmp"}}, {}, 0,
     "data/script.txt:7: warning: data/png/pic4.bmp is read from data/png/pic4.png: the show reads only PNG pictures",
     false},
};

TEST(BrokenShows, DemoCheckAndTheShowsStartSayTheSame) {
    for (const BrokenShow& show : kBrokenShows) {
        SCOPED_TRACE(show.what);
        const ShowFolder folder(show);
        const ToolRun check = RunTool("cd '" + folder.Root().string() + "' && '" DEMO_CHECK_PROGRAM "'");
        const Lines findings = SplitLines(check.err);
        EXPECT_EQ(check.status, show.status) << check.err;
        if (show.finding) {
            EXPECT_TRUE(Holds(findings, show.finding)) << check.err;
        } else {
            EXPECT_EQ(check.err, "");
        }

        const StartUp startUp = StartTheShow(folder.Root());
        EXPECT_EQ(startUp.result != 0, show.startFails) << startUp.initProblem;
        // The run loop ends a failed start with a box of its own.
        const std::string lastBox = startUp.result != 0 ? RunResultMessage(run_result::kInitFailed) : "";
        EXPECT_EQ(startUp.boxes + lastBox + (lastBox.empty() ? "" : "\n"), check.out);
        if (startUp.result != 0 && !startUp.initProblem.empty() &&
            startUp.initProblem.find(" has errors") == std::string::npos) {
            EXPECT_TRUE(Holds(findings, "data/script.txt: error: " + startUp.initProblem)) << check.err;
        }
        for (const std::string& line : startUp.problemLines) EXPECT_TRUE(Holds(findings, line)) << line;
    }
}

// --strict makes a warning fail the check, unless the script acknowledges
// it: `// check: allow WORD` at the end of its line, or on a line of its own
// for the whole show. An acknowledgement that meets no warning is one.
TEST(BrokenShows, StrictFailsOnWarningsThatTheScriptDoesNotAcknowledge) {
    const struct {
        std::vector<std::pair<int, const char*>> lines;
        int strictStatus;
        std::vector<const char*> findings;  // demo-check's whole standard error
    } cases[] = {
        {{{18, "#1.0 Set scene.1.dbl.2 eight"}},
         1,
         {"data/script.txt:18: warning: 'eight' is not a number, so it reads as 0"}},
        {{{18, "#1.0 Set scene.1.dbl.2 eight // check: allow number"}}, 0, {}},
        {{{18, "// check: allow number, end"}, {19, "#1.0 Set scene.1.dbl.2 eight"}}, 1,
         {"data/script.txt:18: warning: check: allow end meets no such warning in the show"}},
        {{{18, "#1.0 Set scene.1.dbl.2 0.5 // check: allow bool sometimes"}},
         1,
         {"data/script.txt:18: warning: 'sometimes' names no kind of warning: check: allow takes number, bool, time, "
          "words, variable, define, prefix, never, value, trig, fade, pattern, repeat, tempo, drift, slot, late, "
          "goto, end, idle, picture, music, model, loading",
          "data/script.txt:18: warning: check: allow bool meets no such warning on this line"}},
    };
    for (const auto& c : cases) {
        const BrokenShow show{"a warning", c.lines, {}, 0, nullptr, false};
        SCOPED_TRACE(c.lines.back().second);
        const ShowFolder folder(show);
        const std::string command = "cd '" + folder.Root().string() + "' && '" DEMO_CHECK_PROGRAM "'";
        EXPECT_EQ(RunTool(command).status, 0);
        const ToolRun strict = RunTool(command + " --strict");
        EXPECT_EQ(strict.status, c.strictStatus);
        std::string expected;
        for (const char* finding : c.findings) expected += std::string(finding) + "\n";
        EXPECT_EQ(strict.err, expected);
    }
}

}  // namespace
