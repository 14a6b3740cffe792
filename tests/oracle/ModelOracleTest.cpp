// Our 3DS loader against two independent readers, lib3ds and assimp, on the
// real files in tests/data/3ds, on files written by the test chunk writer
// and on a file written by lib3ds itself.
//
// lib3ds hands back the file's raw positions, so it checks every file.
// assimp moves positions by a mesh's matrix chunk, which the real files
// carry, so it checks the files made here, which carry none.
#include <gtest/gtest.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/Model.h"
#include "support/ChunkWriter.h"
#include "support/ModelInvariants.h"

namespace {

using Triangle = std::array<uint16_t, 3>;
using PositionTriangle = std::array<float, 9>;

std::vector<std::string> RealFiles() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(MODEL_TEST_DATA_DIR)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".3ds" || extension == ".3DS") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

const ModelObject* ObjectNamed(const Model& model, const char* name) {
    for (const ModelObject& object : model.objects) {
        if (std::strcmp(object.name, name) == 0) return &object;
    }
    return nullptr;
}

std::vector<Triangle> Triangles(const std::vector<uint16_t>& indices) {
    std::vector<Triangle> triangles;
    for (size_t i = 0; i + 3 <= indices.size(); i += 3) triangles.push_back({indices[i], indices[i + 1], indices[i + 2]});
    return triangles;
}

// A sorted list of sorted triangle lists: how an object's triangles are
// grouped, whatever the order of the groups and of the triangles in them.
template <typename T>
std::vector<std::vector<T>> Partition(std::vector<std::vector<T>> parts) {
    for (auto& part : parts) std::sort(part.begin(), part.end());
    std::sort(parts.begin(), parts.end());
    return parts;
}

// Our groups plus one part for the triangles in no group.
std::vector<std::vector<Triangle>> OurGrouping(const ModelObject& object) {
    std::vector<std::vector<Triangle>> parts;
    std::set<Triangle> grouped;
    for (const FaceGroup& group : object.groups) {
        parts.push_back(Triangles(group.indices));
        grouped.insert(parts.back().begin(), parts.back().end());
    }
    std::vector<Triangle> loose;
    for (const Triangle& triangle : Triangles(object.faceIndices)) {
        if (!grouped.count(triangle)) loose.push_back(triangle);
    }
    if (!loose.empty()) parts.push_back(loose);
    return Partition(parts);
}

void ExpectMatchesLib3ds(const std::string& path) {
    SCOPED_TRACE(path);
    Model model;
    model.Load(path.c_str());
    ASSERT_EQ(ModelShapeProblem(model), "");
    Lib3dsFile* file = lib3ds_file_load(path.c_str());
    ASSERT_NE(file, nullptr);

    int objects = 0;
    for (Lib3dsMesh* mesh = file->meshes; mesh; mesh = mesh->next, ++objects) {
        SCOPED_TRACE(mesh->name);
        const ModelObject* object = ObjectNamed(model, mesh->name);
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->vertexCount, static_cast<int32_t>(mesh->points));
        for (uint32_t i = 0; i < mesh->points; ++i) {
            const float* file = mesh->pointL[i].pos;
            const float expected[3] = {file[0], file[2], -file[1]};
            ASSERT_TRUE(std::equal(expected, expected + 3, object->vertices.begin() + i * 3)) << "vertex " << i;
        }
        EXPECT_EQ(object->hasTexCoords, mesh->texels > 0);
        if (mesh->texels > 0) {
            ASSERT_EQ(object->texCoordCount, static_cast<int32_t>(mesh->texels));
            for (uint32_t i = 0; i < mesh->texels; ++i) {
                EXPECT_EQ(object->texCoords[i * 2], mesh->texelL[i][0]);
                EXPECT_EQ(object->texCoords[i * 2 + 1], mesh->texelL[i][1]);
            }
        }
        // lib3ds names each face's material (the last group that lists it);
        // faces of no group have an empty name.
        std::vector<Triangle> faces;
        std::map<std::string, std::vector<Triangle>> byMaterial;
        for (uint32_t i = 0; i < mesh->faces; ++i) {
            const Lib3dsFace& face = mesh->faceL[i];
            faces.push_back({face.points[0], face.points[1], face.points[2]});
            byMaterial[face.material].push_back(faces.back());
        }
        EXPECT_EQ(Triangles(object->faceIndices), faces);
        std::vector<std::vector<Triangle>> parts;
        for (auto& [material, triangles] : byMaterial) parts.push_back(triangles);
        EXPECT_EQ(OurGrouping(*object), Partition(parts));
    }
    for (Lib3dsCamera* camera = file->cameras; camera; camera = camera->next, ++objects) {
        const ModelObject* object = ObjectNamed(model, camera->name);
        ASSERT_NE(object, nullptr) << camera->name;
        EXPECT_EQ(object->vertexCount, 0);
    }
    for (Lib3dsLight* light = file->lights; light; light = light->next, ++objects) {
        const ModelObject* object = ObjectNamed(model, light->name);
        ASSERT_NE(object, nullptr) << light->name;
        EXPECT_EQ(object->vertexCount, 0);
    }
    EXPECT_EQ(model.objectCount, objects);
    lib3ds_file_free(file);
}

