// model-info: loads a 3DS file exactly as the show does and describes what
// the show will hold, so that show authors can check a model before using it.
//
//   model-info FILE
//       objects <n>
//       object <i> <name> vertices <v> texcoords <t> <file|planar> triangles <f> groups <g> [<triangles per group>...]
//       bounds <minx> <miny> <minz> <maxx> <maxy> <maxz>   (or: bounds none)
//     and a warning on stderr for every object with triangles outside every
//     face group, because the show draws only grouped triangles.
//
//   model-info --vertex OBJ IDX FILE
//       <x> <y> <z> <nx> <ny> <nz> <u> <v>   of stored vertex IDX of object OBJ
//
//   model-info --fit OUT IN
//       writes a copy of IN centred on its bounds and scaled to the shipped
//       pebble's size (model/ModelFit.h), and prints what it did:
//       shift <dx> <dy> <dz>   added to every stored position, then
//       factor <f>             by which it was multiplied
//
// Positions are the stored ones, already turned to Y-up. Exit status: 0, 1
// when FILE is not a 3DS file (an empty file, a picture), the asked-for
// vertex does not exist or there is nothing to fit, 2 when FILE cannot be
// read, OUT cannot be written or the arguments are wrong.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/ModelFit.h"
#include "platform/CommandLine.h"
#include "platform/ConsoleText.h"
#include "platform/PartialFile.h"
#include "scenes/SceneParameters.h"

namespace {

constexpr const char* kUsage =
    "usage: model-info FILE\n"
    "       model-info --vertex OBJ IDX FILE\n"
    "       model-info --fit OUT.3ds IN.3ds\n"
    "Loads a 3DS model as the show does and describes what the show will hold:\n"
    "its objects, their vertices, texture coordinates, triangles and face groups,\n"
    "and the bounds of every stored position; with --vertex, one stored vertex.\n"
    "With --fit, writes a copy of IN centred on its bounds and scaled to the size\n"
    "the show is made for (the shipped pebble's), keeping everything else, and\n"
    "prints the shift added to every position and the factor applied after it.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// A value for "%.6g", with negative zero shown as 0.
double Printable(float value) {
    return value == 0.0f ? 0.0 : static_cast<double>(value);
}

// For a file that could not be read as a model: says why and gives the exit
// status; 0 for a file that could.
int SayWhyNot(ModelFileStatus status, const char* path, const std::string& problem) {
    switch (status) {
        case ModelFileStatus::Unreadable:
            std::fprintf(stderr, "model-info: cannot read %s: %s\n", path, problem.c_str());
            return 2;
        case ModelFileStatus::NotA3ds:
            std::fprintf(stderr, "model-info: %s: %s\n", path, problem.c_str());
            return 1;
        case ModelFileStatus::Read:
            break;
    }
    return 0;
}

bool ReadIndex(const char* text, long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text, &end, 10);
    return *text != '\0' && *end == '\0' && errno == 0;
}

// The number of triangles of `object` that are in none of its groups.
size_t UngroupedTriangles(const ModelObject& object) {
    std::set<std::array<uint16_t, 3>> grouped;
    for (const FaceGroup& group : object.groups) {
        for (size_t i = 0; i + 3 <= group.indices.size(); i += 3) {
            grouped.insert({group.indices[i], group.indices[i + 1], group.indices[i + 2]});
        }
    }
    size_t ungrouped = 0;
    const std::vector<uint16_t>& faces = object.faceIndices;
    for (size_t i = 0; i + 3 <= faces.size(); i += 3) {
        ungrouped += grouped.count({faces[i], faces[i + 1], faces[i + 2]}) == 0;
    }
    return ungrouped;
}

