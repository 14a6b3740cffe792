// A texture as the rest of the show uses it: something to bind, with the
// size of what it holds.
//
// Picture textures are loaded from files and render targets are created
// empty; both kinds keep their GL texture name until the context ends.
#pragma once

#include <cstdint>

class Texture {
public:
    virtual ~Texture() = default;

    // Reads the file `fileName` into the texture with the given GL wrap mode.
    virtual bool Load(const char* fileName, int32_t wrapMode) = 0;
    // Makes this the current 2D texture and switches 2D texturing on.
    virtual void Bind() = 0;

    uint32_t glName = 0;
    int32_t width = 0;
    int32_t height = 0;
};
