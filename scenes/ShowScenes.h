// The show's line-up as data: its five scenes in the order the effects are
// registered and drawn, and for each the parameters its effect reads, with
// what they do, and what it needs to start, so that the checker, the
// preview and the guide describe the show from one place. effects/ShowEffects.h registers the effects in
// this order.
#pragma once

#include <cstdint>
#include <span>

#include "scenes/SceneNeeds.h"
#include "script/ParsedScript.h"

constexpr int32_t kShowSceneCount = 5;

struct SceneParameter {
    ParamKind kind;
    int32_t index;
    const char* name;     // e.g. "eyeX"
    const char* meaning;  // what it does
    const char* values;   // its unit and useful range
};

struct SceneDescription {
    int32_t scene;
    const char* effect;   // e.g. "camera"
    const char* summary;  // what the effect draws or does
    std::span<const SceneParameter> parameters;  // bool.0 (running) first
    const char* stepCharacters;  // the pattern characters it acts on; "" for none
    const EffectNeeds& needs;    // what its Init asks for (scenes/SceneNeeds.h)
};

// The five scenes, scene 0 first.
std::span<const SceneDescription> ShowScenes();

// The parameter `kind`.`index` of `scene` as an effect reads it, or null
// when no effect reads that slot (or there is no such scene).
const SceneParameter* FindSceneParameter(int32_t scene, ParamKind kind, int32_t index);