int Describe(const Model& model, const char* path) {
    std::printf("objects %d\n", model.objectCount);
    float low[3] = {0.0f, 0.0f, 0.0f};
    float high[3] = {0.0f, 0.0f, 0.0f};
    bool anyVertex = false;
    for (size_t i = 0; i < model.objects.size(); ++i) {
        const ModelObject& object = model.objects[i];
        // A name is any bytes: escaped, it can neither steer a terminal nor
        // start a line of its own.
        const std::string name = EscapeControlCharacters(object.name, LineBreaks::Escaped);
        std::printf("object %zu %s vertices %d texcoords %d %s triangles %d groups %d", i, name.c_str(),
                    object.vertexCount, object.texCoordCount, object.hasTexCoords ? "file" : "planar",
                    object.indexCount / 3, object.groupCount);
        for (const FaceGroup& group : object.groups) std::printf(" %d", group.indexCount / 3);
        std::printf("\n");

        const size_t ungrouped = UngroupedTriangles(object);
        if (ungrouped > 0) {
            std::fprintf(stderr,
                         "model-info: %s: warning: object %zu %s: %zu of %d triangles are in no face group and are "
                         "not drawn\n",
                         path, i, name.c_str(), ungrouped, object.indexCount / 3);
        }
        for (size_t v = 0; v < object.vertices.size(); v += 3) {
            for (size_t axis = 0; axis < 3; ++axis) {
                const float value = object.vertices[v + axis];
                low[axis] = anyVertex ? std::min(low[axis], value) : value;
                high[axis] = anyVertex ? std::max(high[axis], value) : value;
            }
            anyVertex = true;
        }
    }
    if (!anyVertex) {
        std::printf("bounds none\n");
        return 0;
    }
    std::printf("bounds %.6g %.6g %.6g %.6g %.6g %.6g\n", Printable(low[0]), Printable(low[1]), Printable(low[2]),
                Printable(high[0]), Printable(high[1]), Printable(high[2]));
    return 0;
}

int PrintVertex(const Model& model, long objectIndex, long vertexIndex) {
    if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= model.objects.size()) {
        std::fprintf(stderr, "model-info: no object %ld\n", objectIndex);
        return 1;
    }
    const ModelObject& object = model.objects[static_cast<size_t>(objectIndex)];
    if (vertexIndex < 0 || vertexIndex >= object.vertexCount) {
        std::fprintf(stderr, "model-info: object %ld has no vertex %ld\n", objectIndex, vertexIndex);
        return 1;
    }
    const float* position = object.vertices.data() + vertexIndex * 3;
    const float* normal = object.normals.data() + vertexIndex * 3;
    const float* texCoord = object.texCoords.data() + vertexIndex * 2;
    std::printf("%.6g %.6g %.6g %.6g %.6g %.6g %.6g %.6g\n", Printable(position[0]), Printable(position[1]),
                Printable(position[2]), Printable(normal[0]), Printable(normal[1]), Printable(normal[2]),
                Printable(texCoord[0]), Printable(texCoord[1]));
    return 0;
}

int Fit(const char* outPath, const char* inPath) {
    std::vector<uint8_t> bytes;
    std::string problem;
    if (const int status = SayWhyNot(ReadModelFile(inPath, bytes, problem), inPath, problem); status != 0) {
        return status;
    }
    ModelFit fit;
    if (!FindModelFit(bytes, model_param::kFittedReach, fit)) {
        std::fprintf(stderr,
                     "model-info: %s: nothing to fit: it has no vertices, or they all lie on one point or are not "
                     "numbers\n",
                     inPath);
        return 1;
    }
    const std::vector<uint8_t> fitted = FittedModelBytes(bytes, fit);
    if (!WriteFileWhole(outPath, fitted.data(), fitted.size(), problem)) {
        std::fprintf(stderr, "model-info: cannot write %s: %s\n", outPath, problem.c_str());
        return 2;
    }
    std::printf("shift %.6g %.6g %.6g\nfactor %.6g\n", Printable(fit.shift[0]), Printable(fit.shift[1]),
                Printable(fit.shift[2]), Printable(fit.factor));
    return 0;
}

int Run(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "model-info", kUsage)) return 0;
    if (argc >= 2 && std::strcmp(argv[1], "--fit") == 0) {
        if (argc != 4 || argv[2][0] == '\0' || argv[3][0] == '\0') return Usage();
        return Fit(argv[2], argv[3]);
    }
    const bool vertexMode = argc == 5 && std::strcmp(argv[1], "--vertex") == 0;
    if (!vertexMode && argc != 2) return Usage();
    const char* path = argv[argc - 1];
    long objectIndex = 0;
    long vertexIndex = 0;
    if (vertexMode && (!ReadIndex(argv[2], objectIndex) || !ReadIndex(argv[3], vertexIndex))) return Usage();

    Model model;
    std::string problem;
    if (const int status = SayWhyNot(model.LoadFile(path, problem), path, problem); status != 0) return status;
    return vertexMode ? PrintVertex(model, objectIndex, vertexIndex) : Describe(model, path);
}

}  // namespace

int main(int argc, char** argv) { return WithStandardOutputChecked("model-info", Run(argc, argv)); }
