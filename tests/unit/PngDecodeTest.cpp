// The PNG reader on real files: every colour type, bit depth, transparency
// and interlacing must give the pixels that libpng's own simplified reader
// gives, and broken files must fail cleanly. Pixels are compared top row
// first; the bottom-row-first order the show uploads in is turned over.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
    fs::path path = fs::temp_directory_path() / ("png_decode_" + std::to_string(getpid()) + ".png");
    ~ScratchFile() { fs::remove(path); }
    const char* Write(const Bytes& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path.c_str();
    }
};

// `damaged` with the CRC of each chunk of `original` recomputed over the
// same bytes, so that only the damage itself can be noticed.
Bytes WithChunkCrcsOf(const Bytes& original, Bytes damaged) {
    for (size_t chunk = 8; chunk + 12 <= original.size();) {
        const uint32_t length = uint32_t(original[chunk]) << 24 | original[chunk + 1] << 16 |
                                original[chunk + 2] << 8 | original[chunk + 3];
        if (chunk + 12 + length > original.size()) break;
        const uLong crc = crc32(0, damaged.data() + chunk + 4, uInt(length + 4));
        for (int i = 0; i < 4; ++i) damaged[chunk + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
        chunk += 12 + length;
    }
    return damaged;
}

// libpng's simplified reader: RGBA, top row first; empty when it fails.
// `image` keeps the file's own format.
Bytes ReadWithLibpng(const fs::path& file, png_image* image) {
    std::memset(image, 0, sizeof *image);
    image->version = PNG_IMAGE_VERSION;
    Bytes rgba;
    if (png_image_begin_read_from_file(image, file.c_str())) {
        const png_uint_32 fileFormat = image->format;
        image->format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(*image));
        if (!png_image_finish_read(image, nullptr, rgba.data(), 0, nullptr)) rgba.clear();
        image->format = fileFormat;
    }
    png_image_free(image);
    return rgba;
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

// Decodes `file` in both row orders and, when it decodes, checks size,
// alpha and pixels against libpng's reader. The file's bytes decoded from
// memory must give the same result. Returns whether it decoded.
bool DecodesLikeLibpng(const fs::path& file) {
    SCOPED_TRACE(file.string());
    const Bytes bytes = ReadBytes(file);
    bool decoded = false;
    for (const PngRowOrder order : {PngRowOrder::TopRowFirst, PngRowOrder::BottomRowFirst}) {
        PngPixels pixels;
        decoded = DecodePngFile(file.c_str(), PngAlphaMode::FromFile, order, &pixels);
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
        png_image image;
        const Bytes expected = ReadWithLibpng(file, &image);
        EXPECT_EQ(pixels.info.width, int32_t(image.width));
        EXPECT_EQ(pixels.info.height, int32_t(image.height));
        EXPECT_EQ(pixels.info.hasAlpha, (image.format & PNG_FORMAT_FLAG_ALPHA) != 0);
        EXPECT_EQ(pixels.channels, pixels.info.hasAlpha ? 4 : 3);
        EXPECT_FALSE(expected.empty());
        EXPECT_TRUE(TopDownRgba(pixels) == expected);
    }
    return decoded;
}

}  // namespace

TEST(PngDecode, EveryGoodFileGivesLibpngsPixelsInBothRowOrders) {
    const auto suite = PngFilesIn("pngsuite");
    const auto palettes = PngFilesIn("badpal");
    EXPECT_EQ(suite.size() + palettes.size(), 69u);
    for (const auto& file : suite) EXPECT_TRUE(DecodesLikeLibpng(file)) << file;
    for (const auto& file : palettes) EXPECT_TRUE(DecodesLikeLibpng(file)) << file;
}

TEST(PngDecode, CrashersFailCleanlyOrReadLikeLibpng) {
    const auto crashers = PngFilesIn("crashers");
    EXPECT_EQ(crashers.size(), 23u);
    for (const auto& file : crashers) DecodesLikeLibpng(file);
}

TEST(PngDecode, InfoRecordGivesSizeBitDepthAndAlphaOfTheFile) {
    struct Case {
        const char* file;
        int32_t width, height, bitDepth;
        bool hasAlpha;
    };
    const Case cases[] = {
        {"pngsuite/basn0g01.png", 32, 32, 1, false},
        {"pngsuite/basn0g16.png", 32, 32, 16, false},
        {"pngsuite/basn3p04.png", 32, 32, 4, false},
        {"pngsuite/basn6a16.png", 32, 32, 16, true},
        {"pngsuite/ftbbn0g04.png", 32, 32, 4, true},
        {"pngsuite/ftbbn3p08.png", 32, 32, 8, true},
        {"badpal/small-palette-1.png", 2, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PngPixels pixels;
        EXPECT_TRUE(DecodePngFile((kData / c.file).c_str(), PngAlphaMode::FromFile,
                                  PngRowOrder::BottomRowFirst, &pixels));
        EXPECT_EQ(pixels.info.width, c.width);
        EXPECT_EQ(pixels.info.height, c.height);
        EXPECT_EQ(pixels.info.bitDepth, c.bitDepth);
        EXPECT_EQ(pixels.info.hasAlpha, c.hasAlpha);
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
    ASSERT_TRUE(
        DecodePngFile(file.c_str(), PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &pixels));
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
