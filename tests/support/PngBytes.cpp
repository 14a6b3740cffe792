#include "support/PngBytes.h"

#include <zlib.h>

namespace {

void AppendBigEndian32(PngBytes& bytes, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(value >> shift));
}

void AppendChunk(PngBytes& png, const char* type, const PngBytes& data) {
    AppendBigEndian32(png, uint32_t(data.size()));
    const size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    AppendBigEndian32(png, uint32_t(crc32(0, png.data() + typeAt, uInt(4 + data.size()))));
}

}  // namespace

PngBytes PngWithOneRow(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
                       const PngBytes& row) {
    PngBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PngBytes header;
    AppendBigEndian32(header, width);
    AppendBigEndian32(header, height);
    header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});  // no interlace
    AppendChunk(png, "IHDR", header);
    PngBytes filtered = {0};  // filter: none
    filtered.insert(filtered.end(), row.begin(), row.end());
    uLongf packedSize = compressBound(uLong(filtered.size()));
    PngBytes packed(packedSize);
    compress(packed.data(), &packedSize, filtered.data(), uLong(filtered.size()));
    packed.resize(packedSize);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", {});
    return png;
}
