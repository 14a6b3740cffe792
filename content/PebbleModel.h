// The show's model, a smooth and slightly irregular pebble, built from code
// as a 3DS file: a latitude-longitude sphere (40 segments, 20 rings: 762
// vertices and 1520 triangles), flattened and gently dented by fixed smooth
// waves, so the same file comes out every time. It is closed: the poles are
// single vertices and the seam shares its vertices, so the normals that the
// loader computes are smooth everywhere. Texture coordinates are a planar
// projection seen from the front, which needs no seam. All triangles are in
// one face group.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bytes of the 3DS file.
std::vector<uint8_t> PebbleModelBytes();

// Writes the file to `path`; false, with `error` saying why, when it cannot.
bool WritePebbleModel(const std::string& path, std::string& error);
