#include "content/PebbleModel.h"

#include "model/ModelChunks.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kSegments = 40;
constexpr int kRings = 20;
constexpr double kPi = 3.14159265358979323846;

struct Vertex {
    float x, y, z;  // file axes: Z is up
    float u, v;
};

// Radius factor of the pebble's surface in the direction (theta, phi):
// gentle, fixed waves make it irregular without ridges.
double Dent(double theta, double phi) {
    return 1.0 + 0.045 * std::sin(3.0 * phi + 0.7) * std::sin(2.0 * theta) +
           0.030 * std::cos(5.0 * phi - 1.1) * std::sin(theta) +
           0.020 * std::sin(2.0 * phi + 4.0 * theta);
}

Vertex PebblePoint(double theta, double phi) {
    // theta from 0 at the top to pi at the bottom; phi around.
    const double r = 0.36 * Dent(theta, phi);
    const double x = r * 1.25 * std::sin(theta) * std::cos(phi);
    const double y = r * 1.0 * std::sin(theta) * std::sin(phi);
    const double z = r * 0.72 * std::cos(theta);
    Vertex vertex;
    vertex.x = static_cast<float>(x);
    vertex.y = static_cast<float>(y);
    vertex.z = static_cast<float>(z);
    vertex.u = static_cast<float>(0.5 + x / 1.2);
    vertex.v = static_cast<float>(0.5 + z / 0.7);
    return vertex;
}

}  // namespace

std::vector<uint8_t> PebbleModelBytes() {
    std::vector<Vertex> vertices;
    vertices.push_back(PebblePoint(0.0, 0.0));  // top pole
    for (int ring = 1; ring < kRings; ++ring) {
        const double theta = kPi * ring / kRings;
        for (int segment = 0; segment < kSegments; ++segment) {
            vertices.push_back(PebblePoint(theta, 2.0 * kPi * segment / kSegments));
        }
    }
    vertices.push_back(PebblePoint(kPi, 0.0));  // bottom pole
    const uint16_t bottom = static_cast<uint16_t>(vertices.size() - 1);
    auto ringVertex = [](int ring, int segment) {
        return static_cast<uint16_t>(1 + (ring - 1) * kSegments + (segment % kSegments));
    };

    // Triangles wound counter-clockwise seen from outside.
    std::vector<uint16_t> faces;
    auto add = [&](uint16_t a, uint16_t b, uint16_t c) { faces.insert(faces.end(), {a, b, c}); };
    for (int s = 0; s < kSegments; ++s) add(0, ringVertex(1, s), ringVertex(1, s + 1));
    for (int ring = 1; ring < kRings - 1; ++ring) {
        for (int s = 0; s < kSegments; ++s) {
            add(ringVertex(ring, s), ringVertex(ring + 1, s), ringVertex(ring + 1, s + 1));
            add(ringVertex(ring, s), ringVertex(ring + 1, s + 1), ringVertex(ring, s + 1));
        }
    }
    for (int s = 0; s < kSegments; ++s) {
        add(ringVertex(kRings - 1, s), bottom, ringVertex(kRings - 1, s + 1));
    }
    const uint16_t triangles = static_cast<uint16_t>(faces.size() / 3);

    model_chunks::ChunkWriter out;
    out.Open(0x4D4D);  // main
    out.Open(0x0002);  // version
    out.U32(3);
    out.Close();
    out.Open(0x3D3D);  // editor
    out.Open(0x4000);  // object
    out.Name("pebble");
    out.Open(0x4100);  // triangle mesh
    out.Open(0x4110);  // vertices
    out.U16(static_cast<uint16_t>(vertices.size()));
    for (const Vertex& v : vertices) {
        out.F32(v.x);
        out.F32(v.y);
        out.F32(v.z);
    }
    out.Close();
    out.Open(0x4140);  // texture coordinates
    out.U16(static_cast<uint16_t>(vertices.size()));
    for (const Vertex& v : vertices) {
        out.F32(v.u);
        out.F32(v.v);
    }
    out.Close();
    out.Open(0x4120);  // faces
    out.U16(triangles);
    for (size_t i = 0; i < faces.size(); i += 3) {
        out.U16(faces[i]);
        out.U16(faces[i + 1]);
        out.U16(faces[i + 2]);
        out.U16(0x0007);  // edge flags
    }
    out.Open(0x4130);  // the one face group
    out.Name("stone");
    out.U16(triangles);
    for (uint16_t t = 0; t < triangles; ++t) out.U16(t);
    out.Close();
    out.Close();  // faces
    out.Close();  // mesh
    out.Close();  // object
    out.Close();  // editor
    out.Close();  // main

    return out.bytes;
}

bool WritePebbleModel(const std::string& path, std::string& error) {
    const std::vector<uint8_t> bytes = PebbleModelBytes();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
