// The show's frame written straight against OpenGL 1.1 and GLU, as the
// yardstick for the whole-show frame rate: no host, no effects, no render
// toolkit, no texture registry. It issues the GL work of one show frame in
// the stretch where everything is on (the swarm, the sphere-mapped model, a
// picture with its noise, the glow): a 16 x 16 glow pass with 50 model
// draws copied into a luminance texture, a 512 x 512 main pass with the
// large model, 50 more draws and the two overlays, copied into an RGB
// texture, then the window's picture from that copy and six additive glow
// layers. The model comes from our 3DS loader (only its arrays are used);
// the pictures are decoded by stb_image and uploaded with glTexImage2D.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "effects/ShowRandom.h"

class RawGlFrame {
public:
    // Loads the model's arrays and uploads the pictures (from the
    // repository root: data/3ds, data/png) into the current GL context,
    // creates the two copy targets and sets the fixed render state. False
    // when a file could not be read.
    bool Load(int windowWidth, int windowHeight);

    // Draws one frame, `dt` ms after the previous one. The caller finishes
    // it (glFinish or a swap).
    void Draw(uint32_t dt);

private:
    struct Mesh {
        std::vector<float> vertices;
        std::vector<float> normals;
        std::vector<float> texCoords;
        std::vector<std::vector<uint16_t>> groups;
    };

    void DrawModel(float x, float y, float z, float scale) const;
    void DrawSwarm() const;
    // Square viewport of `side` at the lower left, cleared, with the camera.
    void BeginPass(int side) const;

    int windowWidth = 0;
    int windowHeight = 0;
    std::vector<Mesh> meshes;
    GLuint skin = 0;
    GLuint noise = 0;
    GLuint picture = 0;
    GLuint mainCopy = 0;
    GLuint glowCopy = 0;

    // The animation: orbit angle, model turn, swarm phase, overlay fades.
    float orbitAngle = 0.0f;
    float modelTurn = 0.0f;
    float swarmPhase = 0.0f;
    float pictureAlpha = 0.0f;
    float noiseAlpha = 0.0f;
    uint32_t sinceFlash = 0;
    ShowRandom random;  // the noise's numbers, as the show draws them
};
