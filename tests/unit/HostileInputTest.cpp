// What a show author can get wrong on a large scale: a huge script, a script
// line of thousands of variables, pictures that are no pictures or claim an
// absurd size, and a model whose counts promise data that is not there.
// Each has one clear outcome, reached without reading or setting aside more
// than the input really holds. Text from the files reaches a terminal and
// XML only in a form they take as text.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "demo/LoadingView.h"
#include "model/Model.h"
#include "platform/ConsoleText.h"
#include "platform/PartialFile.h"
#include "platform/Utf8Text.h"
#include "script/ScriptEngine.h"
#include "support/ChunkWriter.h"
#include "support/Doubles.h"
#include "support/ModelInvariants.h"
#include "support/PngBytes.h"
#include "textures/PictureFile.h"
#include "textures/TextureRegistry.h"
#include "textures/gl/PngUpload.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

// --- Scripts ----------------------------------------------------------------

class CountingLoadingView : public LoadingView {
public:
    bool Load(const char*) override { return true; }
    void FadeIn() override {}
    void FadeOut() override {}
    void Tick() override { ++ticks; }
    void Finish() override { ticksAtFinish.push_back(ticks); }
    int ticks = 0;
    std::vector<int> ticksAtFinish;
};

class HostileScript : public ::testing::Test {
protected:
    bool Load(const std::string& text) {
        TempScript script(text);
        engine->SetLoadingScreen(&view);
        return engine->Load(script.Path(), &registry);
    }

    RecordingMessageBoxes boxes;
    RecordingMusicPlayer music;
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
    CountingLoadingView view;
    std::unique_ptr<ScriptEngine> engine = std::make_unique<ScriptEngine>(boxes, music);
};

TEST_F(HostileScript, AHundredThousandEventLinesKeepTheFirstThousandAndSayItOnce) {
    constexpr int kLines = 100000;
    std::string text;
    text.reserve(kLines * 32);
    for (int i = 0; i < kLines; ++i) {
        char line[64];
        text.append(line, size_t(std::snprintf(line, sizeof line, "=%d Set scene.%d.dbl.1 %d\n", i,
                                                i % 64, i)));
    }
    EXPECT_FALSE(Load(text));

    // One box for the whole overflow, naming the first line that did not
    // fit; a box for every later line would keep the author clicking for
    // hours.
    EXPECT_EQ(boxes.Texts(), Texts{"Too many events on line 1001:\n=1000 Set scene.40.dbl.1 1000"});
    ASSERT_EQ(engine->EventCount(), ScriptEngine::kMaxEvents);
    EXPECT_EQ(engine->Event(999).start, 999u);
    EXPECT_EQ(engine->Event(999).value, 999.0);
    // Every line was read, the empty one after the last line end included,
    // and then the end of the script was told once.
    EXPECT_EQ(view.ticks, kLines + 1);
    EXPECT_EQ(view.ticksAtFinish, std::vector<int>{kLines + 1});
    EXPECT_EQ(engine->LineNumber(), kLines + 2);

    // The table plays as usual.
    engine->Start();
    engine->Step(998);
    EXPECT_EQ(engine->GetParams(998 % 64).dblParams[1], 998.0);
    EXPECT_EQ(engine->GetParams(999 % 64).dblParams[1], 999.0 - 64);
}

TEST_F(HostileScript, OtherErrorsAfterAFullTableAreStillEachReported) {
    std::string text;
    for (int i = 0; i < ScriptEngine::kMaxEvents + 2; ++i) text += "=0 DisablePattern\n";
    text += "Frobnicate\n=0 UsePattern 1\n";
    EXPECT_FALSE(Load(text));
    EXPECT_EQ(boxes.Texts(), (Texts{"Too many events on line 1001:\n=0 DisablePattern",
                                    "Syntax error on line 1003:\nFrobnicate"}));
}

