// How near the camera's eye comes to the model, for judging whether a model
// fits the picture: over the stretches of the show in which the model is
// drawn, the eye's least distance from the origin, where the model stands.
// The orbit keeps the eye its radius away; a scripted eye sits where the
// script puts it, its coordinates set and faded by the script.
#pragma once

#include "script/ParsedScript.h"

struct NearestEye {
    double distance = 0.0;
    // The nearest approach is the script's eye, not the orbit.
    bool scripted = false;
};

// The eye's nearest approach while the show draws the model. A show that
// never draws the model is judged by the orbit.
NearestEye NearestEyeToTheModel(const ParsedScript& script);
