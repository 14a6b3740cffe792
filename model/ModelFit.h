// Fitting a model from anywhere to the show: a copy of a 3DS file moved so
// that the middle of its bounding box lies on the origin, and scaled so
// that it reaches as far from the origin as the show's camera and scales
// are made for. Everything else in the file stays as it is: objects and
// their names, face groups, texture coordinates, smoothing groups,
// materials, lights and cameras.
#pragma once

#include <cstdint>
#include <vector>

struct ModelFit {
    // Added to every stored position (the show's Y-up axes) before scaling.
    float shift[3] = {0.0f, 0.0f, 0.0f};
    float factor = 1.0f;
};

// The shift and factor that bring the vertices of the 3DS file `bytes`
// (every mesh object's, as Model::LoadFromMemory stores them) to their
// bounding box's middle and to `reach` units from there at most. False
// when the file has no vertices, or they all lie on one point, or a
// coordinate is not a finite number.
bool FindModelFit(const std::vector<uint8_t>& bytes, float reach, ModelFit& fit);

// The 3DS file `bytes` with `fit` applied to every vertex, and to every
// object's local frame so that the object keeps its shape in it. The chunks
// are written anew, each with its true length; a chunk that runs past the
// end of the file is cut there.
std::vector<uint8_t> FittedModelBytes(const std::vector<uint8_t>& bytes, const ModelFit& fit);
