// The PNG reader on real files: every colour type, bit depth, transparency
// and interlacing must give the pixels that an independent decoder
// (stb_image) reads, and broken files must fail cleanly. Pixels are compared
// top row first; the bottom-row-first order the show uploads in is turned
// over.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "support/PngBytes.h"
#include "textures/PngDecode.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path kData = "data/png";

std::vector<fs::path> PngFilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kData / folder)) {
        if (entry.path().extension() == ".png") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

Bytes ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A scratch file, removed when the test ends.
struct ScratchFile {
    std::string path =
        (fs::temp_directory_path() / ("png_decode_" + std::to_string(getpid()) + ".png")).string();
    ~ScratchFile() { fs::remove(path); }
    const char* Write(const Bytes& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path.c_str();
    }
};

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// `damaged` with the CRC of each chunk of `original` recomputed over the
// same bytes, so that only the damage itself can be noticed.
Bytes WithChunkCrcsOf(const Bytes& original, Bytes damaged) {
    for (size_t chunk = 8; chunk + 12 <= original.size();) {
        const uint32_t length = BigEndian32(&original[chunk]);
        if (chunk + 12 + length > original.size()) break;
        const uLong crc = crc32(0, damaged.data() + chunk + 4, uInt(length + 4));
        for (int i = 0; i < 4; ++i) damaged[chunk + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
        chunk += 12 + length;
    }
    return damaged;
}

// Whether the file's gAMA chunk says its samples are linear (gamma 1.0).
bool TaggedLinear(const Bytes& file) {
    for (size_t chunk = 8; chunk + 12 <= file.size();) {
        const uint32_t length = BigEndian32(&file[chunk]);
        if (std::memcmp(&file[chunk + 4], "gAMA", 4) == 0 && length == 4) {
            return BigEndian32(&file[chunk + 8]) == 100000;
        }
        chunk += 12 + size_t(length);
    }
    return false;
}

// A PNG file of one row of `samples` (`bitDepth` 8 or 16 bits each, colour
// type `colourType`) that says nothing about its gamma.
Bytes UntaggedPng(uint8_t bitDepth, uint8_t colourType, uint32_t width,
                  const std::vector<uint16_t>& samples) {
    Bytes row;
    for (const uint16_t sample : samples) {
        if (bitDepth == 16) row.push_back(uint8_t(sample >> 8));
        row.push_back(uint8_t(sample));
    }
    return PngWithOneRow(width, 1, bitDepth, colourType, row);
}

// Decoded pixels as RGBA, top row first (opaque when there is no alpha).
Bytes TopDownRgba(const PngPixels& pixels) {
    Bytes rgba;
    for (int32_t row = 0; row < pixels.info.height; ++row) {
        const int32_t stored =
            pixels.rowOrder == PngRowOrder::TopRowFirst ? row : pixels.info.height - 1 - row;
        const uint8_t* in = pixels.data.get() + stored * pixels.RowBytes();
        for (int32_t x = 0; x < pixels.info.width; ++x, in += pixels.channels) {
            rgba.insert(rgba.end(), in, in + 3);
            rgba.push_back(pixels.channels == 4 ? in[3] : 255);
        }
    }
    return rgba;
}

// What the decoder must make of a file, from stb_image, which reads every
// sample at 16 bits and knows nothing of gamma: each sample scaled to 8
// bits, and the colour of a file tagged linear encoded with gamma 1/2.2, as
// libpng does for the display.
struct Reference {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    Bytes rgba;  // top row first; empty when stb_image cannot read the file
};

Reference ReadReference(const fs::path& file) {
    Reference reference;
    int fileChannels = 0;
    stbi_us* samples =
        stbi_load_16(file.string().c_str(), &reference.width, &reference.height, &fileChannels, 4);
    if (samples == nullptr) return reference;
    const bool linear = TaggedLinear(ReadBytes(file));
    reference.hasAlpha = fileChannels == 2 || fileChannels == 4;
    const size_t count = size_t(reference.width) * size_t(reference.height) * 4;
    for (size_t i = 0; i < count; ++i) {
        double value = samples[i] / 65535.0;
        if (linear && i % 4 != 3) value = std::pow(value, 1.0 / 2.2);
        reference.rgba.push_back(uint8_t(std::lround(value * 255.0)));
    }
    stbi_image_free(samples);
    return reference;
}

// libpng's simplified reader (1.6.39) gets the even rows of these
// interlaced 16-bit files wrong (libpng issue 853 on GitHub); only their
// size and alpha are checked until it is fixed.
const std::set<std::string> kMisreadByLibpng = {"ibasn0g16.png", "ibasn2c16.png", "ibasn4a16.png",
                                                "ibasn6a16.png", "iftbwn0g16.png"};

enum class Check { SizeAndPixels, SizeOnly };

// Decodes `file` in both row orders, from the file and from its bytes in
// memory, and when it decodes checks size and alpha against the reference,
// and the pixels too, within 2 of 255 for libpng's rounding. Returns
// whether it decoded.
bool DecodesLikeReference(const fs::path& file, Check check = Check::SizeAndPixels) {
    SCOPED_TRACE(file.string());
    const Bytes bytes = ReadBytes(file);
    bool decoded = false;
    for (const PngRowOrder order : {PngRowOrder::TopRowFirst, PngRowOrder::BottomRowFirst}) {
        PngPixels pixels;
        decoded = DecodePngFile(file.string().c_str(), PngAlphaMode::FromFile, order, &pixels);
        PngPixels fromMemory;
        EXPECT_EQ(DecodePngMemory(bytes.data(), bytes.size(), PngAlphaMode::FromFile, order,
                                  &fromMemory),
                  decoded);
        if (!decoded) {
            EXPECT_EQ(pixels.data, nullptr);
            continue;
        }
        EXPECT_EQ(fromMemory.info.width, pixels.info.width);
        EXPECT_EQ(fromMemory.info.bitDepth, pixels.info.bitDepth);
        EXPECT_TRUE(TopDownRgba(fromMemory) == TopDownRgba(pixels));
        const Reference reference = ReadReference(file);
        EXPECT_EQ(pixels.info.width, reference.width);
        EXPECT_EQ(pixels.info.height, reference.height);
        EXPECT_EQ(pixels.info.hasAlpha, reference.hasAlpha);
        EXPECT_EQ(pixels.channels, pixels.info.hasAlpha ? 4 : 3);
        if (check == Check::SizeOnly || kMisreadByLibpng.count(file.filename().string()) != 0) {
            continue;
        }
        const Bytes rgba = TopDownRgba(pixels);
        EXPECT_EQ(rgba.size(), reference.rgba.size());
        size_t far = 0;
        for (size_t i = 0; i < std::min(rgba.size(), reference.rgba.size()); ++i) {
            if (std::abs(int(rgba[i]) - int(reference.rgba[i])) > 2) ++far;
        }
        EXPECT_EQ(far, 0u);
    }
    return decoded;
}

}  // namespace

TEST(PngDecode, EveryGoodFileGivesTheReferencePixelsInBothRowOrders) {
    const auto suite = PngFilesIn("pngsuite");
    EXPECT_EQ(suite.size(), 60u);
    for (const auto& file : suite) EXPECT_TRUE(DecodesLikeReference(file)) << file;
}

TEST(PngDecode, CrashersFailCleanlyOrReadLikeTheReference) {
    const auto crashers = PngFilesIn("crashers");
    EXPECT_EQ(crashers.size(), 23u);
    for (const auto& file : crashers) DecodesLikeReference(file);
}

TEST(PngDecode, PaletteIndicesBeyondThePaletteDecode) {
    // stb_image leaves such pixels undefined, so only the sizes compare.
    const auto palettes = PngFilesIn("badpal");
    EXPECT_EQ(palettes.size(), 9u);
    for (const auto& file : palettes) EXPECT_TRUE(DecodesLikeReference(file, Check::SizeOnly));
}

TEST(PngDecode, SamplesWithoutGammaInformationKeepTheirValueAtEveryBitDepth) {
    // Untagged samples are taken as they are, so 16 bits give what the
    // same picture gives in 8: 0x8000 is 128, not the 186 of a linear
    // reading.
    struct Case {
        uint8_t bitDepth, colourType;
        uint32_t width;
        std::vector<uint16_t> samples;
        Bytes rgb;
    };
    const Case cases[] = {
        {8, 0, 3, {128, 64, 255}, {128, 128, 128, 64, 64, 64, 255, 255, 255}},
        {16, 0, 3, {0x8000, 0x4000, 0xFFFF}, {128, 128, 128, 64, 64, 64, 255, 255, 255}},
        {16, 2, 1, {0x8000, 0x4000, 0}, {128, 64, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.bitDepth));
        const Bytes file = UntaggedPng(c.bitDepth, c.colourType, c.width, c.samples);
        PngPixels pixels;
        ASSERT_TRUE(DecodePngMemory(file.data(), file.size(), PngAlphaMode::FromFile,
                                    PngRowOrder::TopRowFirst, &pixels));
        ASSERT_EQ(pixels.channels, 3);
        EXPECT_EQ(Bytes(pixels.data.get(), pixels.data.get() + pixels.SizeInBytes()), c.rgb);
    }
}

TEST(PngDecode, InfoRecordGivesTheBitDepthOfTheFile) {
    // Size and alpha are checked against the reference above.
    const std::pair<const char*, int32_t> cases[] = {
        {"pngsuite/basn0g01.png", 1},  {"pngsuite/basn0g16.png", 16},
        {"pngsuite/basn3p04.png", 4},  {"pngsuite/basn6a16.png", 16},
        {"pngsuite/ftbbn3p08.png", 8}, {"badpal/small-palette-1.png", 1},
    };
    for (const auto& [file, bitDepth] : cases) {
        PngPixels pixels;
        EXPECT_TRUE(DecodePngFile((kData / file).string().c_str(), PngAlphaMode::FromFile,
                                  PngRowOrder::BottomRowFirst, &pixels));
        EXPECT_EQ(pixels.info.bitDepth, bitDepth) << file;
    }
}

TEST(PngDecode, MissingAndCutShortFilesFailWithWhatWasKnown) {
    PngPixels pixels;
    EXPECT_FALSE(DecodePngFile("data/png/no-such-file.png", PngAlphaMode::FromFile,
                               PngRowOrder::TopRowFirst, &pixels));
    EXPECT_EQ(pixels.info.width, 0);
    EXPECT_EQ(pixels.info.height, 0);
    EXPECT_EQ(pixels.info.bitDepth, 0);
    EXPECT_FALSE(DecodePngFile(nullptr, PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &pixels));

    // Every cut of a file fails, except a cut in the closing IEND chunk: the
    // whole picture is there, and it reads as the whole file does. The info
    // is all zero until the chunks before the image data are through.
    const fs::path file = kData / "pngsuite/basn6a08.png";
    ASSERT_TRUE(DecodePngFile(file.string().c_str(), PngAlphaMode::FromFile,
                              PngRowOrder::TopRowFirst, &pixels));
    const Bytes wholePicture = TopDownRgba(pixels);
    const Bytes whole = ReadBytes(file);
    const char kImageData[] = "IDAT";
    const size_t headersEnd =
        size_t(std::search(whole.begin(), whole.end(), kImageData, kImageData + 4) -
               whole.begin()) +
        4;
    ScratchFile scratch;
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        const char* cut = scratch.Write(Bytes(whole.begin(), whole.begin() + long(length)));
        if (DecodePngFile(cut, PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &pixels)) {
            EXPECT_GE(length, whole.size() - 12);
            EXPECT_TRUE(TopDownRgba(pixels) == wholePicture);
            continue;
        }
        EXPECT_EQ(pixels.data, nullptr);
        EXPECT_EQ(pixels.info.width, length >= headersEnd ? 32 : 0);
        EXPECT_EQ(pixels.info.height, length >= headersEnd ? 32 : 0);
        EXPECT_EQ(pixels.info.bitDepth, length >= headersEnd ? 8 : 0);
    }
}

TEST(PngDecode, CorruptionWithValidChecksumsFailsCleanlyOrReadsSafely) {
    // Flipping bits only breaks a chunk's CRC; recomputing it lets the
    // damage reach the header checks and the decompressor.
    ScratchFile scratch;
    for (const char* name : {"pngsuite/basn3p04.png", "pngsuite/ibasn2c08.png"}) {
        const Bytes whole = ReadBytes(kData / name);
        for (size_t at = 8; at < whole.size(); ++at) {
            Bytes damaged = whole;
            damaged[at] ^= 0x5A;
            PngPixels pixels;
            if (DecodePngFile(scratch.Write(WithChunkCrcsOf(whole, damaged)),
                              PngAlphaMode::FromFile, PngRowOrder::BottomRowFirst, &pixels)) {
                EXPECT_NE(pixels.data, nullptr) << name << " @" << at;
                EXPECT_LE(uint64_t(pixels.info.width) * uint64_t(pixels.info.height),
                          kMaxPngPixels);
            } else {
                EXPECT_EQ(pixels.data, nullptr) << name << " @" << at;
            }
        }
    }
}
