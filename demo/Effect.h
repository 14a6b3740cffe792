// The interface of every visual effect, and the members the host sets on it.
//
// The host initialises effects once, then in every pass of every frame
// copies the effect's timeline record into `params`, sets `pass`, calls
// Update and, while the record's running flag bool.0 is set, Render.
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
    virtual int32_t Update(uint32_t dt) = 0;  // dt: ms since the previous frame

    TextureRegistry* textures = nullptr;
    EffectParams params{};
    RenderToolkit* toolkit = nullptr;
    int32_t pass = 0;
    // Why Init failed, in words for the show's author; empty when it did not.
    std::string initProblem;
};
