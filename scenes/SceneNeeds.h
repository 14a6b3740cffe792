// What the show's effects need before they can start, by name: the
// textures each effect looks up in its Init, the render targets the first
// effect makes, and the model file. The effects' Init go through these same
// tables, and the show check (check/ShowCheck.h) goes through them in the
// same order before the show starts, so that what the checker asks of a
// script is what the effects will ask.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class Texture;
class TextureRegistry;

// Where a texture that an effect needs comes from.
enum class TextureSource {
    Picture,       // a LoadImage line of the script loads it
    RenderTarget,  // an effect before it makes it in its Init
};

struct TextureNeed {
    const char* handle;
    TextureSource source;
    const char* use;  // what the effect does with it, for the guide
};

// A square render target that an effect makes in its Init.
struct RenderTargetMade {
    const char* handle;
    int32_t side;        // texels
    int32_t components;  // 3: RGB
};

// Everything one effect needs, in the order its Init asks for it.
struct EffectNeeds {
    const char* effect;  // as the show's author reads it: "the picture effect"
    std::span<const TextureNeed> textures;
    std::span<const RenderTargetMade> targets;  // made before any texture is looked up
    const char* modelFile;                      // the 3DS file Init loads; null for none
};

// Scene 0, the render targets: the main pass is copied into "buffer", the
// glow pass into "glowbuffer".
namespace render_target_need {
constexpr std::array kTargets{RenderTargetMade{"buffer", 512, 3}, RenderTargetMade{"glowbuffer", 16, 3}};
constexpr EffectNeeds kNeeds{"the render-target effect", {}, kTargets, nullptr};
}  // namespace render_target_need

constexpr EffectNeeds kCameraNeeds{"the camera effect", {}, {}, nullptr};

// Scene 2, the model: Init finds its textures in this order.
namespace model_need {
constexpr std::array kTextures{
    TextureNeed{"mallow", TextureSource::Picture, "the large model's skin"},
    TextureNeed{"buffer", TextureSource::RenderTarget,
                "the previous frame, sphere-mapped onto the swarm"},
};
constexpr size_t kSkin = 0;
constexpr size_t kReflection = 1;
constexpr const char* kModelFile = "data/3ds/pebble.3ds";
constexpr EffectNeeds kNeeds{"the model effect", kTextures, {}, kModelFile};
}  // namespace model_need

// Scene 3, the pictures: the noise, then pic1 to pic6 for lng.0 = 0 to 5.
namespace picture_need {
constexpr std::array kTextures{
    TextureNeed{"noise", TextureSource::Picture,
                "the flickering noise, tiled when it is loaded with repeat"},
    TextureNeed{"pic1", TextureSource::Picture, "the picture shown while lng.0 is 0"},
    TextureNeed{"pic2", TextureSource::Picture, "the picture shown while lng.0 is 1"},
    TextureNeed{"pic3", TextureSource::Picture, "the picture shown while lng.0 is 2"},
    TextureNeed{"pic4", TextureSource::Picture, "the picture shown while lng.0 is 3"},
    TextureNeed{"pic5", TextureSource::Picture, "the picture shown while lng.0 is 4"},
    TextureNeed{"pic6", TextureSource::Picture, "the picture shown while lng.0 is 5"},
};
constexpr size_t kNoise = 0;
constexpr size_t kFirstPicture = 1;
constexpr EffectNeeds kNeeds{"the picture effect", kTextures, {}, nullptr};
}  // namespace picture_need

// Scene 4, the glow.
namespace glow_need {
constexpr std::array kTextures{
    TextureNeed{"glowbuffer", TextureSource::RenderTarget, "the glow pass, laid over the frame six times"},
    TextureNeed{"buffer", TextureSource::RenderTarget, "the main pass, put on screen"},
};
constexpr size_t kGlow = 0;
constexpr size_t kMain = 1;
constexpr EffectNeeds kNeeds{"the glow effect", kTextures, {}, nullptr};
}  // namespace glow_need

// What is said when `need` is missing for `needs`' effect, e.g. "the
// picture effect needs the picture 'pic3', which the script does not load".
std::string MissingTextureText(const EffectNeeds& needs, const TextureNeed& need);

// Makes the render targets of `needs` in `registry`.
void MakeRenderTargets(TextureRegistry& registry, const EffectNeeds& needs);

// What is said about each texture of `needs` that `registry` does not hold,
// in the order of the needs.
std::vector<std::string> MissingTextures(TextureRegistry& registry, const EffectNeeds& needs);

// An effect's start: makes the render targets of `needs`, then looks up
// its textures in order into `found`, one slot per texture. False at the
// first that the registry does not hold, with `problem` saying so.
bool MeetTextureNeeds(TextureRegistry& registry, const EffectNeeds& needs,
                      std::span<Texture*> found, std::string& problem);
