// Loading a large 3DS model: our loader against lib3ds and assimp, all three
// reading the same file in one run. The model is the largest one object can
// hold: 65,535 vertices with texture coordinates and 65,535 triangles in one
// face group. After the runs the time of each other reader is printed as a
// multiple of ours.
//
//   build/bench/model_load_bench [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "model/Model.h"
#include "support/ChunkWriter.h"

namespace {

constexpr int kVertexCount = 65535;
constexpr int kTriangleCount = 65535;
constexpr int kColumns = 257;  // 257 x 255 = 65,535 vertices

// A rolling height field; the grid's 65,024 triangles are topped up to
// 65,535 by covering the first cells a second time.
TestMesh LargestObject() {
    TestMesh mesh;
    mesh.name = "terrain";
    const int rows = kVertexCount / kColumns;
    for (int i = 0; i < kVertexCount; ++i) {
        const float x = static_cast<float>(i % kColumns);
        const float y = static_cast<float>(i / kColumns);
        mesh.vertices.push_back({x, y, std::sin(x * 0.1f) * std::cos(y * 0.1f) * 4.0f});
        mesh.texCoords.push_back({x / kColumns, y / rows});
    }
    std::vector<std::array<uint16_t, 3>> cells;
    for (int row = 0; row + 1 < rows; ++row) {
        for (int column = 0; column + 1 < kColumns; ++column) {
            const auto corner = static_cast<uint16_t>(row * kColumns + column);
            const auto above = static_cast<uint16_t>(corner + kColumns);
            cells.push_back({corner, static_cast<uint16_t>(corner + 1), static_cast<uint16_t>(above + 1)});
            cells.push_back({corner, static_cast<uint16_t>(above + 1), above});
        }
    }
    for (int i = 0; i < kTriangleCount; ++i) mesh.triangles.push_back(cells[i % cells.size()]);
    std::vector<uint16_t> all(kTriangleCount);
    for (int i = 0; i < kTriangleCount; ++i) all[i] = static_cast<uint16_t>(i);
    mesh.groups = {{"ground", all}};
    return mesh;
}

const std::string& ModelPath() {
    static const std::unique_ptr<TempFile> file = std::make_unique<TempFile>(ModelFileBytes({LargestObject()}));
    return file->path();
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void CountPerVertex(benchmark::State& state) {
    state.counters["per_vertex"] =
        benchmark::Counter(kVertexCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void OurLoader(benchmark::State& state) {
    const std::string& path = ModelPath();
    for (auto _ : state) {
        Model model;
        model.Load(path.c_str());
        if (model.objectCount != 1 || model.objects[0].vertexCount != kVertexCount ||
            model.objects[0].groups[0].indexCount != kTriangleCount * 3) {
            state.SkipWithError("our loader read the model wrongly");
            break;
        }
        benchmark::DoNotOptimize(model.objects.data());
    }
    CountPerVertex(state);
}
BENCHMARK(OurLoader)->Unit(benchmark::kMillisecond);

// Our loader without the file read: parsing, normals and coordinates only.
void OurLoaderFromMemory(benchmark::State& state) {
    const std::vector<uint8_t> bytes = FileBytes(ModelPath());
    for (auto _ : state) {
        Model model;
        model.LoadFromMemory(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(model.objects.data());
    }
    CountPerVertex(state);
}
BENCHMARK(OurLoaderFromMemory)->Unit(benchmark::kMillisecond);

void Lib3ds(benchmark::State& state) {
    const std::string& path = ModelPath();
    for (auto _ : state) {
        Lib3dsFile* file = lib3ds_file_load(path.c_str());
        if (!file || !file->meshes || file->meshes->points != kVertexCount || file->meshes->faces != kTriangleCount) {
            state.SkipWithError("lib3ds read the model wrongly");
            break;
        }
        benchmark::DoNotOptimize(file->meshes->pointL);
        lib3ds_file_free(file);
    }
    CountPerVertex(state);
}
BENCHMARK(Lib3ds)->Unit(benchmark::kMillisecond);

void Assimp(benchmark::State& state) {
    const std::string& path = ModelPath();
    Assimp::Importer importer;
    for (auto _ : state) {
        const aiScene* scene = importer.ReadFile(path, 0);
        if (!scene || scene->mNumMeshes != 1 || scene->mMeshes[0]->mNumFaces != kTriangleCount) {
            state.SkipWithError("assimp read the model wrongly");
            break;
        }
        benchmark::DoNotOptimize(scene->mMeshes[0]->mVertices);
        importer.FreeScene();
    }
    CountPerVertex(state);
}
BENCHMARK(Assimp)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double ours = MicrosOf(reporter.realMicros, "OurLoader");
    if (ours <= 0) return 0;
    std::printf("\nTime of each reader as a multiple of our loader's (same file, same run):\n");
    for (const char* other : {"Lib3ds", "Assimp"}) {
        const double theirs = MicrosOf(reporter.realMicros, other);
        if (theirs >= 0) std::printf("  %-7s %6.2fx\n", other, theirs / ours);
    }
    std::printf("  our loader: %.1f ns per vertex\n", ours * 1e3 / kVertexCount);
    return 0;
}
