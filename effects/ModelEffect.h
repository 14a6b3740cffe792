// The model and its swarm: the pebble model drawn large and spinning in the
// main pass, skinned with "mallow" (sphere-mapped while bool.1 is set), and,
// while bool.2 is set, a swarm of 50 small copies on Lissajous-like paths in
// every pass, sphere-mapped with "buffer", the previous frame's image.
#pragma once

#include "demo/Effect.h"
#include "model/Model.h"
#include "textures/Texture.h"

class ModelEffect : public Effect {
public:
    static constexpr int kSwarmSize = 50;

    int32_t Init() override;
    int32_t Uninit() override;
    void Render() override;
    int32_t Update(uint32_t dt) override;
    void Rewind() override;
    // The swarm reflects "buffer", the previous frame's picture.
    bool NeedsEarlierFrames() const override;

    // Where copy `index` of the swarm sits at `phase`.
    static void SwarmPosition(int index, float phase, float out[3]);

    Texture* skin = nullptr;
    Texture* buffer = nullptr;
    Model model;
    float swarmPhase = 0.0f;
};
