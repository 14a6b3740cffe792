// A texture as the rest of the show uses it: something to bind, with the
// size of what it holds.
//
// Picture textures are loaded from files and render targets are created
// empty; both kinds keep their GL texture name until the context ends. A
// picture that cannot be loaded still leaves a texture, without an image,
// that says why.
#pragma once

#include <cstdint>
#include <string>

class Texture {
public:
    virtual ~Texture() = default;

    // Reads the file `fileName` into the texture with the given GL wrap mode.
    // True even when the picture cannot be read; loadProblem then says why.
    virtual bool Load(const char* fileName, int32_t wrapMode) = 0;
    // Makes this the current 2D texture and switches 2D texturing on.
    virtual void Bind() = 0;

    uint32_t glName = 0;
    int32_t width = 0;
    int32_t height = 0;
    // Why the last Load left the texture without its picture, naming the
    // file ("PATH: reason"); empty when the picture loaded. Loading prints
    // nothing: whoever asked for the picture reports this.
    std::string loadProblem;
};
