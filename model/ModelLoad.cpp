// Reading 3DS files into a Model.
//
// A 3DS file is a tree of chunks: a 16-bit id, a 32-bit length that counts
// the 6-byte header, then the body. The whole file is read into memory and
// every reader works on a bounded view of its chunk's body, so no read can
// leave the file or the chunk, whatever the lengths and counts say.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <span>

#include "model/Model.h"
#include "model/ModelChunks.h"

namespace {

using namespace model_chunks;

constexpr size_t kTexCoordSize = 8;    // two floats
constexpr size_t kFaceRecordSize = 8;  // three indices and a flags word

// A list that starts with a 16-bit count of records of `recordSize` bytes
// each; the count is cut to the whole records that follow it in the body.
struct RecordList {
    size_t count = 0;
    const uint8_t* records = nullptr;
};

RecordList ReadRecordList(Bytes body, size_t recordSize) {
    if (body.size() < 2) return {};
    return {std::min<size_t>(ReadU16(body.data()), (body.size() - 2) / recordSize), body.data() + 2};
}

// Copies the zero-terminated name at the start of `body` into `name` and
// returns the number of bytes it takes in the file: up to and including the
// zero, at most kNameSize bytes. A name with no zero within that is cut to
// kNameSize - 1 characters.
size_t ReadName(Bytes body, char (&name)[ModelObject::kNameSize]) {
    const size_t taken = NameBytes(body, ModelObject::kNameSize);
    const size_t kept = std::min<size_t>(taken > 0 && body[taken - 1] == 0 ? taken - 1 : taken,
                                         ModelObject::kNameSize - 1);
    std::memcpy(name, body.data(), kept);
    name[kept] = '\0';
    return taken;
}

void ReadVertexList(Bytes body, ModelObject& object) {
    const auto [count, records] = ReadRecordList(body, kVertexSize);
    object.vertices.resize(count * 3);
    const uint8_t* record = records;
    float* stored = object.vertices.data();
    for (size_t i = 0; i < count; ++i, record += kVertexSize, stored += 3) {
        // File axes are Z-up; the scene is Y-up.
        stored[0] = ReadF32(record);
        stored[1] = ReadF32(record + 8);
        stored[2] = -ReadF32(record + 4);
    }
    object.vertexCount = static_cast<int32_t>(count);
}

void ReadTexCoordList(Bytes body, ModelObject& object) {
    const auto [count, records] = ReadRecordList(body, kTexCoordSize);
    object.texCoords.resize(count * 2);
    const uint8_t* record = records;
    for (size_t i = 0; i < count * 2; ++i, record += 4) object.texCoords[i] = ReadF32(record);
    object.texCoordCount = static_cast<int32_t>(count);
    object.hasTexCoords = count > 0;
}

// A face group names its material, then lists triangle numbers of the face
// list it sits in. Entries that name no triangle are dropped.
void ReadFaceGroup(Bytes body, const std::vector<uint16_t>& faceIndices, FaceGroup& group) {
    char materialName[ModelObject::kNameSize];
    const Bytes list = body.subspan(ReadName(body, materialName));
    const auto [count, triangles] = ReadRecordList(list, 2);
    const size_t triangleCount = faceIndices.size() / 3;
    group.indices.resize(count * 3);
    uint16_t* out = group.indices.data();
    for (size_t i = 0; i < count; ++i) {
        const size_t triangle = ReadU16(triangles + i * 2);
        if (triangle >= triangleCount) continue;
        const uint16_t* corners = faceIndices.data() + triangle * 3;
        out[0] = corners[0];
        out[1] = corners[1];
        out[2] = corners[2];
        out += 3;
    }
    group.indices.resize(static_cast<size_t>(out - group.indices.data()));
    group.indexCount = static_cast<int32_t>(group.indices.size());
}

// The triangles, then the face groups that follow them inside the chunk.
void ReadFaceList(Bytes body, ModelObject& object) {
    const auto [count, records] = ReadRecordList(body, kFaceRecordSize);
    object.faceIndices.resize(count * 3);
    const uint8_t* record = records;
    for (size_t i = 0; i < count; ++i, record += kFaceRecordSize) {
        object.faceIndices[i * 3] = ReadU16(record);
        object.faceIndices[i * 3 + 1] = ReadU16(record + 2);
        object.faceIndices[i * 3 + 2] = ReadU16(record + 4);
    }
    object.indexCount = static_cast<int32_t>(count * 3);

    const Bytes rest = body.subspan(std::min(body.size(), 2 + count * kFaceRecordSize));
    size_t groupChunks = 0;
    ScanChunks(rest, [&](uint16_t id, Bytes) { groupChunks += id == kFaceGroup; });
    object.groups.clear();
    object.groups.resize(groupChunks);
    size_t next = 0;
    ScanChunks(rest, [&](uint16_t id, Bytes chunk) {
        if (id == kFaceGroup) ReadFaceGroup(chunk, object.faceIndices, object.groups[next++]);
    });
    object.groupCount = static_cast<int32_t>(groupChunks);
}

// Vertices and texture coordinates first, triangles second, whatever their
// order in the file.
void ReadMesh(Bytes body, ModelObject& object) {
    ScanChunks(body, [&](uint16_t id, Bytes chunk) {
        if (id == kVertexList) ReadVertexList(chunk, object);
        if (id == kTexCoordList) ReadTexCoordList(chunk, object);
    });
    ScanChunks(body, [&](uint16_t id, Bytes chunk) {
        if (id == kFaceList) ReadFaceList(chunk, object);
    });
}

void ReadObject(Bytes body, ModelObject& object) {
    const Bytes rest = body.subspan(ReadName(body, object.name));
    ScanChunks(rest, [&](uint16_t id, Bytes chunk) {
        if (id == kMesh) ReadMesh(chunk, object);
    });
}

void ReadScene(Bytes body, std::vector<ModelObject>& objects) {
    size_t objectChunks = 0;
    ScanChunks(body, [&](uint16_t id, Bytes) { objectChunks += id == kObject; });
    objects.reserve(objects.size() + objectChunks);
    ScanChunks(body, [&](uint16_t id, Bytes chunk) {
        if (id == kObject) ReadObject(chunk, objects.emplace_back());
    });
}

// Removes every triangle that names a vertex at or beyond vertexCount.
void DropBrokenTriangles(std::vector<uint16_t>& indices, size_t vertexCount) {
    size_t kept = 0;
    for (size_t i = 0; i + 3 <= indices.size(); i += 3) {
        if (indices[i] >= vertexCount || indices[i + 1] >= vertexCount || indices[i + 2] >= vertexCount) {
            continue;
        }
        if (kept != i) {
            indices[kept] = indices[i];
            indices[kept + 1] = indices[i + 1];
            indices[kept + 2] = indices[i + 2];
        }
        kept += 3;
    }
    indices.resize(kept);
}

// Each triangle adds its unnormalised face normal to its three vertices, so
// larger triangles weigh more; a vertex of no triangle keeps a zero normal.
void ComputeNormals(ModelObject& object) {
    object.normals.assign(object.vertices.size(), 0.0f);
    const float* positions = object.vertices.data();
    float* normals = object.normals.data();
    const std::vector<uint16_t>& indices = object.faceIndices;
    for (size_t i = 0; i < indices.size(); i += 3) {
        const float* a = positions + indices[i] * 3;
        const float* b = positions + indices[i + 1] * 3;
        const float* c = positions + indices[i + 2] * 3;
        const float bc[3] = {b[0] - c[0], b[1] - c[1], b[2] - c[2]};
        const float ba[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float face[3] = {bc[1] * ba[2] - bc[2] * ba[1], bc[2] * ba[0] - bc[0] * ba[2],
                               bc[0] * ba[1] - bc[1] * ba[0]};
        for (size_t corner = 0; corner < 3; ++corner) {
            float* normal = normals + indices[i + corner] * 3;
            normal[0] += face[0];
            normal[1] += face[1];
            normal[2] += face[2];
        }
    }
    for (size_t i = 0; i < object.normals.size(); i += 3) {
        float* normal = normals + i;
        float length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        if (length == 0.0f) length = 1.0f;
        normal[0] /= length;
        normal[1] /= length;
        normal[2] /= length;
    }
}

// Brings a freshly read object to the shape that drawing relies on.
void FinishObject(ModelObject& object) {
    const size_t vertexCount = object.vertices.size() / 3;
    DropBrokenTriangles(object.faceIndices, vertexCount);
    object.indexCount = static_cast<int32_t>(object.faceIndices.size());
    for (FaceGroup& group : object.groups) {
        DropBrokenTriangles(group.indices, vertexCount);
        group.indexCount = static_cast<int32_t>(group.indices.size());
    }
    ComputeNormals(object);

    if (object.texCoords.empty()) {
        // No coordinates in the file: planar ones from the stored x and y.
        object.texCoords.resize(vertexCount * 2);
        for (size_t i = 0; i < vertexCount; ++i) {
            object.texCoords[i * 2] = object.vertices[i * 3];
            object.texCoords[i * 2 + 1] = object.vertices[i * 3 + 1];
        }
        object.hasTexCoords = false;
    } else if (object.texCoords.size() < vertexCount * 2) {
        // Too few in the file: the vertices without one get (0, 0).
        object.texCoords.resize(vertexCount * 2, 0.0f);
    }
    object.texCoordCount = static_cast<int32_t>(object.texCoords.size() / 2);
}

}  // namespace

std::string ModelFilePath(const char* path) {
    if (!path) return {};
    const std::string_view text(path);
    const size_t start = text.find_first_not_of('"');
    if (start == std::string_view::npos) return {};
    const size_t end = text.find('"', start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

void Model::LoadFromMemory(const uint8_t* bytes, size_t size) {
    if (!bytes || size < kHeaderSize) return;
    // The first chunk's id is not checked: only its 0x3D3D children matter.
    const uint32_t length = ReadU32(bytes + 2);
    if (length < kHeaderSize) return;
    const Bytes body(bytes + kHeaderSize, std::min<size_t>(length, size) - kHeaderSize);

    const size_t firstNew = objects.size();
    try {
        ScanChunks(body, [&](uint16_t id, Bytes chunk) {
            if (id == kScene) ReadScene(chunk, objects);
        });
        for (size_t i = firstNew; i < objects.size(); ++i) FinishObject(objects[i]);
    } catch (const std::bad_alloc&) {
        // Out of memory (a file that claims a vast number of chunks): the
        // file adds nothing rather than a half-read object.
        objects.resize(firstNew);
    }
    objectCount = static_cast<int32_t>(objects.size());
}
