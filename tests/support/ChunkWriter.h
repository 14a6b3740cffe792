// Writes 3DS files for tests: nested chunks whose lengths are filled in when
// they close, and whole model files from a short description of their mesh
// objects, with the mesh chunks in any order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ChunkWriter {
public:
    // Starts a chunk; its length is written by the matching Close.
    ChunkWriter& Open(uint16_t id);
    ChunkWriter& Close();

    ChunkWriter& U16(uint16_t value);
    ChunkWriter& U32(uint32_t value);
    ChunkWriter& F32(float value);
    ChunkWriter& Name(std::string_view name);  // the characters and a zero

    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    std::vector<size_t> openChunks_;
};

// A mesh object in file coordinates (Z up).
struct TestMesh {
    std::string name = "mesh";
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 2>> texCoords;  // empty: no coordinate chunk
    std::vector<std::array<uint16_t, 3>> triangles;
    // Material name and triangle numbers of each face group.
    std::vector<std::pair<std::string, std::vector<uint16_t>>> groups;
    // The mesh's chunks in file order: v vertices, t texture coordinates,
    // f faces (with their groups).
    std::string chunkOrder = "vtf";
};

void WriteMeshObject(ChunkWriter& writer, const TestMesh& mesh);
void WriteMaterial(ChunkWriter& writer, std::string_view name);
void WriteLightObject(ChunkWriter& writer, std::string_view name);
void WriteCameraObject(ChunkWriter& writer, std::string_view name);

// A complete file: main chunk, one scene chunk with a material for every
// group name (so that other readers can tell the groups apart), then the
// objects.
std::vector<uint8_t> ModelFileBytes(const std::vector<TestMesh>& objects);

// A file in the temporary folder holding `bytes`, removed on destruction.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes, std::string_view suffix = ".3ds");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};
