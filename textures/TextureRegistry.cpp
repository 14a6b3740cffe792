#include "textures/TextureRegistry.h"

#include <cstdio>

bool TextureRegistry::PictureFilePath(std::string_view fileName, std::string& path) {
    const size_t dot = fileName.rfind('.');
    const std::string_view extension =
        dot == std::string_view::npos ? fileName : fileName.substr(dot + 1);
    if (extension == "png") {
        path = fileName;
    } else if (extension == "bmp") {
        path = fileName.substr(0, dot);
        path += ".png";
    } else {
        return false;
    }
    return true;
}

bool TextureRegistry::Load(std::string_view handle, std::string_view fileName,
                           int32_t wrapMode) {
    std::string path;
    if (!PictureFilePath(fileName, path)) return false;

    std::unique_ptr<Texture> texture = factory->NewImageTexture();
    texture->Load(path.c_str(), wrapMode);
    auto entry = textures.find(handle);
    if (entry == textures.end()) {
        textures.emplace(std::string(handle), std::move(texture));
    } else {
        entry->second = std::move(texture);
    }
    return true;
}

bool TextureRegistry::Reload(std::string_view handle, std::string_view fileName,
                             int32_t wrapMode) {
    std::string path;
    if (!PictureFilePath(fileName, path)) return false;
    auto entry = textures.find(handle);
    if (entry == textures.end() || !entry->second) return Load(handle, fileName, wrapMode);
    entry->second->Load(path.c_str(), wrapMode);
    return true;
}

Texture* TextureRegistry::Find(std::string_view handle) {
    auto entry = textures.find(handle);
    if (entry == textures.end()) {
        textures.emplace(std::string(handle), nullptr);
        return nullptr;
    }
    return entry->second.get();
}

Texture* TextureRegistry::CreateTarget(std::string_view handle, int32_t side,
                                       int32_t components) {
    std::unique_ptr<Texture> target = factory->NewTargetTexture(side, components, kWrapRepeat);
    Texture* created = target.get();
    auto entry = textures.find(handle);
    if (entry == textures.end()) {
        textures.emplace(std::string(handle), std::move(target));
    } else {
        entry->second = std::move(target);
    }
    return created;
}
