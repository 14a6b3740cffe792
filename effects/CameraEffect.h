// The camera: draws nothing, but in every pass puts the perspective and the
// view onto the current matrix for the 3D effects drawn after it. The eye
// orbits the origin at radius 6 with a slow vertical bob, unless the script
// places it (bool.1 with dbl.0 to dbl.2) or restarts the orbit (bool.2).
#pragma once

#include "demo/Effect.h"
#include "effects/Vector3.h"

class CameraEffect : public Effect {
public:
    int32_t Init() override;
    int32_t Uninit() override;
    void Render() override;
    int32_t Update(uint32_t dt) override;
    void Rewind() override;

    Vector3 eye;
    Vector3 target;
    Vector3 up;
    float orbitAngle = 0.0f;

private:
    void Reset();
};