TEST_F(HostileScript, AHundredThousandQuietLinesLoad) {
    std::string text = "Define SPOT=scene.2.dbl.3\n";
    for (int i = 0; i < 100000; ++i) text += i % 2 ? "// a remark\n" : "Goto =5\n";
    text += "#1.0 Set SPOT 0.5";
    EXPECT_TRUE(Load(text));
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(engine->EventCount(), 1);
    EXPECT_EQ(engine->Event(0).index, 3);
    EXPECT_EQ(engine->StartPosition(), 5u);
}

TEST_F(HostileScript, ALineOfTenThousandVariablesIsTooLongAndTheNextLineRuns) {
    std::string variables;
    for (int i = 0; i < 10000; ++i) variables += "RUN ";
    EXPECT_FALSE(Load(variables + "\n=7 UsePattern 2\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Line too long on line 1:\n" + variables.substr(0, 255)});
    ASSERT_EQ(engine->EventCount(), 1);
    EXPECT_EQ(engine->Event(0).start, 7u);
}

// Two variables make each short line 57600 bytes long: it runs, and its
// box and findings keep only the start of it, so that many such lines
// cannot fill the memory.
TEST_F(HostileScript, LinesThatVariablesMakeLongKeepOnlyTheirStartInTheirFindings) {
    std::string text = "Define A=" + std::string(240, 'a') + "\nDefine B=" + std::string(240, 'A') + "\n";
    for (int i = 0; i < 1000; ++i) text += "=0 Set B\n";
    EXPECT_FALSE(Load(text));
    ASSERT_EQ(boxes.boxes.size(), 1000u);
    EXPECT_EQ(boxes.boxes[0].text, "Invalid identifier on line 3:\n=0 Set " + std::string(505, 'a') + "...");
}

TEST_F(HostileScript, ThousandsOfDefinedVariablesAllApplyToALine) {
    // Names V0000 to V1999, each standing for one character; the last line
    // uses the first and the last of them. Every line is searched for every
    // name, so loading grows with both counts.
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "V%04d", i);
        text += "Define " + std::string(name) + "=" + std::to_string(i % 10) + "\n";
    }
    text += "=V0003V1999 Set scene.V0001.dbl.V0002 V0007.V0005";
    EXPECT_TRUE(Load(text)) << (boxes.boxes.empty() ? "" : boxes.boxes[0].text);
    EXPECT_EQ(engine->Variable("V1999") ? *engine->Variable("V1999") : "", "9");
    EXPECT_EQ(engine->CurrentLine(), "=39 Set scene.1.dbl.2 7.5");
    ASSERT_EQ(engine->EventCount(), 1);
    EXPECT_EQ(engine->Event(0).start, 39u);
    EXPECT_EQ(engine->Event(0).value, 7.5);
}

// --- Pictures ---------------------------------------------------------------

// Bytes read by this process so far, or -1 where the kernel does not count.
long long BytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
}

