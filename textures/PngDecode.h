// Decoding PNG pictures: a PNG file of any colour type, bit depth or
// interlacing becomes packed 8-bit RGB or RGBA pixels, with no GL involved
// (textures/gl/PngUpload.h puts them into a texture).
//
// A missing, truncated or corrupt file is a failure; the information record
// then keeps what was read before the failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// What was learnt about a picture. All zero when nothing could be read.
struct PngInfo {
    int32_t width = 0;      // the picture's own width in pixels
    int32_t height = 0;     // the picture's own height in pixels
    int32_t bitDepth = 0;   // bits per sample in the file: 1, 2, 4, 8 or 16 (palette: per index)
    bool hasAlpha = false;  // the pixels, and so the texture, carry an alpha channel
};

// Which channels the texture gets. The values are the ones picture loading
// passes.
enum class PngAlphaMode : int32_t {
    // RGBA when the file has an alpha channel or a transparent colour
    // (tRNS), RGB otherwise.
    FromFile = -2,
};

// Where the picture's rows lie in a pixel buffer.
enum class PngRowOrder {
    TopRowFirst,     // the file's order
    BottomRowFirst,  // GL's order: the picture's top row ends up at t = 1
};

// A decoded picture: width * height pixels of `channels` bytes each, rows
// packed without padding, in `rowOrder`.
struct PngPixels {
    PngInfo info;
    int32_t channels = 0;  // 3 (RGB) or 4 (RGBA); 0 when there are no pixels
    PngRowOrder rowOrder = PngRowOrder::TopRowFirst;
    std::unique_ptr<uint8_t[]> data;

    size_t RowBytes() const;
    size_t SizeInBytes() const;
};

// The largest picture, in pixels, that decoding accepts (16384 x 16384):
// anything larger cannot become a texture and would only tie up memory.
constexpr uint64_t kMaxPngPixels = uint64_t{1} << 28;
// The largest file that decoding reads, which it reads whole.
constexpr uint64_t kMaxPngFileBytes = uint64_t{1} << 30;

// Decodes `fileName` into `pixels`. Colour is converted to 8-bit sRGB with
// libpng's gamma handling, where samples without gamma information count as
// sRGB at every bit depth (16-bit 0x8000 gives 128); greyscale becomes RGB. Returns false when the file
// cannot be read or is not a valid PNG, or when the picture is larger than
// kMaxPngPixels or the file than kMaxPngFileBytes; `pixels` then holds no
// data. Its info is filled once the chunks before the image data have been
// read and checked, so a failure later keeps the header's values, and one
// earlier leaves all zero. A file cut short after its image data still reads.
bool DecodePngFile(const char* fileName, PngAlphaMode alphaMode, PngRowOrder rowOrder,
                   PngPixels* pixels);

// Decodes the PNG file open for reading as `file`, from its first byte, as
// DecodePngFile decodes a file. The file stays open.
bool DecodePngOpenFile(std::FILE* file, PngAlphaMode alphaMode, PngRowOrder rowOrder,
                       PngPixels* pixels);

// Decodes the PNG file held in `fileData` (`fileSize` bytes) as DecodePngFile
// decodes a file with those bytes.
bool DecodePngMemory(const uint8_t* fileData, size_t fileSize, PngAlphaMode alphaMode,
                     PngRowOrder rowOrder, PngPixels* pixels);
