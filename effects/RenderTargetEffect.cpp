#include "effects/RenderTargetEffect.h"

#include "render/RenderToolkit.h"
#include "scenes/SceneNeeds.h"

int32_t RenderTargetEffect::Init() {
    return MeetTextureNeeds(*textures, render_target_need::kNeeds, {}, initProblem) ? 0 : 1;
}

int32_t RenderTargetEffect::Uninit() { return 0; }

int32_t RenderTargetEffect::Update(uint32_t) { return 0; }

void RenderTargetEffect::Render() {
    if (pass == 0) {
        toolkit->SetViewport(16, 16);
    } else {
        toolkit->SetViewport(512, 512);
    }
    toolkit->Clear(0.0f, 0.0f, 0.0f);
}
