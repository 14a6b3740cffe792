// Reading well-formed 3DS files written by the test chunk writer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "model/Model.h"
#include "support/ChunkWriter.h"
#include "support/ModelInvariants.h"

namespace {

using Vec3 = std::array<float, 3>;

// The file coordinates (Z up) of a stored position (Y up).
Vec3 FromStored(float x, float y, float z) {
    return {x, -z, y};
}

Model LoadBytes(const std::vector<uint8_t>& bytes) {
    Model model;
    model.LoadFromMemory(bytes.data(), bytes.size());
    EXPECT_EQ(ModelShapeProblem(model), "");
    return model;
}

Vec3 Position(const ModelObject& object, int vertex) {
    return {object.vertices[vertex * 3], object.vertices[vertex * 3 + 1], object.vertices[vertex * 3 + 2]};
}

Vec3 Normal(const ModelObject& object, int vertex) {
    return {object.normals[vertex * 3], object.normals[vertex * 3 + 1], object.normals[vertex * 3 + 2]};
}

std::array<float, 2> TexCoord(const ModelObject& object, int vertex) {
    return {object.texCoords[vertex * 2], object.texCoords[vertex * 2 + 1]};
}

void ExpectNear(const Vec3& actual, const Vec3& expected) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6f) << "component " << i;
}

TestMesh ThreeTriangles() {
    TestMesh mesh;
    mesh.name = "Rock";
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.25f}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 3}, {2, 4, 3}};
    mesh.groups = {{"stone", {2, 0}}, {"moss", {1}}};
    return mesh;
}

TEST(ModelLoad, ReadsAMeshObjectWithYUpPositions) {
    TestMesh mesh = ThreeTriangles();
    mesh.vertices[1] = {1, 2, 3};
    const Model model = LoadBytes(ModelFileBytes({mesh}));

    ASSERT_EQ(model.objectCount, 1);
    const ModelObject& object = model.objects[0];
    EXPECT_STREQ(object.name, "Rock");
    EXPECT_EQ(object.vertexCount, 5);
    ExpectNear(Position(object, 1), {1, 3, -2});
    EXPECT_TRUE(object.hasTexCoords);
    EXPECT_EQ(object.texCoordCount, 5);
    EXPECT_EQ(TexCoord(object, 4), (std::array<float, 2>{0.5f, 0.25f}));
    EXPECT_EQ(object.faceIndices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 2, 4, 3}));
    EXPECT_EQ(object.indexCount, 9);
}

TEST(ModelLoad, FaceGroupsCopyTheirTrianglesInListedOrder) {
    const Model model = LoadBytes(ModelFileBytes({ThreeTriangles()}));
    const ModelObject& object = model.objects[0];
    ASSERT_EQ(object.groupCount, 2);
    EXPECT_EQ(object.groups[0].indices, (std::vector<uint16_t>{2, 4, 3, 0, 1, 2}));
    EXPECT_EQ(object.groups[0].indexCount, 6);
    EXPECT_EQ(object.groups[1].indices, (std::vector<uint16_t>{0, 2, 3}));
}

TEST(ModelLoad, NormalsAreAreaWeightedUnitVectorsAndZeroForLooseVertices) {
    TestMesh mesh;
    // Stored positions: a triangle of area 2 in the xy plane and one of area
    // 1/2 in the yz plane, sharing vertex 0; vertex 5 is in no triangle.
    mesh.vertices = {FromStored(0, 0, 0), FromStored(2, 0, 0), FromStored(0, 2, 0),
                     FromStored(0, 0, 1), FromStored(0, 1, 0), FromStored(7, 7, 7)};
    mesh.triangles = {{0, 1, 2}, {0, 3, 4}};
    const Model model = LoadBytes(ModelFileBytes({mesh}));
    const ModelObject& object = model.objects[0];

    ExpectNear(Normal(object, 1), {0, 0, 1});
    ExpectNear(Normal(object, 3), {-1, 0, 0});
    const float length = std::sqrt(17.0f);
    ExpectNear(Normal(object, 0), {-1 / length, 0, 4 / length});
    ExpectNear(Normal(object, 5), {0, 0, 0});
}

