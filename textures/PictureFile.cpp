#include "textures/PictureFile.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kSignatureLength = 8;
// The signature, then the IHDR chunk: length, type, 13 bytes of data, CRC.
constexpr size_t kHeaderLength = kSignatureLength + 8 + 13 + 4;

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

bool StartsWith(const uint8_t* bytes, size_t length, const char* start) {
    const size_t startLength = std::strlen(start);
    return length >= startLength && std::memcmp(bytes, start, startLength) == 0;
}

// What a file that is not a PNG looks like, from its first bytes.
std::string NotPngReason(const uint8_t* bytes, size_t length) {
    if (StartsWith(bytes, length, "\xFF\xD8\xFF")) return "it is a JPEG picture, not a PNG";
    if (StartsWith(bytes, length, "GIF8")) return "it is a GIF picture, not a PNG";
    if (StartsWith(bytes, length, "BM")) return "it is a BMP picture, not a PNG";
    return "it is not a PNG picture (it does not start with the PNG signature)";
}

std::string Size(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

PictureFile::PictureFile(const char* path, int32_t maxSide) : path(path ? path : "") {
    Inspect(maxSide);
}

void PictureFile::Refuse(const std::string& reason) {
    problem = path + ": " + reason;
    file.reset();
}

void PictureFile::Inspect(int32_t maxSide) {
    // Only a regular file is opened, and never read past its first bytes
    // unless they show a PNG.
    uint64_t size = 0;
    file = OpenRegularFile(path.c_str(), kMaxPngFileBytes, size, problem);
    if (!file) return;
    if (size == 0) return Refuse("the file is empty");

    uint8_t bytes[kHeaderLength];
    const size_t length = std::fread(bytes, 1, sizeof bytes, file.get());
    if (std::ferror(file.get())) return Refuse(std::string("cannot read it: ") + std::strerror(errno));
    if (png_sig_cmp(bytes, 0, length < kSignatureLength ? length : kSignatureLength) != 0) {
        return Refuse(NotPngReason(bytes, length));
    }
    if (length < kHeaderLength) {
        return Refuse("the file is cut short: it ends after " + std::to_string(length) +
                      " bytes, inside the PNG header");
    }
    const uint8_t* chunk = bytes + kSignatureLength;
    const uint8_t* data = chunk + 8;
    const uint32_t width = BigEndian32(data);
    const uint32_t height = BigEndian32(data + 4);
    const bool sound = BigEndian32(chunk) == 13 && std::memcmp(chunk + 4, "IHDR", 4) == 0 &&
                       crc32(0, chunk + 4, 4 + 13) == BigEndian32(data + 13) && width >= 1 &&
                       height >= 1 && width <= PNG_UINT_31_MAX && height <= PNG_UINT_31_MAX;
    if (!sound) return Refuse("its PNG header is damaged");

    header.width = static_cast<int32_t>(width);
    header.height = static_cast<int32_t>(height);
    header.bitDepth = data[8];
    const uint8_t colourType = data[9];
    header.hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (maxSide > 0 && (width > static_cast<uint32_t>(maxSide) || height > static_cast<uint32_t>(maxSide))) {
        return Refuse("the picture is " + Size(width, height) + " pixels, larger than the " +
                      Size(maxSide, maxSide) + " that the GL can hold");
    }
    if (uint64_t{width} * height > kMaxPngPixels) {
        return Refuse("the picture is " + Size(width, height) + " pixels, more than the " +
                      std::to_string(kMaxPngPixels) + " pixels that are read");
    }
}

bool PictureFile::Decode(PngRowOrder rowOrder, PngPixels* pixels) {
    if (pixels == nullptr) return false;
    if (!file) {
        *pixels = PngPixels{};
        pixels->rowOrder = rowOrder;
        return false;
    }
    if (DecodePngOpenFile(file.get(), PngAlphaMode::FromFile, rowOrder, pixels)) return true;
    Refuse("it cannot be decoded: the file is cut short or damaged");
    return false;
}
