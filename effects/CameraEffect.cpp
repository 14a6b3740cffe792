#include "effects/CameraEffect.h"

#include <GL/glu.h>

#include <cmath>

#include "render/RenderToolkit.h"
#include "scenes/SceneParameters.h"

void CameraEffect::Reset() {
    eye = Vector3(0.0, 0.0, 10.0);
    target = Vector3(0.0, 0.0, 0.0);
    up = Vector3(0.0, 1.0, 0.0);
    orbitAngle = 0.0f;
}

int32_t CameraEffect::Init() {
    Reset();
    return 0;
}

int32_t CameraEffect::Uninit() { return 0; }

void CameraEffect::Rewind() { Reset(); }

int32_t CameraEffect::Update(uint32_t dt) {
    if (Read(params, camera_param::kRestartOrbit)) Reset();
    if (Read(params, camera_param::kScriptedEye)) {
        eye = Vector3(Read(params, camera_param::kEyeX), Read(params, camera_param::kEyeY),
                      Read(params, camera_param::kEyeZ));
    } else {
        orbitAngle += static_cast<float>(dt) * 0.0003f;
        const float bobAngle = 0.4f * orbitAngle;
        eye = Vector3(camera_param::kOrbitRadius * std::sin(static_cast<double>(orbitAngle)),
                      std::cos(static_cast<double>(bobAngle)),
                      camera_param::kOrbitRadius * std::cos(static_cast<double>(orbitAngle)));
    }
    return 0;
}

void CameraEffect::Render() {
    toolkit->ApplyPerspective();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
}
