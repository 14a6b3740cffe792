// A picture file looked at before anything is decoded. The file is opened
// once and its PNG signature and header (the IHDR chunk) are read, so that a
// file that cannot become a texture is turned away, with the reason, before
// memory is set aside for its pixels: it is missing or unreadable (with the
// system's reason), not a regular file, not a PNG (empty, a JPEG, GIF or BMP
// picture, or something else), cut short or damaged before its header ends,
// or larger than the texture size allowed. Decoding then reads the same open
// file, and a file cut short or damaged after its header is turned away
// there.
#pragma once

#include <cstdint>
#include <string>

#include "platform/RegularFile.h"
#include "textures/PngDecode.h"

class PictureFile {
public:
    // Opens `path` and reads its header. `maxSide` is the largest width and
    // height accepted, such as the GL's maximum texture size; 0 leaves only
    // decoding's own limits (kMaxPngPixels, kMaxPngFileBytes).
    PictureFile(const char* path, int32_t maxSide);

    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // Why the file cannot be shown, naming it; empty while nothing speaks
    // against it.
    const std::string& Problem() const { return problem; }

    // What the header says (size, bit depth, and alpha from the colour
    // type); all zero when no sound header was read.
    const PngInfo& Header() const { return header; }

    // Decodes the picture into `pixels` as DecodePngMemory does. False, with
    // nothing decoded, when the file was already turned away or does not
    // decode; Problem then says why.
    bool Decode(PngRowOrder rowOrder, PngPixels* pixels);

private:
    void Refuse(const std::string& reason);
    void Inspect(int32_t maxSide);

    std::string path;
    FileHandle file;
    std::string problem;
    PngInfo header;
};
