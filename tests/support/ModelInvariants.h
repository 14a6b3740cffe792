// The shape that every loaded Model must have, whatever file it came from:
// arrays that match their counts, indices that name existing vertices, a
// texture coordinate pair for every vertex, zero-terminated names. Drawing
// relies on it to keep the GL inside the arrays.
#pragma once

#include <string>

class Model;

// Empty when `model` has that shape, otherwise what is wrong first.
std::string ModelShapeProblem(const Model& model);
