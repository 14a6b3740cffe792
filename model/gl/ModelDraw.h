// Drawing a Model with client vertex arrays: one array set per object, one
// indexed triangle draw per face group. Runs many times per frame, so it
// only hands the loaded arrays to the GL and allocates nothing.
#pragma once

#include "model/Model.h"

// Draws every visible object's face groups with the model's and the
// objects' transforms, in grey and alpha brightness. Needs a current GL
// context; sets no projection, camera, blending or depth state, leaves the
// client arrays enabled and the current colour at the last object's.
void DrawModel(const Model& model);
