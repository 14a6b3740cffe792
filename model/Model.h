// A 3DS model in memory, ready to be drawn with client vertex arrays: its
// objects with vertex positions, per-vertex normals computed on loading,
// texture coordinates, triangles, and the triangles grouped as the file
// groups them (one indexed draw per group, model/gl/ModelDraw.h).
//
// Positions are turned from the file's Z-up axes to the scene's Y-up axes:
// a file position (X, Y, Z) is stored as (X, Z, -Y).
//
// Loading trusts nothing in the file: it never reads outside the file or
// outside the chunk it is reading, and it drops triangles that name missing
// vertices, so drawing can never make the GL read outside an array. A file
// that cannot be read adds nothing to the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Triangles of one object that the file groups together (by material).
struct FaceGroup {
    std::vector<uint16_t> indices;  // three vertex numbers per triangle
    int32_t indexCount = 0;         // three times the number of triangles
};

// One named object of the file. Objects that are not meshes (cameras,
// lights) have no vertices and no groups, and draw nothing.
//
// After loading, every array matches its count, every index is below
// vertexCount, and texCoords holds a (u, v) pair for every vertex: the
// file's, or planar ones (u = x, v = y of the stored position) when the file
// carried none.
struct ModelObject {
    static constexpr int kNameSize = 80;

    char name[kNameSize] = {};     // zero-terminated
    std::vector<float> vertices;   // x, y, z per vertex, Y-up
    std::vector<float> normals;    // unit normal per vertex; zero for a vertex of no triangle
    std::vector<float> texCoords;  // u, v per coordinate
    std::vector<uint16_t> faceIndices;  // three vertex numbers per triangle
    int32_t indexCount = 0;             // three times the number of triangles
    int32_t groupCount = 0;
    int32_t vertexCount = 0;
    int32_t texCoordCount = 0;
    bool hasTexCoords = false;  // the texture coordinates came from the file
    std::vector<FaceGroup> groups;

    // The object's own placement, for callers; loading leaves them as they are.
    float position[3] = {0.0f, 0.0f, 0.0f};
    float rotation[3] = {0.0f, 0.0f, 0.0f};  // degrees about x, y, z
    bool visible = true;
    float brightness = 1.0f;
};

// What LoadFile found at a path.
enum class ModelFileStatus {
    Read,        // a 3DS file, read as far as it can be safely
    NotA3ds,     // empty, or not starting with a 3DS main chunk
    Unreadable,  // missing, a folder, not a regular file, or failing to read
};

class Model {
public:
    Model() = default;
    virtual ~Model() = default;

    // Reads a 3DS file and appends its objects, those of every scene chunk
    // in file order. A path written in double quotes loses them. Reports
    // nothing: a file that cannot be read adds nothing, a damaged one adds
    // what can be read of it safely.
    void Load(const char* path);

    // Load, saying what the file is. The file is opened once, and only
    // when it is a regular file: a pipe or a device is refused without
    // waiting for it. For anything but Read, `problem` says why in words
    // for the person who chose the file ("cannot open it: ...", "it is a
    // folder, not a model", "it is not a regular file", "the file is
    // empty", or that it does not start as a 3DS file, with what it looks
    // like instead when that is plain).
    ModelFileStatus LoadFile(const char* path, std::string& problem);

    // Load on the bytes of a file already in memory.
    void LoadFromMemory(const uint8_t* bytes, size_t size);

    // Drawing state, set by callers (model/gl/ModelDraw.h draws the model).
    // The polygon modes are GL enumerants.
    static constexpr int32_t kFill = 0x1B02;  // GL_FILL
    bool applyPolygonModes = true;  // drawing sets the two polygon modes below
    int32_t frontMode = kFill;
    int32_t backMode = kFill;

    int32_t objectCount = 0;
    std::vector<ModelObject> objects;  // in file order

    float position[3] = {0.0f, 0.0f, 0.0f};
    float rotation[3] = {0.0f, 0.0f, 0.0f};  // degrees about x, y, z
    float scale = 1.0f;
    bool visible = true;
    float brightness = 1.0f;  // grey level and alpha factor of every object
};

// The bytes of the 3DS file at `path` that LoadFile loads (its first chunk,
// as far as the file holds it), read as LoadFile reads them; `problem` as
// for LoadFile.
ModelFileStatus ReadModelFile(const char* path, std::vector<uint8_t>& bytes, std::string& problem);

// The file that a model path names: a path that holds double quotes is cut
// to its first stretch without them after any leading quotes, so
// "\"data/3ds/a.3ds\"" names data/3ds/a.3ds.
std::string ModelFilePath(const char* path);
