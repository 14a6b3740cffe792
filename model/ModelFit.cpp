#include "model/ModelFit.h"

#include <algorithm>
#include <cmath>

#include "model/Model.h"
#include "model/ModelChunks.h"

namespace {

using namespace model_chunks;

// A stored position (X, Z, -Y of the file) back in the file's Z-up axes.
void ToFileAxes(const float stored[3], float file[3]) {
    file[0] = stored[0];
    file[1] = -stored[2];
    file[2] = stored[1];
}

class Refitter {
public:
    explicit Refitter(const ModelFit& fit) : factor(fit.factor) {
        float file[3];
        ToFileAxes(fit.shift, file);
        for (int axis = 0; axis < 3; ++axis) shift[axis] = file[axis];
    }

    // Copies the chunks of `body`, going into those that hold the objects'
    // vertices and frames, copying all others byte for byte.
    void CopyChunks(Bytes body) {
        ScanChunks(body, [&](uint16_t id, Bytes chunk) {
            out.Open(id);
            switch (id) {
                case kMain:
                case kScene:
                case kMesh:
                    CopyChunks(chunk);
                    break;
                case kObject: {
                    const size_t name = NameBytes(chunk, ModelObject::kNameSize);
                    out.Raw(chunk.first(name));
                    CopyChunks(chunk.subspan(name));
                    break;
                }
                case kVertexList:
                    CopyVertexList(chunk);
                    break;
                case kMeshMatrix:
                    CopyMeshMatrix(chunk);
                    break;
                default:
                    out.Raw(chunk);
                    break;
            }
            out.Close();
        });
    }

    model_chunks::ChunkWriter out;

private:
    float Moved(const uint8_t* at, int axis) const {
        return static_cast<float>((static_cast<double>(ReadF32(at)) + shift[axis]) * factor);
    }

    void CopyVertexList(Bytes body) {
        if (body.size() < 2) return out.Raw(body);
        const size_t count = std::min<size_t>(ReadU16(body.data()), (body.size() - 2) / kVertexSize);
        out.U16(static_cast<uint16_t>(count));
        const uint8_t* vertex = body.data() + 2;
        for (size_t i = 0; i < count; ++i, vertex += kVertexSize) {
            for (int axis = 0; axis < 3; ++axis) out.F32(Moved(vertex + axis * 4, axis));
        }
        out.Raw(body.subspan(2 + count * kVertexSize));
    }

    // Three axes and an origin: the axes scale with the vertices, and the
    // origin moves with them.
    void CopyMeshMatrix(Bytes body) {
        constexpr size_t kMatrixSize = 12 * 4;
        if (body.size() < kMatrixSize) return out.Raw(body);
        for (int i = 0; i < 9; ++i) out.F32(static_cast<float>(ReadF32(body.data() + i * 4) * factor));
        for (int axis = 0; axis < 3; ++axis) out.F32(Moved(body.data() + 36 + axis * 4, axis));
        out.Raw(body.subspan(kMatrixSize));
    }

    double shift[3];
    double factor;
};

}  // namespace

bool FindModelFit(const std::vector<uint8_t>& bytes, float reach, ModelFit& fit) {
    Model model;
    model.LoadFromMemory(bytes.data(), bytes.size());
    double low[3] = {0.0, 0.0, 0.0};
    double high[3] = {0.0, 0.0, 0.0};
    bool any = false;
    for (const ModelObject& object : model.objects) {
        for (size_t i = 0; i + 3 <= object.vertices.size(); i += 3) {
            for (int axis = 0; axis < 3; ++axis) {
                const double value = object.vertices[i + static_cast<size_t>(axis)];
                if (!std::isfinite(value)) return false;
                low[axis] = any ? std::min(low[axis], value) : value;
                high[axis] = any ? std::max(high[axis], value) : value;
            }
            any = true;
        }
    }
    if (!any) return false;
    double middle[3];
    for (int axis = 0; axis < 3; ++axis) middle[axis] = (low[axis] + high[axis]) / 2.0;
    double farthest = 0.0;
    for (const ModelObject& object : model.objects) {
        for (size_t i = 0; i + 3 <= object.vertices.size(); i += 3) {
            double squared = 0.0;
            for (int axis = 0; axis < 3; ++axis) {
                const double offset = object.vertices[i + static_cast<size_t>(axis)] - middle[axis];
                squared += offset * offset;
            }
            farthest = std::max(farthest, std::sqrt(squared));
        }
    }
    const double factor = reach / farthest;
    if (!(farthest > 0.0) || !std::isfinite(factor)) return false;
    for (int axis = 0; axis < 3; ++axis) fit.shift[axis] = static_cast<float>(-middle[axis]);
    fit.factor = static_cast<float>(factor);
    return true;
}

std::vector<uint8_t> FittedModelBytes(const std::vector<uint8_t>& bytes, const ModelFit& fit) {
    Refitter refitter(fit);
    // The first chunk, the only one the show reads, cut to the file.
    if (bytes.size() < kHeaderSize) return {};
    const size_t length = std::clamp<size_t>(ReadU32(bytes.data() + 2), kHeaderSize, bytes.size());
    refitter.CopyChunks(Bytes(bytes.data(), length));
    return std::move(refitter.out.bytes);
}