// A file in the temporary folder, removed at the end of the test.
class ScratchPicture {
public:
    explicit ScratchPicture(const char* name)
        : path((fs::temp_directory_path() / ("hostile_" + std::to_string(getpid()) + "_" + name))
                   .string()) {}
    ~ScratchPicture() { fs::remove(path); }
    void Write(const Bytes& bytes) const {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    const std::string path;
};

// A well-formed PNG whose header claims `width` x `height` RGBA pixels and
// whose image data holds one row of them.
Bytes PngClaiming(uint32_t width, uint32_t height) {
    return PngWithOneRow(width, height, 8, 6, Bytes(size_t(std::min(width, 1000u)) * 4, 0x7F));
}

TEST(HostilePicture, ATwoGigabyteSparseFileFailsWithoutBeingRead) {
    const Bytes realStart = PngClaiming(64, 64);
    for (const bool pngStart : {false, true}) {
        SCOPED_TRACE(pngStart ? "starts like a PNG" : "all zero");
        ScratchPicture file("sparse.png");
        file.Write(pngStart ? realStart : Bytes{});
        fs::resize_file(file.path, uint64_t{2} << 30);

        const long long readBefore = BytesReadByProcess();
        PngPixels pixels;
        EXPECT_FALSE(DecodePngFile(file.path.c_str(), PngAlphaMode::FromFile,
                                   PngRowOrder::BottomRowFirst, &pixels));
        PngInfo info;
        info.width = 5;
        EXPECT_FALSE(LoadPngIntoBoundTexture(file.path.c_str(), PngMipmapMode::BuildFullChain,
                                             PngAlphaMode::FromFile, &info));
        const long long readAfter = BytesReadByProcess();

        EXPECT_EQ(pixels.data, nullptr);
        EXPECT_EQ(pixels.info.width, 0);
        EXPECT_EQ(info.width, 0);
        EXPECT_EQ(info.height, 0);
        if (readBefore >= 0 && readAfter >= 0) {
            EXPECT_LT(readAfter - readBefore, 1 << 16);
        }
    }
}

TEST(HostilePicture, ALargeFileThatIsNoPngIsRefusedAfterItsFirstBytes) {
    // Below the size limit, but no PNG: only the signature is looked at.
    ScratchPicture file("zeros.png");
    file.Write({});
    fs::resize_file(file.path, uint64_t{512} << 20);
    const long long readBefore = BytesReadByProcess();
    PngPixels pixels;
    EXPECT_FALSE(DecodePngFile(file.path.c_str(), PngAlphaMode::FromFile, PngRowOrder::TopRowFirst,
                               &pixels));
    const long long readAfter = BytesReadByProcess();
    EXPECT_EQ(pixels.info.width, 0);
    if (readBefore >= 0 && readAfter >= 0) {
        EXPECT_LT(readAfter - readBefore, 1 << 16);
    }
}

TEST(HostilePicture, APictureClaimingTenBillionPixelsIsRefusedWithItsSize) {
    const Bytes png = PngClaiming(100000, 100000);
    ScratchPicture file("huge.png");
    file.Write(png);

    PngPixels pixels;
    EXPECT_FALSE(DecodePngFile(file.path.c_str(), PngAlphaMode::FromFile, PngRowOrder::TopRowFirst,
                               &pixels));
    EXPECT_EQ(pixels.data, nullptr);
    EXPECT_EQ(pixels.channels, 0);
    // The header was read: the texture keeps the size the file claims.
    EXPECT_EQ(pixels.info.width, 100000);
    EXPECT_EQ(pixels.info.height, 100000);
    EXPECT_EQ(pixels.info.bitDepth, 8);
    EXPECT_TRUE(pixels.info.hasAlpha);

    PngPixels fromMemory;
    EXPECT_FALSE(DecodePngMemory(png.data(), png.size(), PngAlphaMode::FromFile,
                                 PngRowOrder::BottomRowFirst, &fromMemory));
    EXPECT_EQ(fromMemory.data, nullptr);
    EXPECT_EQ(fromMemory.info.width, 100000);

    // The same file at a size that fits reads its one row and then fails on
    // the missing ones, as a file cut short does.
    const Bytes small = PngClaiming(1000, 2);
    EXPECT_FALSE(DecodePngMemory(small.data(), small.size(), PngAlphaMode::FromFile,
                                 PngRowOrder::TopRowFirst, &fromMemory));
    const Bytes one = PngClaiming(1000, 1);
    EXPECT_TRUE(DecodePngMemory(one.data(), one.size(), PngAlphaMode::FromFile,
                                PngRowOrder::TopRowFirst, &fromMemory));
}

TEST(HostilePicture, EveryFileThatCannotBeAPictureIsTurnedAwayWithItsReason) {
    const Bytes good = PngClaiming(64, 1);
    Bytes badHeaderChecksum = good;
    badHeaderChecksum[29] ^= 1;
    struct Case {
        const char* name;
        Bytes bytes;
        int32_t maxSide;
        const char* reason;  // empty: a picture
        int32_t width, height;  // what the header says
    };
    const Case cases[] = {
        {"good", good, 64, "", 64, 1},
        {"empty", {}, 0, "the file is empty", 0, 0},
        {"jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'}, 0, "it is a JPEG picture", 0, 0},
        {"gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, 0, "it is a GIF picture", 0, 0},
        {"text", {'h', 'e', 'l', 'l', 'o', '\n'}, 0, "it is not a PNG picture", 0, 0},
        {"signature cut", Bytes(good.begin(), good.begin() + 5), 0, "ends after 5 bytes", 0, 0},
        {"header cut", Bytes(good.begin(), good.begin() + 20), 0, "ends after 20 bytes", 0, 0},
        {"header damaged", badHeaderChecksum, 0, "its PNG header is damaged", 0, 0},
        {"wider than allowed", PngClaiming(20000, 10), 16384,
         "20000 x 10 pixels, larger than the 16384 x 16384", 20000, 10},
        {"ten billion pixels", PngClaiming(100000, 100000), 0, "100000 x 100000 pixels, more than",
         100000, 100000},
        {"rows missing", PngClaiming(64, 2), 0, "cut short or damaged", 64, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchPicture file("inspected.png");
        file.Write(c.bytes);
        PictureFile picture(file.path.c_str(), c.maxSide);
        PngPixels pixels;
        EXPECT_EQ(picture.Decode(PngRowOrder::TopRowFirst, &pixels), *c.reason == 0);
        if (*c.reason == 0) {
            EXPECT_EQ(picture.Problem(), "");
        } else {
            EXPECT_EQ(pixels.data, nullptr);
            EXPECT_EQ(picture.Problem().rfind(file.path + ": ", 0), 0u) << picture.Problem();
            EXPECT_NE(picture.Problem().find(c.reason), std::string::npos) << picture.Problem();
        }
        EXPECT_EQ(picture.Header().width, c.width);
        EXPECT_EQ(picture.Header().height, c.height);
    }

    // Files that are no files; a FIFO without a writer must not block.
    const fs::path folder = fs::temp_directory_path();
    const std::string missing = (folder / "no-such-picture.png").string();
    std::vector<std::pair<std::string, std::string>> others = {
        {folder.string(), folder.string() + " is a folder"},
        {missing, "cannot open " + missing + ": No such file or directory"},
    };
#if !defined(_WIN32)
    // Named pipes as POSIX systems have them.
    ScratchPicture fifo("fifo.png");
    ASSERT_EQ(mkfifo(fifo.path.c_str(), 0600), 0);
    others.push_back({fifo.path, fifo.path + " is not a regular file"});
#endif
    for (const auto& [path, reason] : others) {
        PictureFile picture(path.c_str(), 0);
        EXPECT_EQ(picture.Problem().rfind(reason, 0), 0u) << picture.Problem();
    }
}

// --- Text -------------------------------------------------------------------

TEST(HostileText, ControlsAreEscapedForTerminalsAndBadUtf8IsReplacedForXml) {
    const struct {
        std::string text;
        std::string escaped;  // for a terminal, line breaks kept
        std::string valid;    // as XML takes it
    } cases[] = {
        {"plain caf\xC3\xA9 \xE2\x82\xAC\n\tend", "plain caf\xC3\xA9 \xE2\x82\xAC\n\tend",
         "plain caf\xC3\xA9 \xE2\x82\xAC\n\tend"},
        {"\x1b[2J\x7f", "\\x1b[2J\\x7f", "\x1b[2J\x7f"},
        // CSI and OSC as C1 characters, and as the bare bytes of an 8-bit
        // terminal; a Latin-1 letter is shown as it is.
        {"a\xC2\x9B" "2J\xC2\x9D" "0;t\x9B\xE9", "a\\xc2\\x9b2J\\xc2\\x9d0;t\\x9b\xE9",
         "a\xC2\x9B" "2J\xC2\x9D" "0;t\xEF\xBF\xBD\xEF\xBF\xBD"},
        // Non-characters, a surrogate, an overlong slash, a character cut short.
        {"\xEF\xBF\xBE\xEF\xB7\x90\xED\xA0\x80/\xC0\xAF\xE2\x82",
         "\xEF\xBF\xBE\xEF\xB7\x90\xED\xA0\\x80/\xC0\xAF\xE2\\x82",
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EscapeControlCharacters(c.text), c.escaped);
        bool replaced = false;
        EXPECT_EQ(WithValidUtf8(c.text, replaced), c.valid);
        EXPECT_EQ(replaced, c.valid != c.text);
    }
    EXPECT_EQ(EscapeControlCharacters("a\nb\tc", LineBreaks::Escaped), "a\\x0ab\\x09c");
}

// --- Models -----------------------------------------------------------------

// A mesh whose vertex, coordinate, face and face-group counts are all 65535
// with no records behind them. `lyingLengths`: the chunks also claim the
// length that 65535 records would take.
Bytes ModelOfEmptyPromises(bool lyingLengths) {
    ChunkWriter writer;
    writer.Open(0x4D4D).Open(0x3D3D).Open(0x4000).Name("promise").Open(0x4100);
    writer.Open(0x4110).U16(65535).Close();
    writer.Open(0x4140).U16(65535).Close();
    writer.Open(0x4120).U16(65535).Open(0x4130).Name("skin").U16(65535).Close().Close();
    writer.Close().Close().Close().Close();
    Bytes bytes = writer.bytes();
    if (lyingLengths) {
        // Vertex list (after the main, scene, object and mesh headers and
        // the name), then the coordinate list behind it.
        const size_t vertexList = 6 + 6 + 6 + std::strlen("promise") + 1 + 6;
        const auto poke32 = [&](size_t at, uint32_t value) {
            for (int i = 0; i < 4; ++i) bytes[at + 2 + i] = uint8_t(value >> (8 * i));
        };
        poke32(vertexList, 6 + 2 + 65535u * 12);
        poke32(vertexList + 8, 6 + 2 + 65535u * 8);
    }
    return bytes;
}

TEST(HostileModel, CountsOf65535WithNothingBehindThemLoadAnEmptyObject) {
    for (const bool lyingLengths : {false, true}) {
        SCOPED_TRACE(lyingLengths ? "lengths lie too" : "lengths true");
        const Bytes bytes = ModelOfEmptyPromises(lyingLengths);
        Model model;
        model.LoadFromMemory(bytes.data(), bytes.size());
        ASSERT_EQ(model.objectCount, 1);
        EXPECT_EQ(ModelShapeProblem(model), "");
        const ModelObject& object = model.objects[0];
        EXPECT_STREQ(object.name, "promise");
        if (lyingLengths) {
            // The vertex list is cut to its mesh and swallows the chunks
            // behind it: the few whole records they make are all it holds.
            EXPECT_LE(object.vertexCount, int32_t(bytes.size() / 12));
        } else {
            EXPECT_EQ(object.vertexCount, 0);
        }
        // The face list takes its group chunk for records; no triangle
        // names a vertex that exists.
        EXPECT_EQ(object.indexCount, 0);
        for (const FaceGroup& group : object.groups) EXPECT_EQ(group.indexCount, 0);

        // From a file, as the show loads it.
        TempFile file(bytes);
        Model loaded;
        loaded.Load(file.path().c_str());
        ASSERT_EQ(loaded.objectCount, 1);
        EXPECT_EQ(loaded.objects[0].vertexCount, object.vertexCount);
        EXPECT_EQ(loaded.objects[0].indexCount, 0);
        EXPECT_EQ(ModelShapeProblem(loaded), "");
    }
}

}  // namespace

// --- Files written --------------------------------------------------------

#ifndef _WIN32
TEST(HostileFolder, ALinkPlantedAtAPartialFilesNameIsNotWrittenThrough) {
    const fs::path folder = fs::temp_directory_path() / ("partial-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path target = folder / "timeline.svg";
    const fs::path victim = folder / "victim";
    std::ofstream(victim) << "kept";
    const std::string planted = target.string() + ".partial-" + std::to_string(getpid());
    fs::create_symlink(victim, planted);

    std::string path, problem;
    FileHandle file = CreatePartialFile(target.string(), path, problem);
    ASSERT_TRUE(file) << problem;
    EXPECT_EQ(path, planted + "-2");
    std::fputs("new", file.get());
    file.reset();
    std::ifstream kept(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept");
    EXPECT_TRUE(fs::is_symlink(planted));
    fs::remove_all(folder);
}
#endif
