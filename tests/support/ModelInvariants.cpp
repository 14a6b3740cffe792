#include "support/ModelInvariants.h"

#include <cstring>
#include <vector>

#include "model/Model.h"

namespace {

std::string IndexProblem(const std::vector<uint16_t>& indices, int32_t indexCount, int32_t vertexCount) {
    if (indices.size() != static_cast<size_t>(indexCount)) return "index count differs from the array";
    if (indices.size() % 3 != 0) return "index count is not whole triangles";
    for (uint16_t index : indices) {
        if (index >= vertexCount) return "index " + std::to_string(index) + " names no vertex";
    }
    return {};
}

}  // namespace

std::string ModelShapeProblem(const Model& model) {
    if (model.objects.size() != static_cast<size_t>(model.objectCount)) return "object count differs from the array";
    for (size_t i = 0; i < model.objects.size(); ++i) {
        const ModelObject& object = model.objects[i];
        const std::string where = "object " + std::to_string(i) + ": ";
        const auto vertexCount = static_cast<size_t>(object.vertexCount);
        if (std::memchr(object.name, 0, sizeof object.name) == nullptr) return where + "name has no zero";
        if (object.vertices.size() != vertexCount * 3) return where + "vertex count differs from the array";
        if (object.normals.size() != vertexCount * 3) return where + "normal array differs from the vertices";
        if (object.texCoords.size() != static_cast<size_t>(object.texCoordCount) * 2) {
            return where + "texture coordinate count differs from the array";
        }
        if (static_cast<size_t>(object.texCoordCount) < vertexCount) return where + "vertices without coordinates";
        if (auto problem = IndexProblem(object.faceIndices, object.indexCount, object.vertexCount); !problem.empty()) {
            return where + "faces: " + problem;
        }
        if (object.groups.size() != static_cast<size_t>(object.groupCount)) return where + "group count differs";
        for (const FaceGroup& group : object.groups) {
            if (auto problem = IndexProblem(group.indices, group.indexCount, object.vertexCount); !problem.empty()) {
                return where + "group: " + problem;
            }
        }
    }
    return {};
}
