// Every shared texture of the show, by handle name.
//
// The script's LoadImage lines register pictures, the render-target effect
// adds its targets, and the effects look their textures up by handle. The
// registry owns the textures it holds. Handles are case-sensitive byte
// strings.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "textures/Texture.h"
#include "textures/TextureFactory.h"

// GL wrap modes, as the GL spells them.
constexpr int32_t kWrapClamp = 0x2900;   // GL_CLAMP
constexpr int32_t kWrapRepeat = 0x2901;  // GL_REPEAT

class TextureRegistry {
public:
    explicit TextureRegistry(TextureFactory& factory) : factory(&factory) {}
    virtual ~TextureRegistry() = default;

    TextureRegistry(const TextureRegistry&) = delete;
    TextureRegistry& operator=(const TextureRegistry&) = delete;

    // Registers the picture `fileName` under `handle`. The extension after
    // the last "." must be exactly "png" or "bmp"; a "bmp" name is served by
    // the ".png" file of the same name. False for any other extension, which
    // leaves the registry untouched. A missing or unreadable picture still
    // registers a texture without an image.
    bool Load(std::string_view handle, std::string_view fileName, int32_t wrapMode);

    // Reads the picture `fileName` again into the texture already registered
    // under `handle`, so that every effect holding that texture shows the
    // new picture; registers it as Load does when the handle has none. The
    // same extension rule and result as Load.
    bool Reload(std::string_view handle, std::string_view fileName, int32_t wrapMode);

    // The file that serves the picture name `fileName` under the extension
    // rule of Load; false when the name has neither extension.
    static bool PictureFilePath(std::string_view fileName, std::string& path);

    // The texture under `handle`, or null. Asking for an unknown handle
    // leaves an empty entry for it.
    Texture* Find(std::string_view handle);

    // Creates an empty square render target under `handle` (replacing any
    // earlier entry) and returns it.
    Texture* CreateTarget(std::string_view handle, int32_t side, int32_t components);

    // How many handles have an entry, empty ones included.
    size_t EntryCount() const { return textures.size(); }

private:
    TextureFactory* factory;
    std::map<std::string, std::unique_ptr<Texture>, std::less<>> textures;
};
