#include "TestSoundFiles.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kRate = 44100;

float Tone(long frame) { return 0.3f * std::sin(static_cast<float>(frame) * 0.06f); }

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutBigEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

int16_t Sample(long frame) { return static_cast<int16_t>(Tone(frame) * 32767.0f); }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WritePage(std::ofstream& out, const ogg_page& page) {
    out.write(reinterpret_cast<const char*>(page.header), page.header_len);
    out.write(reinterpret_cast<const char*>(page.body), page.body_len);
}

}  // namespace

SoundFileFolder::SoundFileFolder() {
    char name[] = "/tmp/show-sounds-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("cannot create a temporary folder");
    folder = name;
}

SoundFileFolder::~SoundFileFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string SoundFileFolder::WriteBytes(const std::string& name, const std::string& bytes) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string SoundFileFolder::WriteStart(const std::string& name, const std::string& source,
                                        size_t length) {
    std::string bytes = ReadBytes(source);
    bytes.resize(std::min(length, bytes.size()));
    return WriteBytes(name, bytes);
}

std::string SoundFileFolder::WriteChanged(const std::string& name, const std::string& source,
                                          size_t offset, const std::string& bytes) {
    std::string changed = ReadBytes(source);
    changed.replace(offset, bytes.size(), bytes);
    return WriteBytes(name, changed);
}

std::string SoundFileFolder::WriteWav(const std::string& name, double seconds) {
    const uint32_t frames = static_cast<uint32_t>(seconds * kRate);
    const uint32_t dataBytes = frames * 4;  // 16-bit stereo
    std::string bytes = "RIFF";
    PutLittleEndian(bytes, 36 + dataBytes, 4);
    bytes += "WAVEfmt ";
    PutLittleEndian(bytes, 16, 4);
    PutLittleEndian(bytes, 1, 2);  // PCM
    PutLittleEndian(bytes, 2, 2);
    PutLittleEndian(bytes, kRate, 4);
    PutLittleEndian(bytes, kRate * 4, 4);
    PutLittleEndian(bytes, 4, 2);
    PutLittleEndian(bytes, 16, 2);
    bytes += "data";
    PutLittleEndian(bytes, dataBytes, 4);
    for (uint32_t frame = 0; frame < frames; ++frame) {
        PutLittleEndian(bytes, static_cast<uint16_t>(Sample(frame)), 2);
        PutLittleEndian(bytes, static_cast<uint16_t>(Sample(frame)), 2);
    }
    return WriteBytes(name, bytes);
}

std::string SoundFileFolder::WriteAiff(const std::string& name, double seconds) {
    const uint32_t frames = static_cast<uint32_t>(seconds * kRate);
    const uint32_t soundBytes = 8 + frames * 2;  // offset, block size, 16-bit mono
    std::string bytes = "FORM";
    PutBigEndian(bytes, 4 + 26 + 8 + soundBytes, 4);
    bytes += "AIFFCOMM";
    PutBigEndian(bytes, 18, 4);
    PutBigEndian(bytes, 1, 2);
    PutBigEndian(bytes, frames, 4);
    PutBigEndian(bytes, 16, 2);
    // 44100 as an 80-bit extended float: 2^15 times 1.3458...
    bytes += std::string("\x40\x0e\xac\x44\0\0\0\0\0\0", 10);
    bytes += "SSND";
    PutBigEndian(bytes, soundBytes, 4);
    PutBigEndian(bytes, 0, 4);
    PutBigEndian(bytes, 0, 4);
    for (uint32_t frame = 0; frame < frames; ++frame) {
        PutBigEndian(bytes, static_cast<uint16_t>(Sample(frame)), 2);
    }
    return WriteBytes(name, bytes);
}

std::string SoundFileFolder::WriteOgg(const std::string& name, double seconds) {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 1, kRate, 0.1f) != 0) throw std::runtime_error("vorbis init");
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) WritePage(out, page);

    const long frames = static_cast<long>(seconds * kRate);
    long written = 0;
    bool ended = false;
    while (!ended) {
        if (written < frames) {
            const long count = std::min(1024L, frames - written);
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; ++i) buffer[0][i] = Tone(written + i);
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            written += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    WritePage(out, page);
                    if (ogg_page_eos(&page)) ended = true;
                }
            }
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return path;
}