// Triangle corners in the file's coordinates.
PositionTriangle CornersInFile(const ModelObject& object, const Triangle& triangle) {
    PositionTriangle corners{};
    for (size_t corner = 0; corner < 3; ++corner) {
        const float* stored = object.vertices.data() + triangle[corner] * 3;
        corners[corner * 3] = stored[0];
        corners[corner * 3 + 1] = -stored[2];
        corners[corner * 3 + 2] = stored[1];
    }
    return corners;
}

// assimp splits each mesh object into one mesh per material, with the
// triangles of no group under a default material, names them by the
// object's number among the mesh objects (in files without keyframe data),
// and gives every corner its own vertex; so positions are compared triangle
// by triangle.
void ExpectMatchesAssimp(const std::string& path) {
    SCOPED_TRACE(path);
    Model model;
    model.Load(path.c_str());
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();

    std::map<std::string, std::vector<std::vector<PositionTriangle>>> theirs;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[i];
        auto& part = theirs[mesh->mName.C_Str()].emplace_back();
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            ASSERT_EQ(mesh->mFaces[f].mNumIndices, 3u);
            PositionTriangle corners{};
            for (size_t corner = 0; corner < 3; ++corner) {
                const aiVector3D& v = mesh->mVertices[mesh->mFaces[f].mIndices[corner]];
                corners[corner * 3] = v.x;
                corners[corner * 3 + 1] = v.y;
                corners[corner * 3 + 2] = v.z;
            }
            part.push_back(corners);
        }
    }
    int meshObjects = 0;
    for (const ModelObject& object : model.objects) {
        if (object.vertexCount == 0) continue;
        SCOPED_TRACE(object.name);
        std::vector<std::vector<PositionTriangle>> ours;
        for (const auto& part : OurGrouping(object)) {
            auto& corners = ours.emplace_back();
            for (const Triangle& triangle : part) corners.push_back(CornersInFile(object, triangle));
        }
        EXPECT_EQ(Partition(ours), Partition(theirs[std::to_string(meshObjects++)]));
    }
    EXPECT_EQ(model.objectCount - meshObjects, static_cast<int>(scene->mNumCameras + scene->mNumLights));
}

TEST(ModelOracle, RealFilesReadAsLib3dsReadsThem) {
    const auto files = RealFiles();
    ASSERT_GE(files.size(), 9u);
    for (const std::string& path : files) ExpectMatchesLib3ds(path);
}

