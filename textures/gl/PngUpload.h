// Picture textures on OpenGL: decoded PNG pixels uploaded into the texture
// bound to GL_TEXTURE_2D, each side at the next power of two (no larger than
// the GL allows), with a complete mipmap chain. LoadPngIntoBoundTexture
// decodes and uploads, the way picture textures are loaded; on any failure
// nothing is uploaded.
#pragma once

#include <string>

#include "textures/PngDecode.h"

// How the mipmap levels are made. The values are the ones picture loading
// passes.
enum class PngMipmapMode : int32_t {
    // Build every level down to 1 x 1 here and upload them all.
    BuildFullChain = -1,
};

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
// in the orientation set above. The file is looked at first (PictureFile.h):
// one that cannot be a picture, or whose sides exceed the GL's maximum
// texture size, is turned away before it is decoded. Fills `info` (when not
// null) even on failure, with what was known: the header's values once a
// sound header was read, all zero before. Returns false, with nothing
// uploaded, on any failure; `problem` (when not null) then says why, naming
// the file, and is empty on success.
bool LoadPngIntoBoundTexture(const char* fileName, PngMipmapMode mipmapMode, PngAlphaMode alphaMode,
                             PngInfo* info, std::string* problem = nullptr);
