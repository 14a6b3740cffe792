#include "support/ChunkWriter.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

ChunkWriter& ChunkWriter::Open(uint16_t id) {
    openChunks_.push_back(bytes_.size());
    U16(id);
    return U32(0);
}

ChunkWriter& ChunkWriter::Close() {
    const size_t start = openChunks_.back();
    openChunks_.pop_back();
    const auto length = static_cast<uint32_t>(bytes_.size() - start);
    for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
    return *this;
}

ChunkWriter& ChunkWriter::U16(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
    return *this;
}

ChunkWriter& ChunkWriter::U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    return U16(static_cast<uint16_t>(value >> 16));
}

ChunkWriter& ChunkWriter::F32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(bits);
}

ChunkWriter& ChunkWriter::Name(std::string_view name) {
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    bytes_.push_back(0);
    return *this;
}

void WriteMeshObject(ChunkWriter& writer, const TestMesh& mesh) {
    writer.Open(0x4000).Name(mesh.name).Open(0x4100);
    for (char chunk : mesh.chunkOrder) {
        if (chunk == 'v') {
            writer.Open(0x4110).U16(static_cast<uint16_t>(mesh.vertices.size()));
            for (const auto& v : mesh.vertices) writer.F32(v[0]).F32(v[1]).F32(v[2]);
            writer.Close();
        } else if (chunk == 't' && !mesh.texCoords.empty()) {
            writer.Open(0x4140).U16(static_cast<uint16_t>(mesh.texCoords.size()));
            for (const auto& uv : mesh.texCoords) writer.F32(uv[0]).F32(uv[1]);
            writer.Close();
        } else if (chunk == 'f') {
            writer.Open(0x4120).U16(static_cast<uint16_t>(mesh.triangles.size()));
            for (const auto& t : mesh.triangles) writer.U16(t[0]).U16(t[1]).U16(t[2]).U16(7);
            for (const auto& [material, triangles] : mesh.groups) {
                writer.Open(0x4130).Name(material).U16(static_cast<uint16_t>(triangles.size()));
                for (uint16_t triangle : triangles) writer.U16(triangle);
                writer.Close();
            }
            writer.Close();
        }
    }
    writer.Close().Close();
}

void WriteMaterial(ChunkWriter& writer, std::string_view name) {
    writer.Open(0xAFFF).Open(0xA000).Name(name).Close().Close();
}

void WriteLightObject(ChunkWriter& writer, std::string_view name) {
    writer.Open(0x4000).Name(name).Open(0x4600).F32(10.0f).F32(20.0f).F32(30.0f);
    writer.Open(0x0010).F32(1.0f).F32(1.0f).F32(1.0f).Close();
    writer.Close().Close();
}

void WriteCameraObject(ChunkWriter& writer, std::string_view name) {
    writer.Open(0x4000).Name(name).Open(0x4700);
    for (float value : {0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 45.0f}) writer.F32(value);
    writer.Close().Close();
}

std::vector<uint8_t> ModelFileBytes(const std::vector<TestMesh>& objects) {
    ChunkWriter writer;
    writer.Open(0x4D4D);
    writer.Open(0x0002).U32(3).Close();
    writer.Open(0x3D3D);
    writer.Open(0x3D3E).U32(3).Close();
    std::set<std::string> materials;
    for (const auto& object : objects) {
        for (const auto& group : object.groups) materials.insert(group.first);
    }
    for (const auto& material : materials) WriteMaterial(writer, material);
    for (const auto& object : objects) WriteMeshObject(writer, object);
    writer.Close().Close();
    return writer.bytes();
}

TempFile::TempFile(const std::vector<uint8_t>& bytes, std::string_view suffix) {
    static std::atomic<int> made{0};
    const std::string name =
        "model-test-" + std::to_string(getpid()) + "-" + std::to_string(made++) + std::string(suffix);
    path_ = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream file(path_, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path_);
}

TempFile::~TempFile() {
    std::remove(path_.c_str());
}
