// libFuzzer target for the PNG layer: arbitrary bytes are decoded as a
// picture file in both row orders, through the file reader and through the
// memory reader, and a decoded picture then goes through the CPU side of
// its upload: resampling to power-of-two sides and halving down to 1 x 1.
//
// Besides sanitizer reports, a finding is a decode that claims success with
// pixels that do not match its own description, or two readers that
// disagree about the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "FuzzInput.h"
#include "textures/PngDecode.h"
#include "textures/TextureLevels.h"

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Pictures up to this many pixels also go through the mipmap arithmetic;
// larger ones are valid but would only slow the fuzzing down.
constexpr uint64_t kMaxLevelPixels = uint64_t{1} << 20;
// The GL's largest texture on llvmpipe.
constexpr int32_t kMaxTextureSize = 16384;

void CheckShape(const PngPixels& pixels) {
    const PngInfo& info = pixels.info;
    if (!pixels.data) Finding("success without pixels");
    if (pixels.channels != (info.hasAlpha ? 4 : 3)) Finding("channels do not match the alpha flag");
    if (info.width < 1 || info.height < 1) Finding("success with an empty picture");
    if (uint64_t(info.width) * uint64_t(info.height) > kMaxPngPixels) Finding("picture above the limit");
    const int32_t depth = info.bitDepth;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) Finding("odd bit depth");
}

void MakeLevels(const PngPixels& pixels) {
    const uint64_t count = uint64_t(pixels.info.width) * uint64_t(pixels.info.height);
    if (count > kMaxLevelPixels) return;
    int32_t width = PowerOfTwoTextureSide(pixels.info.width, kMaxTextureSize);
    int32_t height = PowerOfTwoTextureSide(pixels.info.height, kMaxTextureSize);
    if (width < pixels.info.width || height < pixels.info.height) Finding("texture side too small");
    const size_t size = size_t(width) * size_t(height) * size_t(pixels.channels);
    std::unique_ptr<uint8_t[]> levels(new uint8_t[size]);
    if (!ResamplePixels(pixels.data.get(), pixels.info.width, pixels.info.height, pixels.channels,
                        levels.get(), width, height)) {
        Finding("resampling refused a decoded picture");
    }
    while (width > 1 || height > 1) HalvePixelsInPlace(levels.get(), &width, &height, pixels.channels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzInputFile file;
    const char* path = file.Hold(data, size);

    PngPixels fromFile;
    const bool fileDecoded =
        DecodePngFile(path, PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &fromFile);
    PngPixels fromMemory;
    const bool memoryDecoded =
        DecodePngMemory(data, size, PngAlphaMode::FromFile, PngRowOrder::BottomRowFirst, &fromMemory);
    if (fileDecoded != memoryDecoded) Finding("file and memory readers disagree");
    if (!fileDecoded) {
        if (fromFile.data || fromMemory.data) Finding("failure with pixels");
        return 0;
    }
    CheckShape(fromFile);
    CheckShape(fromMemory);
    if (fromFile.info.width != fromMemory.info.width || fromFile.info.height != fromMemory.info.height ||
        fromFile.channels != fromMemory.channels) {
        Finding("file and memory readers disagree on the picture");
    }
    // The same rows, one order turned over.
    const size_t row = fromFile.RowBytes();
    const int32_t height = fromFile.info.height;
    for (int32_t y = 0; y < height; ++y) {
        if (std::memcmp(fromFile.data.get() + size_t(y) * row,
                        fromMemory.data.get() + size_t(height - 1 - y) * row, row) != 0) {
            Finding("row orders hold different rows");
        }
    }
    MakeLevels(fromFile);
    return 0;
}
