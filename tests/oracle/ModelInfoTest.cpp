// model-info: its exact output on files made here, and its description of
// the real files checked against what lib3ds reads from them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/ToolRun.h"
#include "support/ChunkWriter.h"

namespace {

ToolRun ModelInfo(const std::string& arguments) {
    return RunTool(std::string(MODEL_INFO_PROGRAM) + " " + arguments);
}

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value == 0.0f ? 0.0 : static_cast<double>(value));
    return text;
}

TestMesh Rock() {
    TestMesh mesh;
    mesh.name = "Rock";
    mesh.vertices = {{0, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, -1.5f, 2}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 3}, {1, 2, 3}};
    mesh.groups = {{"stone", {0, 1}}};
    return mesh;
}

TEST(ModelInfo, DescribesObjectsGroupsAndBoundsAndWarnsOfUngroupedTriangles) {
    ChunkWriter writer;
    writer.Open(0x4D4D).Open(0x3D3D);
    WriteLightObject(writer, "Omni01");
    WriteMeshObject(writer, Rock());
    writer.Close().Close();
    const TempFile file(writer.bytes());

    const ToolRun run = ModelInfo(file.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "objects 2\n"
              "object 0 Omni01 vertices 0 texcoords 0 planar triangles 0 groups 0\n"
              "object 1 Rock vertices 4 texcoords 4 planar triangles 3 groups 1 2\n"
              "bounds 0 0 0 2 2 1.5\n");
    EXPECT_EQ(run.err, "model-info: " + file.path() +
                           ": warning: object 1 Rock: 1 of 3 triangles are in no face group and are not drawn\n");

    ChunkWriter lightOnly;
    lightOnly.Open(0x4D4D).Open(0x3D3D);
    WriteLightObject(lightOnly, "Omni01");
    lightOnly.Close().Close();
    const TempFile noVertices(lightOnly.bytes());
    EXPECT_EQ(ModelInfo(noVertices.path()).out,
              "objects 1\nobject 0 Omni01 vertices 0 texcoords 0 planar triangles 0 groups 0\nbounds none\n");
}

TEST(ModelInfo, EscapesObjectNamesSoThatTheyNeitherSteerATerminalNorForgeALine) {
    ChunkWriter writer;
    writer.Open(0x4D4D).Open(0x3D3D);
    WriteLightObject(writer, "Omni\x1b]0;x\x07\nobjects 9\xc2\x9b" "2J");
    writer.Close().Close();
    const TempFile file(writer.bytes());
    EXPECT_EQ(ModelInfo(file.path()).out,
              "objects 1\nobject 0 Omni\\x1b]0;x\\x07\\x0aobjects 9\\xc2\\x9b2J vertices 0 texcoords 0 planar "
              "triangles 0 groups 0\nbounds none\n");
}

TEST(ModelInfo, PrintsOneStoredVertex) {
    const TempFile file(ModelFileBytes({Rock()}));
    // Vertex 1 is stored at (2, 0, 0). Its triangles have the face normals
    // (0, 0, 4) and (3, 0, 4), so its normal is (3, 0, 8) / sqrt(73); its
    // planar coordinates are its x and y.
    ToolRun run = ModelInfo("--vertex 0 1 " + file.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2 0 0 0.351123 0 0.936329 2 0\n");

    for (const char* missing : {"0 4", "1 0", "-1 0", "0 -1"}) {
        run = ModelInfo(std::string("--vertex ") + missing + " " + file.path());
        EXPECT_EQ(run.status, 1) << missing;
        EXPECT_EQ(run.out, "") << missing;
    }
}

TEST(ModelInfo, FailsWithStatus2WhenTheFileCannotBeReadOrTheArgumentsAreWrong) {
    // A named pipe is refused without waiting for a writer.
    const std::string pipe = std::filesystem::temp_directory_path() / ("model-info-pipe-" + std::to_string(getpid()));
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& arguments :
         {std::string("/nonexistent/model.3ds"), std::string("/tmp"), pipe, std::string(""),
          std::string("--vertex x 0 /tmp/a.3ds"), std::string("a b"), "--fit /tmp/fitted.3ds " + pipe,
          std::string("--fit /tmp/fitted.3ds")}) {
        const ToolRun run = ModelInfo(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err, "") << arguments;
    }
    std::remove(pipe.c_str());
}

