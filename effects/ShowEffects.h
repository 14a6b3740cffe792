// The show's five effects, in the order they are registered and drawn:
// render targets (scene 0), camera (1), model (2), pictures (3), glow (4),
// as scenes/ShowScenes.h describes them. The show, the capture tool and the
// tests assemble the show through this one place.
#pragma once

#include <array>

#include "demo/DemoHost.h"
#include "effects/CameraEffect.h"
#include "effects/GlowEffect.h"
#include "effects/ModelEffect.h"
#include "effects/PictureEffect.h"
#include "effects/RenderTargetEffect.h"
#include "scenes/ShowScenes.h"

struct ShowEffects {
    static constexpr int32_t kPassCount = 2;

    // The effects in scene order.
    std::array<Effect*, kShowSceneCount> InSceneOrder() {
        return {&renderTargets, &camera, &model, &pictures, &glow};
    }

    // Registers the effects with `host` and sets its two passes per frame.
    void RegisterWith(DemoHost& host) {
        for (Effect* effect : InSceneOrder()) host.AddEffect(effect);
        host.SetPassCount(kPassCount);
    }

    // Members are built in registration order and destroyed in reverse.
    RenderTargetEffect renderTargets;
    CameraEffect camera;
    ModelEffect model;
    PictureEffect pictures;
    GlowEffect glow;
};
