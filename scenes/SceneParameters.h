// The parameters that the show's effects read from their timeline records,
// by name. A slot is what the script writes as dbl.N, lng.N or bool.N; each
// effect reads its slots through the names here, and the checker, the HUD
// and the guide describe them from the table in scenes/ShowScenes.h, which
// names these same constants.
#pragma once

#include <cstdint>

#include "script/EffectParams.h"

struct DblSlot {
    int32_t index;
};
struct LngSlot {
    int32_t index;
};
struct BoolSlot {
    int32_t index;
};

inline double Read(const EffectParams& record, DblSlot slot) { return record.dblParams[slot.index]; }
inline int32_t Read(const EffectParams& record, LngSlot slot) { return record.lngParams[slot.index]; }
inline bool Read(const EffectParams& record, BoolSlot slot) { return record.boolParams[slot.index]; }

// Every effect's bool.0: the host draws an effect only while it is set.
constexpr BoolSlot kRunning{EffectParams::kRunningIndex};

// Scene 1, the camera.
namespace camera_param {
constexpr BoolSlot kScriptedEye{1};   // the eye sits at (eyeX, eyeY, eyeZ) instead of orbiting
constexpr BoolSlot kRestartOrbit{2};  // the orbit starts again from its beginning
constexpr DblSlot kEyeX{0};
constexpr DblSlot kEyeY{1};
constexpr DblSlot kEyeZ{2};
// The orbit's radius around the origin, in scene units.
constexpr double kOrbitRadius = 6.0;
}  // namespace camera_param

// Scene 2, the model and its swarm.
namespace model_param {
constexpr BoolSlot kSphereMap{1};  // the large model is sphere-mapped
constexpr BoolSlot kSwarm{2};      // the swarm of 50 copies is drawn
// The large model is drawn this many times the size it has in its file.
constexpr float kDrawnScale = 5.0f;
// How far the shipped pebble reaches from the middle of its bounds: the
// size that the camera's distance and kDrawnScale are made for, to which
// model-info --fit scales a model.
constexpr float kFittedReach = 0.46f;
}  // namespace model_param

// Scene 3, the pictures and the noise.
namespace picture_param {
constexpr LngSlot kPicture{0};      // 0 to 5 show pic1 to pic6; anything else none
constexpr BoolSlot kZoom{1};        // the picture zooms into its centre as it fades
constexpr BoolSlot kHold{2};        // the picture does not fade
constexpr BoolSlot kFullOpacity{3}; // the picture is held at full opacity
}  // namespace picture_param
