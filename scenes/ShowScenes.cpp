#include "scenes/ShowScenes.h"

#include <array>

#include "scenes/SceneParameters.h"

namespace {

constexpr SceneParameter Parameter(BoolSlot slot, const char* name, const char* meaning,
                                   const char* values = "true or false") {
    return {ParamKind::Bool, slot.index, name, meaning, values};
}
constexpr SceneParameter Parameter(DblSlot slot, const char* name, const char* meaning,
                                   const char* values) {
    return {ParamKind::Dbl, slot.index, name, meaning, values};
}
constexpr SceneParameter Parameter(LngSlot slot, const char* name, const char* meaning,
                                   const char* values) {
    return {ParamKind::Lng, slot.index, name, meaning, values};
}

constexpr SceneParameter kRunningParameter =
    Parameter(kRunning, "running", "the effect is drawn (it is updated either way)");

constexpr std::array kRenderTargetParameters{kRunningParameter};

constexpr std::array kCameraParameters{
    kRunningParameter,
    Parameter(camera_param::kScriptedEye, "scriptedEye",
              "the eye sits at (eyeX, eyeY, eyeZ) instead of orbiting; the orbit waits"),
    Parameter(camera_param::kRestartOrbit, "restartOrbit",
              "the orbit starts again from its beginning, near (0, 1, 6), while it is true"),
    Parameter(camera_param::kEyeX, "eyeX", "the eye's x while scriptedEye is true",
              "scene units, about -10 to 10: the orbit has radius 6, the large model reaches about 2.5"),
    Parameter(camera_param::kEyeY, "eyeY", "the eye's y while scriptedEye is true",
              "scene units, y is up; the orbit bobs between -1 and 1"),
    Parameter(camera_param::kEyeZ, "eyeZ", "the eye's z while scriptedEye is true",
              "scene units: 6 is the orbit's distance, 16 a far view; keep the eye off (0, 0, 0) and "
              "off the y axis, where the view has no direction"),
};

constexpr std::array kModelParameters{
    kRunningParameter,
    Parameter(model_param::kSphereMap, "sphereMap",
              "the large model is sphere-mapped with its skin instead of using its own texture "
              "coordinates"),
    Parameter(model_param::kSwarm, "swarm",
              "50 small copies fly around it, reflecting the previous frame, and glow"),
};

constexpr std::array kPictureParameters{
    kRunningParameter,
    Parameter(picture_param::kPicture, "picture", "the picture that a \"*\" step flashes",
              "0 to 5 for pic1 to pic6; any other value shows no picture"),
    Parameter(picture_param::kZoom, "zoom", "the picture zooms into its centre as it fades"),
    Parameter(picture_param::kHold, "hold",
              "the picture keeps the opacity it has reached; a \"*\" still brings it to full"),
    Parameter(picture_param::kFullOpacity, "fullOpacity",
              "the picture is held at full opacity; a \"*\" then flashes only the noise"),
};

constexpr std::array kGlowParameters{kRunningParameter};

constexpr std::array<SceneDescription, kShowSceneCount> kScenes{{
    {0, "render targets",
     "sets up the two passes of every frame: a 16 x 16 glow pass and a 512 x 512 main pass, each "
     "cleared to black. It must run: without it the other effects draw over the last frame",
     kRenderTargetParameters, "", render_target_need::kNeeds},
    {1, "camera",
     "the perspective (45 degrees high, 4:3) and the eye for the 3D effects after it, always looking "
     "at the origin with y up: by default an orbit of radius 6 around the origin, once every 10.5 s, "
     "bobbing between heights -1 and 1",
     kCameraParameters, "", kCameraNeeds},
    {2, "model",
     "the model, skinned with the picture mallow, drawn five times its size at the origin and turning "
     "20 degrees a second about the x axis",
     kModelParameters, "", model_need::kNeeds},
    {3, "pictures",
     "full-screen pictures and flickering noise over the scene; a \"*\" step flashes the noise "
     "(gone in 250 ms) and the picture (gone in about 1.7 s)",
     kPictureParameters, "*", picture_need::kNeeds},
    {4, "glow",
     "puts the main pass on screen with six soft, warm glow layers of the glow pass; a \"*\" "
     "step shrinks the picture for 100 ms",
     kGlowParameters, "*", glow_need::kNeeds},
}};

}  // namespace

std::span<const SceneDescription> ShowScenes() { return kScenes; }

const SceneParameter* FindSceneParameter(int32_t scene, ParamKind kind, int32_t index) {
    if (scene < 0 || scene >= kShowSceneCount) return nullptr;
    for (const SceneParameter& parameter : kScenes[static_cast<size_t>(scene)].parameters) {
        if (parameter.kind == kind && parameter.index == index) return &parameter;
    }
    return nullptr;
}
