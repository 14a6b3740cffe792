#include "effects/RenderTargetEffect.h"

#include "render/RenderToolkit.h"
#include "textures/TextureRegistry.h"

int32_t RenderTargetEffect::Init() {
    textures->CreateTarget("buffer", 512, 3);
    textures->CreateTarget("glowbuffer", 16, 3);
    return 0;
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
