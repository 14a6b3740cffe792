#include "scenes/SceneNeeds.h"

#include "textures/TextureRegistry.h"

std::string MissingTextureText(const EffectNeeds& needs, const TextureNeed& need) {
    std::string text = needs.effect;
    if (need.source == TextureSource::Picture) {
        text += " needs the picture '";
        text += need.handle;
        text += "', which the script does not load";
    } else {
        text += " needs the render target '";
        text += need.handle;
        text += "', which the render-target effect makes when it starts before it";
    }
    return text;
}

void MakeRenderTargets(TextureRegistry& registry, const EffectNeeds& needs) {
    for (const RenderTargetMade& target : needs.targets) {
        registry.CreateTarget(target.handle, target.side, target.components);
    }
}

std::vector<std::string> MissingTextures(TextureRegistry& registry, const EffectNeeds& needs) {
    std::vector<std::string> missing;
    for (const TextureNeed& need : needs.textures) {
        if (!registry.Find(need.handle)) missing.push_back(MissingTextureText(needs, need));
    }
    return missing;
}

bool MeetTextureNeeds(TextureRegistry& registry, const EffectNeeds& needs,
                      std::span<Texture*> found, std::string& problem) {
    MakeRenderTargets(registry, needs);
    for (size_t i = 0; i < needs.textures.size() && i < found.size(); ++i) {
        found[i] = registry.Find(needs.textures[i].handle);
        if (!found[i]) {
            problem = MissingTextureText(needs, needs.textures[i]);
            return false;
        }
    }
    return true;
}
