#include "textures/PngDecode.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>


namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// libpng's simplified reader reports errors by return value (it catches its
// own longjmps inside the library), so no jump ever crosses this code. The
// guard frees the reader's state on every way out.
struct PngReader {
    png_image image;
    PngReader() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~PngReader() { png_image_free(&image); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
};

// A whole file in memory.
struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

// Bytes that someone else owns.
struct ByteView {
    const uint8_t* data;
    size_t size;
};

// Reads the open file whole from its start, once its first bytes have
// shown a PNG signature: a large file that is no PNG at all is refused
// before any of its body is read or memory is set aside for it.
bool ReadWholeFile(std::FILE* file, FileBytes* bytes) {
    constexpr size_t kSignatureLength = 8;
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file);
    if (length < static_cast<long>(kSignatureLength) ||
        static_cast<uint64_t>(length) > kMaxPngFileBytes || std::fseek(file, 0, SEEK_SET) != 0) {
        return false;
    }
    png_byte signature[kSignatureLength];
    if (std::fread(signature, 1, kSignatureLength, file) != kSignatureLength ||
        png_sig_cmp(signature, 0, kSignatureLength) != 0) {
        return false;
    }
    bytes->data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
    if (!bytes->data) return false;
    std::memcpy(bytes->data.get(), signature, kSignatureLength);
    bytes->size = kSignatureLength + std::fread(bytes->data.get() + kSignatureLength, 1,
                                                static_cast<size_t>(length) - kSignatureLength,
                                                file);
    return true;
}

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// Whether every chunk before the image data lies within the file. libpng
// sets aside the whole declared length of some chunks (text, for one) and
// clears it before reading them, so a few bytes claiming a gigabyte-long
// chunk would cost that much memory and time only to fail at the end of
// the file. The reader stops after the image data, so later chunks do not
// matter; a file that ends before its image data fails in libpng.
bool ChunksBeforeImageDataFit(const ByteView& bytes) {
    constexpr size_t kSignatureLength = 8;
    constexpr size_t kChunkOverhead = 12;  // length, type and CRC
    size_t offset = kSignatureLength;
    while (offset + 8 <= bytes.size) {
        const uint8_t* chunk = bytes.data + offset;
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0) return true;
        const uint64_t chunkLength = uint64_t{BigEndian32(chunk)} + kChunkOverhead;
        if (chunkLength > bytes.size - offset) return false;
        offset += static_cast<size_t>(chunkLength);
    }
    return true;
}

// The file's bits per sample, from its header: the signature (8 bytes), then
// the IHDR chunk's length and type (8 bytes), width, height and bit depth.
int32_t BitDepthFromHeader(const ByteView& bytes) {
    constexpr size_t kBitDepthOffset = 24;
    if (bytes.size <= kBitDepthOffset || std::memcmp(bytes.data + 12, "IHDR", 4) != 0) {
        return 0;
    }
    return bytes.data[kBitDepthOffset];
}

}  // namespace

size_t PngPixels::RowBytes() const {
    return static_cast<size_t>(info.width) * static_cast<size_t>(channels);
}

size_t PngPixels::SizeInBytes() const {
    return RowBytes() * static_cast<size_t>(info.height);
}

bool DecodePngFile(const char* fileName, PngAlphaMode alphaMode, PngRowOrder rowOrder,
                   PngPixels* pixels) {
    if (pixels == nullptr) return false;
    *pixels = PngPixels{};
    pixels->rowOrder = rowOrder;
    if (fileName == nullptr) return false;
    FileHandle file(std::fopen(fileName, "rb"));
    return file && DecodePngOpenFile(file.get(), alphaMode, rowOrder, pixels);
}

bool DecodePngOpenFile(std::FILE* file, PngAlphaMode alphaMode, PngRowOrder rowOrder,
                       PngPixels* pixels) {
    if (pixels == nullptr) return false;
    *pixels = PngPixels{};
    pixels->rowOrder = rowOrder;
    if (file == nullptr || alphaMode != PngAlphaMode::FromFile) return false;

    FileBytes bytes;
    if (!ReadWholeFile(file, &bytes)) return false;
    return DecodePngMemory(bytes.data.get(), bytes.size, alphaMode, rowOrder, pixels);
}

bool DecodePngMemory(const uint8_t* fileData, size_t fileSize, PngAlphaMode alphaMode,
                     PngRowOrder rowOrder, PngPixels* pixels) {
    if (pixels == nullptr) return false;
    *pixels = PngPixels{};
    pixels->rowOrder = rowOrder;
    if (fileData == nullptr || fileSize == 0 || alphaMode != PngAlphaMode::FromFile) return false;
    const ByteView bytes{fileData, fileSize};
    if (!ChunksBeforeImageDataFit(bytes)) return false;

    // The header: libpng checks the signature and every chunk up to the
    // image data, the IHDR chunk with its CRC included.
    PngReader reader;
    png_image& image = reader.image;
    if (!png_image_begin_read_from_memory(&image, bytes.data, bytes.size)) return false;
    // A 16-bit file without gamma information holds the same encoding as an
    // 8-bit one: 0x8000 is the grey that 128 is in 8 bits. (libpng would
    // otherwise take such samples as linear and brighten them.)
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;

    PngInfo& info = pixels->info;
    info.width = static_cast<int32_t>(image.width);
    info.height = static_cast<int32_t>(image.height);
    info.bitDepth = BitDepthFromHeader(bytes);
    info.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;

    const int32_t channels = info.hasAlpha ? 4 : 3;
    const uint64_t pixelCount = uint64_t{image.width} * image.height;
    if (pixelCount == 0 || pixelCount > kMaxPngPixels ||
        uint64_t{image.width} * channels > uint64_t{std::numeric_limits<png_int_32>::max()}) {
        return false;
    }

    // The rows: decoded straight into the one buffer, converted to 8-bit
    // RGB(A). A negative stride makes libpng store the bottom row first.
    image.format = info.hasAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    const size_t size = static_cast<size_t>(pixelCount) * channels;
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size]);
    if (!data) return false;
    const png_int_32 rowStride = static_cast<png_int_32>(image.width) * channels;
    const png_int_32 signedStride =
        rowOrder == PngRowOrder::BottomRowFirst ? -rowStride : rowStride;
    if (!png_image_finish_read(&image, nullptr, data.get(), signedStride, nullptr)) return false;

    pixels->channels = channels;
    pixels->data = std::move(data);
    return true;
}
