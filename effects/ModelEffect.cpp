#include "effects/ModelEffect.h"

#include <GL/gl.h>

#include <array>
#include <cmath>

#include "model/gl/ModelDraw.h"
#include "render/RenderToolkit.h"
#include "scenes/SceneNeeds.h"
#include "scenes/SceneParameters.h"

int32_t ModelEffect::Init() {
    std::array<Texture*, model_need::kTextures.size()> found{};
    if (!MeetTextureNeeds(*textures, model_need::kNeeds, found, initProblem)) return 1;
    skin = found[model_need::kSkin];
    buffer = found[model_need::kReflection];
    // A model file that cannot be read leaves an empty model, drawn as
    // nothing.
    model.Load(model_need::kModelFile);
    model.applyPolygonModes = false;
    Rewind();
    return 0;
}

int32_t ModelEffect::Uninit() { return 0; }

void ModelEffect::Rewind() {
    swarmPhase = 0.0f;
    for (float& angle : model.rotation) angle = 0.0f;
}

bool ModelEffect::NeedsEarlierFrames() const {
    return params.Running() && Read(params, model_param::kSwarm);
}

int32_t ModelEffect::Update(uint32_t dt) {
    swarmPhase += static_cast<float>(dt) * 0.0001f;
    model.rotation[0] += static_cast<float>(dt) * 0.01f;
    return 0;
}

void ModelEffect::SwarmPosition(int index, float phase, float out[3]) {
    const float t = static_cast<float>(index) + phase;
    out[0] = static_cast<float>(3.0 * std::sin(static_cast<double>(t)));
    out[1] = static_cast<float>(3.0 * std::sin(static_cast<double>(1.3f * t)));
    out[2] = static_cast<float>(3.0 * std::sin(static_cast<double>(1.5f * t)));
}

void ModelEffect::Render() {
    glPushMatrix();
    glEnable(GL_DEPTH_TEST);
    if (pass != 0) {
        skin->Bind();
        toolkit->SetSphereMap(Read(params, model_param::kSphereMap));
        model.brightness = 1.0f;
        toolkit->ResetBlend();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        model.position[0] = model.position[1] = model.position[2] = 0.0f;
        model.scale = model_param::kDrawnScale;
        DrawModel(model);
    }
    if (Read(params, model_param::kSwarm)) {
        buffer->Bind();
        model.scale = 0.1f;
        toolkit->SetSphereMap(true);
        for (int i = 0; i < kSwarmSize; ++i) {
            SwarmPosition(i, swarmPhase, model.position);
            DrawModel(model);
        }
    }
    glPopMatrix();
}