TEST(ModelInfo, SaysWhenAFileIsNotA3dsFileWithStatus1) {
    const struct {
        std::vector<uint8_t> bytes;
        const char* says;
    } cases[] = {
        {{}, "the file is empty"},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0}, "it is a JPEG picture"},
        {{0x4D, 0x4D, 0x02, 0x00, 0x00, 0x00}, "not a 3DS file"},  // a length inside its own header
        {{'s', 'o', 'l', 'i', 'd', ' ', 'x', '\n'}, "another model format"},
    };
    for (const auto& c : cases) {
        const TempFile file(c.bytes);
        const ToolRun run = ModelInfo(file.path());
        EXPECT_EQ(run.status, 1) << c.says;
        EXPECT_EQ(run.out, "") << c.says;
        EXPECT_NE(run.err.find(file.path() + ": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
}

std::vector<double> Numbers(const std::string& line) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    std::vector<double> numbers;
    for (double number; words >> number;) numbers.push_back(number);
    return numbers;
}

// Everything model-info prints about a file but its bounds, and the bounds.
std::pair<std::string, std::vector<double>> Described(const std::string& path) {
    const std::string out = ModelInfo(path).out;
    const size_t bounds = out.rfind("bounds ");
    return {out.substr(0, bounds), Numbers(out.substr(bounds))};
}

TEST(ModelInfo, FitsAModelToTheShowKeepingEverythingButItsPlaceAndSize) {
    const std::string fels = std::string(MODEL_TEST_DATA_DIR) + "/fels.3ds";
    const std::string fitted = (std::filesystem::temp_directory_path() / "model-info-fitted.3ds").string();
    const ToolRun run = ModelInfo("--fit " + fitted + " " + fels);
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream said(run.out);
    std::string shiftLine, factorLine;
    std::getline(said, shiftLine);
    std::getline(said, factorLine);
    const std::vector<double> shift = Numbers(shiftLine), factor = Numbers(factorLine);
    ASSERT_EQ(shift.size(), 3u) << run.out;
    ASSERT_EQ(factor.size(), 1u) << run.out;

    // Every chunk keeps its size; objects, coordinates and groups stay.
    EXPECT_EQ(std::filesystem::file_size(fitted), std::filesystem::file_size(fels));
    const auto [before, oldBounds] = Described(fels);
    const auto [after, newBounds] = Described(fitted);
    EXPECT_EQ(after, before);
    ASSERT_EQ(newBounds.size(), 6u);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(newBounds[axis] + newBounds[axis + 3], 0.0, 1e-5) << "not centred on axis " << axis;
        EXPECT_NEAR(newBounds[axis], (oldBounds[axis] + shift[axis]) * factor[0], 1e-5);
    }
    // A vertex moves as the shift and the factor say; its normal stays.
    // (The file has no texture coordinates: the planar ones follow the
    // position.)
    const std::vector<double> old = Numbers("v " + ModelInfo("--vertex 0 7 " + fels).out);
    const std::vector<double> moved = Numbers("v " + ModelInfo("--vertex 0 7 " + fitted).out);
    ASSERT_EQ(moved.size(), 8u);
    for (size_t i = 0; i < 6; ++i) {
        const double expected = i < 3 ? (old[i] + shift[i]) * factor[0] : old[i];
        EXPECT_NEAR(moved[i], expected, 1e-4) << i;
    }

    // Nothing to fit: no vertices at all.
    ChunkWriter lightOnly;
    lightOnly.Open(0x4D4D).Open(0x3D3D);
    WriteLightObject(lightOnly, "Omni01");
    lightOnly.Close().Close();
    const TempFile empty(lightOnly.bytes());
    EXPECT_EQ(ModelInfo("--fit " + fitted + " " + empty.path()).status, 1);
    std::remove(fitted.c_str());
}

