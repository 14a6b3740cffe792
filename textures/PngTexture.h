// PNG pictures as OpenGL textures.
//
// Decoding turns a PNG file of any colour type, bit depth or interlacing
// into packed 8-bit RGB or RGBA pixels, with no GL involved. Uploading puts
// such pixels into the texture bound to GL_TEXTURE_2D: each side at the next
// power of two (no larger than the GL allows), with a complete mipmap chain.
// LoadPngIntoBoundTexture does both, the way picture textures are loaded.
//
// A missing, truncated or corrupt file is a failure; nothing is uploaded
// then, and the information record keeps what was read before the failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// What was learnt about a picture. All zero when nothing could be read.
struct PngInfo {
    int32_t width = 0;      // the picture's own width in pixels
    int32_t height = 0;     // the picture's own height in pixels
    int32_t bitDepth = 0;   // bits per sample in the file: 1, 2, 4, 8 or 16 (palette: per index)
    bool hasAlpha = false;  // the pixels, and so the texture, carry an alpha channel
};

// How the mipmap levels are made. The values are the ones picture loading
// passes.
enum class PngMipmapMode : int32_t {
    // Build every level down to 1 x 1 here and upload them all.
    BuildFullChain = -1,
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
// libpng's gamma handling; greyscale becomes RGB. Returns false when the file
// cannot be read or is not a valid PNG, or when the picture is larger than
// kMaxPngPixels or the file than kMaxPngFileBytes; `pixels` then holds no
// data. Its info is filled once the chunks before the image data have been
// read and checked, so a failure later keeps the header's values, and one
// earlier leaves all zero. A file cut short after its image data still reads.
bool DecodePngFile(const char* fileName, PngAlphaMode alphaMode, PngRowOrder rowOrder,
                   PngPixels* pixels);

// Decodes the PNG file held in `fileData` (`fileSize` bytes) as DecodePngFile
// decodes a file with those bytes.
bool DecodePngMemory(const uint8_t* fileData, size_t fileSize, PngAlphaMode alphaMode,
                     PngRowOrder rowOrder, PngPixels* pixels);

// Uploads `pixels` into the texture bound to GL_TEXTURE_2D, levels 0 to the
// 1 x 1 level, as GL_RGB8 or GL_RGBA8. A side that is not a power of two is
// resampled to the next one (see TextureLevels.h). Takes the pixels, whose
// buffer it reuses for the smaller levels. Returns false, uploading nothing,
// when there are no pixels, the mode is unknown or memory runs out. Needs a
// current GL context; leaves the client pixel-store settings as it found them.
bool UploadPngPixelsToBoundTexture(PngPixels pixels, PngMipmapMode mipmapMode);

// The row orientation that LoadPngIntoBoundTexture uploads in. On: the
// picture's top row lies at t = 1 and its bottom row at t = 0, so a quad
// with t rising upward shows it upright. Off (the start-up setting): rows go
// up in the file's order, top row at t = 0. The setting is global.
void SetPngStandardOrientation(bool on);
bool PngStandardOrientation();

// Decodes `fileName` and uploads it into the texture bound to GL_TEXTURE_2D,
// in the orientation set above. Fills `info` (when not null) even on
// failure, with what was known, as DecodePngFile does: all zero for a
// missing file. Returns false, with nothing uploaded, on any failure.
bool LoadPngIntoBoundTexture(const char* fileName, PngMipmapMode mipmapMode, PngAlphaMode alphaMode,
                             PngInfo* info);
