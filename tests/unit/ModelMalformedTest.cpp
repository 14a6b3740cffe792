// Damaged 3DS files: every read stays inside the file and its chunk, and
// what is loaded always has the shape that drawing relies on.
#include <gtest/gtest.h>

#include <cstring>

#include "model/Model.h"
#include "support/ChunkWriter.h"
#include "support/ModelInvariants.h"

namespace {

Model LoadBytes(const std::vector<uint8_t>& bytes, size_t size) {
    Model model;
    model.LoadFromMemory(bytes.data(), size);
    return model;
}

Model LoadBytes(const std::vector<uint8_t>& bytes) {
    return LoadBytes(bytes, bytes.size());
}

TestMesh Square(const char* name) {
    TestMesh mesh;
    mesh.name = name;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 3}};
    mesh.groups = {{"skin", {1, 0}}};
    return mesh;
}

// Offset of the first chunk with `id` in `bytes` (a plain search; the tests'
// files hold no other byte pattern that matches the ids used).
size_t ChunkOffset(const std::vector<uint8_t>& bytes, uint16_t id) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == (id & 0xFF) && bytes[i + 1] == (id >> 8)) return i;
    }
    ADD_FAILURE() << "no chunk " << id;
    return 0;
}

void Poke16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Poke16(bytes, at, static_cast<uint16_t>(value));
    Poke16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

TEST(ModelMalformed, EveryTruncationLoadsAWellFormedPrefix) {
    TestMesh planar = Square("second");
    planar.texCoords.clear();
    const std::vector<uint8_t> bytes = ModelFileBytes({Square("first"), planar});
    const Model whole = LoadBytes(bytes);
    ASSERT_EQ(whole.objectCount, 2);

    for (size_t size = 0; size < bytes.size(); ++size) {
        const Model model = LoadBytes(bytes, size);
        ASSERT_EQ(ModelShapeProblem(model), "") << "cut at " << size;
        ASSERT_LE(model.objectCount, 2);
        for (size_t i = 0; i < model.objects.size(); ++i) {
            EXPECT_LE(model.objects[i].vertexCount, whole.objects[i].vertexCount);
            EXPECT_LE(model.objects[i].indexCount, whole.objects[i].indexCount);
        }
    }
}

TEST(ModelMalformed, ACutVertexListKeepsTheWholeVerticesBeforeTheCut) {
    const std::vector<uint8_t> bytes = ModelFileBytes({Square("s")});
    // The count, two whole vertices and half of the third.
    const size_t cut = ChunkOffset(bytes, 0x4110) + 6 + 2 + 12 * 2 + 6;
    const Model model = LoadBytes(bytes, cut);
    ASSERT_EQ(model.objectCount, 1);
    EXPECT_EQ(model.objects[0].vertexCount, 2);
    EXPECT_EQ(model.objects[0].indexCount, 0);
}

TEST(ModelMalformed, ChunkLengthsThatLieEndTheScan) {
    const std::vector<uint8_t> good = ModelFileBytes({Square("s")});
    const size_t vertexList = ChunkOffset(good, 0x4110);

    // Zero and shorter than a header: nothing after it in the mesh is read,
    // and the loader does not spin on the same chunk.
    for (uint32_t length : {0u, 3u}) {
        std::vector<uint8_t> bytes = good;
        Poke32(bytes, vertexList + 2, length);
        const Model model = LoadBytes(bytes);
        ASSERT_EQ(model.objectCount, 1);
        EXPECT_EQ(model.objects[0].vertexCount, 0) << length;
        EXPECT_EQ(model.objects[0].indexCount, 0) << length;
    }

    // Past the end of the mesh: cut to the mesh, which ends the scan.
    std::vector<uint8_t> bytes = good;
    Poke32(bytes, vertexList + 2, 0x7FFFFFFF);
    Model model = LoadBytes(bytes);
    EXPECT_EQ(model.objects[0].vertexCount, 4);
    EXPECT_EQ(model.objects[0].indexCount, 0);

    // A main chunk longer than the file is cut to the file.
    bytes = good;
    Poke32(bytes, 2, 0xFFFFFFFF);
    model = LoadBytes(bytes);
    EXPECT_EQ(model.objects[0].indexCount, 6);
}

TEST(ModelMalformed, CountsBeyondTheChunkAreCutToWhatItHolds) {
    std::vector<uint8_t> bytes = ModelFileBytes({Square("s")});
    Poke16(bytes, ChunkOffset(bytes, 0x4110) + 6, 60000);
    Poke16(bytes, ChunkOffset(bytes, 0x4140) + 6, 60000);
    const size_t group = ChunkOffset(bytes, 0x4130);
    Poke16(bytes, group + 6 + std::strlen("skin") + 1, 60000);
    const Model model = LoadBytes(bytes);
    ASSERT_EQ(ModelShapeProblem(model), "");
    EXPECT_EQ(model.objects[0].vertexCount, 4);
    EXPECT_EQ(model.objects[0].texCoordCount, 4);
    EXPECT_EQ(model.objects[0].groups[0].indexCount, 6);

    // A face count too large swallows the groups that follow the faces.
    Poke16(bytes, ChunkOffset(bytes, 0x4120) + 6, 60000);
    const Model faces = LoadBytes(bytes);
    EXPECT_EQ(ModelShapeProblem(faces), "");
    EXPECT_EQ(faces.objects[0].groupCount, 0);
}

TEST(ModelMalformed, TrianglesNamingMissingVerticesAreDroppedEverywhere) {
    TestMesh mesh = Square("s");
    mesh.triangles = {{0, 1, 2}, {0, 2, 9}, {0, 2, 3}};
    mesh.groups = {{"skin", {2, 1, 3, 7, 0}}};
    const Model model = LoadBytes(ModelFileBytes({mesh}));
    const ModelObject& object = model.objects[0];
    ASSERT_EQ(ModelShapeProblem(model), "");
    EXPECT_EQ(object.faceIndices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(object.groups[0].indices, (std::vector<uint16_t>{0, 2, 3, 0, 1, 2}));
    // The dropped triangle leaves no trace in the normals.
    for (size_t i = 0; i < object.normals.size(); ++i) EXPECT_EQ(object.normals[i], i % 3 == 2 ? 1.0f : 0.0f);
}

TEST(ModelMalformed, VerticesWithoutFileCoordinatesGetZeroes) {
    TestMesh mesh = Square("s");
    mesh.texCoords.resize(2);
    const Model model = LoadBytes(ModelFileBytes({mesh}));
    const ModelObject& object = model.objects[0];
    EXPECT_TRUE(object.hasTexCoords);
    EXPECT_EQ(object.texCoords, (std::vector<float>{0, 0, 1, 0, 0, 0, 0, 0}));
}

}  // namespace