TestMesh Wedge(const char* name, const char* order) {
    TestMesh mesh;
    mesh.name = name;
    mesh.vertices = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}, {0, 0, 2}, {4, 0, 2.5f}};
    mesh.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0.5f}, {1, 0.5f}};
    mesh.triangles = {{0, 2, 1}, {0, 3, 2}, {0, 1, 5}, {0, 5, 4}, {3, 4, 5}, {3, 5, 2}};
    mesh.groups = {{"floor", {1, 0}}, {"wall", {2, 3}}};  // triangles 4 and 5 in no group
    mesh.chunkOrder = order;
    return mesh;
}

TEST(ModelOracle, WrittenFilesReadAsLib3dsAndAssimpReadThem) {
    TestMesh noCoordinates = Wedge("plain", "vf");
    TestMesh noGroups = Wedge("loose", "fvt");
    noGroups.groups.clear();
    const std::vector<std::vector<TestMesh>> files = {
        {Wedge("usual", "vtf")},
        {Wedge("facesFirst", "ftv"), Wedge("coordsLast", "vft")},
        {noCoordinates, noGroups},
    };
    for (const auto& objects : files) {
        const TempFile file(ModelFileBytes(objects));
        ExpectMatchesLib3ds(file.path());
        ExpectMatchesAssimp(file.path());
    }

    // Objects that are not meshes, between meshes.
    ChunkWriter writer;
    writer.Open(0x4D4D).Open(0x3D3D);
    WriteMaterial(writer, "floor");
    WriteMaterial(writer, "wall");
    WriteCameraObject(writer, "Camera01");
    WriteMeshObject(writer, Wedge("between", "vtf"));
    WriteLightObject(writer, "Omni01");
    writer.Close().Close();
    const TempFile withLights(writer.bytes());
    ExpectMatchesLib3ds(withLights.path());
    ExpectMatchesAssimp(withLights.path());
}

TEST(ModelOracle, ReadsAFileWrittenByLib3ds) {
    Lib3dsFile* file = lib3ds_file_new();
    for (const char* name : {"red", "blue"}) {
        Lib3dsMaterial* material = lib3ds_material_new();
        std::strcpy(material->name, name);
        lib3ds_file_insert_material(file, material);
    }
    Lib3dsMesh* mesh = lib3ds_mesh_new("Written");
    lib3ds_matrix_identity(mesh->matrix);
    const float points[5][3] = {{0, 0, 0}, {1, 2, 3}, {-4, 5, 6}, {7, -8, 9}, {1.5f, 2.5f, -3.5f}};
    lib3ds_mesh_new_point_list(mesh, 5);
    lib3ds_mesh_new_texel_list(mesh, 5);
    for (int i = 0; i < 5; ++i) {
        std::memcpy(mesh->pointL[i].pos, points[i], sizeof points[i]);
        mesh->texelL[i][0] = 0.25f * static_cast<float>(i);
        mesh->texelL[i][1] = 1.0f - 0.125f * static_cast<float>(i);
    }
    const Triangle faces[3] = {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}};
    const char* materials[3] = {"red", "blue", "red"};
    lib3ds_mesh_new_face_list(mesh, 3);
    for (int i = 0; i < 3; ++i) {
        std::copy(faces[i].begin(), faces[i].end(), mesh->faceL[i].points);
        std::strcpy(mesh->faceL[i].material, materials[i]);
    }
    lib3ds_file_insert_mesh(file, mesh);
    const TempFile saved(std::vector<uint8_t>{});
    ASSERT_TRUE(lib3ds_file_save(file, saved.path().c_str()));
    lib3ds_file_free(file);

    Model model;
    model.Load(saved.path().c_str());
    ASSERT_EQ(model.objectCount, 1);
    const ModelObject& object = model.objects[0];
    EXPECT_EQ(std::vector<float>(object.vertices.begin() + 3, object.vertices.begin() + 6),
              (std::vector<float>{1, 3, -2}));
    EXPECT_EQ(OurGrouping(object), Partition<Triangle>({{{0, 1, 2}, {2, 3, 4}}, {{1, 3, 2}}}));
    ExpectMatchesLib3ds(saved.path());
    ExpectMatchesAssimp(saved.path());
}

}  // namespace
