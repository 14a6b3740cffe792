// The interface of every visual effect, and the members the host sets on it.
//
// The host initialises effects once, then in every pass of every frame
// copies the effect's timeline record into `params`, sets `pass`, calls
// Update and, while the record's running flag bool.0 is set, Render.
//
// Update advances everything the effect carries from frame to frame, and
// touches no GL; Render only draws. So the show can be brought to any of
// its frames without drawing: Rewind, then the host's frames with Update
// alone (DemoHost::ReplayFrameTo) leave every effect exactly as playing them
// would have.
#pragma once

#include <cstdint>
#include <string>

#include "script/EffectParams.h"

class RenderToolkit;
class TextureRegistry;

class Effect {
public:
    virtual ~Effect() = default;

    virtual int32_t Init() = 0;    // 0 = ready; anything else fails the show's start
    virtual int32_t Uninit() = 0;  // 0 = done; anything else fails the shut-down
    virtual void Render() = 0;
    // dt: ms since the previous frame. Also takes what this pass's Render
    // will draw with that is not a pure function of the effect's state (the
    // noise's random numbers), so that Render changes nothing but the
    // picture. No GL.
    virtual int32_t Update(uint32_t dt) = 0;

    // Back to the state Init left, as at the show's start, without GL and
    // without looking anything up again.
    virtual void Rewind() = 0;

    // Whether this pass's Render, with the record the effect holds now,
    // shows what earlier frames drew (beyond the GL state that every frame
    // sets again): a frame that starts from a frame drawn elsewhere is then
    // not exact.
    virtual bool NeedsEarlierFrames() const { return false; }

    TextureRegistry* textures = nullptr;
    EffectParams params{};
    RenderToolkit* toolkit = nullptr;
    int32_t pass = 0;
    // Why Init failed, in words for the show's author; empty when it did not.
    std::string initProblem;
};