TEST(ModelLoad, ObjectsWithoutCoordinatesGetPlanarOnes) {
    TestMesh mesh = ThreeTriangles();
    mesh.texCoords.clear();
    mesh.vertices[4] = FromStored(3, -4, 5);
    const Model model = LoadBytes(ModelFileBytes({mesh}));
    const ModelObject& object = model.objects[0];

    EXPECT_FALSE(object.hasTexCoords);
    EXPECT_EQ(object.texCoordCount, object.vertexCount);
    EXPECT_EQ(TexCoord(object, 4), (std::array<float, 2>{3, -4}));
}

TEST(ModelLoad, ReadsEverySceneChunkInFileOrderAndSkipsOtherChunks) {
    TestMesh first = ThreeTriangles();
    first.name = "first";
    TestMesh second = ThreeTriangles();
    second.name = "second";
    ChunkWriter writer;
    writer.Open(0x4D4D).Open(0x3D3D);
    WriteMeshObject(writer, first);
    writer.Close();
    writer.Open(0xB000).Open(0x4000).Name("not an object").Close().Close();
    writer.Open(0x3D3D);
    writer.Open(0x4160).F32(1).F32(2).F32(3).Close();
    WriteMeshObject(writer, second);
    writer.Close().Close();
    const Model model = LoadBytes(writer.bytes());

    ASSERT_EQ(model.objectCount, 2);
    EXPECT_STREQ(model.objects[0].name, "first");
    EXPECT_STREQ(model.objects[1].name, "second");
    EXPECT_EQ(model.objects[1].indexCount, 9);
}

TEST(ModelLoad, NamesEndAtTheirZeroOrAfter79Characters) {
    TestMesh longest = ThreeTriangles();
    longest.name = std::string(79, 'a');
    const Model model = LoadBytes(ModelFileBytes({longest}));
    EXPECT_EQ(std::string(model.objects[0].name), longest.name);
    EXPECT_EQ(model.objects[0].indexCount, 9);

    // No zero within 80 bytes: the name is cut, and the object still loads.
    ChunkWriter writer;
    writer.Open(0x4D4D).Open(0x3D3D).Open(0x4000).Name(std::string(90, 'b')).Close().Close().Close();
    const Model cut = LoadBytes(writer.bytes());
    ASSERT_EQ(cut.objectCount, 1);
    EXPECT_EQ(std::string(cut.objects[0].name), std::string(79, 'b'));
}

TEST(ModelLoad, LoadsFromAPathWithOrWithoutQuotes) {
    const TempFile file(ModelFileBytes({ThreeTriangles()}));
    Model plain;
    plain.Load(file.path().c_str());
    EXPECT_EQ(plain.objectCount, 1);
    Model quoted;
    quoted.Load(("\"" + file.path() + "\"").c_str());
    ASSERT_EQ(quoted.objectCount, 1);
    EXPECT_EQ(quoted.objects[0].vertices, plain.objects[0].vertices);

    EXPECT_EQ(ModelFilePath("\"\"data/3ds/a.3ds\"\""), "data/3ds/a.3ds");
    EXPECT_EQ(ModelFilePath("data/a.3ds\" trailing"), "data/a.3ds");
    EXPECT_EQ(ModelFilePath("data/a b.3ds"), "data/a b.3ds");
}

TEST(ModelLoad, AFileThatCannotBeReadLeavesTheModelEmptyWithoutWaitingForAPipe) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"/nonexistent/pebble.3ds", "cannot open it: No such file or directory"},
        {std::filesystem::temp_directory_path().string(), "it is a folder, not a model"},
        {"\"\"", "cannot open it: No such file or directory"},
        {"", "cannot open it: No such file or directory"},
    };
#if !defined(_WIN32)
    // A named pipe without a writer would keep an open() waiting for ever.
    const std::string pipe = std::filesystem::temp_directory_path() / ("model-pipe-" + std::to_string(getpid()));
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    cases.push_back({pipe, "it is not a regular file"});
    cases.push_back({"/dev/zero", "it is not a regular file"});
#endif
    for (const auto& [path, expected] : cases) {
        Model model;
        std::string problem;
        EXPECT_EQ(model.LoadFile(path.c_str(), problem), ModelFileStatus::Unreadable) << path;
        EXPECT_EQ(problem, expected) << path;
        EXPECT_EQ(model.objectCount, 0) << path;
        EXPECT_TRUE(model.objects.empty()) << path;
    }
#if !defined(_WIN32)
    std::remove(pipe.c_str());
#endif
    Model model;
    model.Load(nullptr);
    EXPECT_EQ(model.objectCount, 0);
}

}  // namespace