// The counts of model-info's object line for a lib3ds mesh: vertices,
// coordinates, file or planar, triangles, groups and their sizes.
std::string ExpectedObjectTail(const Lib3dsMesh& mesh, int& ungrouped) {
    std::map<std::string, int> perMaterial;
    ungrouped = 0;
    for (uint32_t i = 0; i < mesh.faces; ++i) {
        if (mesh.faceL[i].material[0] == '\0') {
            ++ungrouped;
        } else {
            ++perMaterial[mesh.faceL[i].material];
        }
    }
    std::ostringstream tail;
    tail << "vertices " << mesh.points << " texcoords " << (mesh.texels ? mesh.texels : mesh.points)
         << (mesh.texels ? " file" : " planar") << " triangles " << mesh.faces << " groups " << perMaterial.size();
    std::vector<int> sizes;
    for (const auto& entry : perMaterial) sizes.push_back(entry.second);
    std::sort(sizes.begin(), sizes.end());
    for (int size : sizes) tail << ' ' << size;
    return tail.str();
}

TEST(ModelInfo, DescribesTheRealFilesAsLib3dsReadsThem) {
    for (const auto& entry : std::filesystem::directory_iterator(MODEL_TEST_DATA_DIR)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".3ds" && entry.path().extension() != ".3DS") continue;
        SCOPED_TRACE(path);
        const ToolRun run = ModelInfo(path);
        ASSERT_EQ(run.status, 0);
        Lib3dsFile* file = lib3ds_file_load(path.c_str());
        ASSERT_NE(file, nullptr);

        std::map<std::string, std::string> expectedTails;
        int ungroupedObjects = 0;
        float low[3] = {}, high[3] = {};
        bool anyVertex = false;
        for (Lib3dsMesh* mesh = file->meshes; mesh; mesh = mesh->next) {
            int ungrouped = 0;
            expectedTails[mesh->name] = ExpectedObjectTail(*mesh, ungrouped);
            ungroupedObjects += ungrouped > 0;
            for (uint32_t i = 0; i < mesh->points; ++i) {
                const float* p = mesh->pointL[i].pos;
                const float stored[3] = {p[0], p[2], -p[1]};
                for (int axis = 0; axis < 3; ++axis) {
                    low[axis] = anyVertex ? std::min(low[axis], stored[axis]) : stored[axis];
                    high[axis] = anyVertex ? std::max(high[axis], stored[axis]) : stored[axis];
                }
                anyVertex = true;
            }
        }
        lib3ds_file_free(file);

        std::istringstream lines(run.out);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line.rfind("objects ", 0), 0u);
        int meshLines = 0;
        std::string bounds;
        while (std::getline(lines, line)) {
            if (line.rfind("bounds", 0) == 0) {
                bounds = line;
                continue;
            }
            // object <i> <name> <tail>; names in these files hold no spaces.
            std::istringstream words(line);
            std::string word, index, name;
            words >> word >> index >> name;
            std::string tail;
            std::getline(words, tail);
            if (tail.rfind(" vertices 0 ", 0) == 0) continue;  // a camera or a light
            ++meshLines;
            EXPECT_EQ(" " + expectedTails[name], tail) << name;
        }
        EXPECT_EQ(meshLines, static_cast<int>(expectedTails.size()));
        ASSERT_TRUE(anyVertex);
        EXPECT_EQ(bounds, "bounds " + Number(low[0]) + " " + Number(low[1]) + " " + Number(low[2]) + " " +
                              Number(high[0]) + " " + Number(high[1]) + " " + Number(high[2]));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), ungroupedObjects);
    }
}

}  // namespace
