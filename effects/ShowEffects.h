// The show's five effects, in the order they are registered and drawn:
// render targets (scene 0), camera (1), model (2), pictures (3), glow (4).
// The show, the capture tool and the tests assemble the show through this
// one place.
#pragma once

#include "demo/DemoHost.h"
#include "effects/CameraEffect.h"
#include "effects/GlowEffect.h"
#include "effects/ModelEffect.h"
#include "effects/PictureEffect.h"
#include "effects/RenderTargetEffect.h"

struct ShowEffects {
    static constexpr int32_t kPassCount = 2;

    // Registers the effects with `host` and sets its two passes per frame.
    void RegisterWith(DemoHost& host) {
        host.AddEffect(&renderTargets);
        host.AddEffect(&camera);
        host.AddEffect(&model);
        host.AddEffect(&pictures);
        host.AddEffect(&glow);
        host.SetPassCount(kPassCount);
    }

    // Members are built in registration order and destroyed in reverse.
    RenderTargetEffect renderTargets;
    CameraEffect camera;
    ModelEffect model;
    PictureEffect pictures;
    GlowEffect glow;
};
