#include "platform/sdl/SdlSoundDecoder.h"

#include <SDL.h>
#include <SDL_mixer.h>

#if defined(SHOW_STREAMS_VORBIS)
#include <vorbis/vorbisfile.h>
#endif

#if defined(SHOW_STREAMS_MP3_AND_FLAC)
#include <FLAC/stream_decoder.h>
#include <mpg123.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/RegularFile.h"

namespace {

// Samples handed on at a time.
constexpr size_t kPieceSamples = 16384;

bool Fail(std::string& problem, std::string text) {
    problem = std::move(text);
    return false;
}

#if defined(SHOW_STREAMS_VORBIS)
// --- Ogg Vorbis, streamed by libvorbisfile -----------------------------------

size_t ReadFromFile(void* into, size_t size, size_t count, void* file) {
    return std::fread(into, size, count, static_cast<std::FILE*>(file));
}
int SeekInFile(void* file, ogg_int64_t offset, int whence) {
    return std::fseek(static_cast<std::FILE*>(file), static_cast<long>(offset), whence);
}
long TellInFile(void* file) {
    return std::ftell(static_cast<std::FILE*>(file));
}

bool DecodeVorbis(const char* path, std::FILE* file, SoundSink& sink, std::string& problem) {
    // The file stays the caller's: no close callback.
    const ov_callbacks callbacks{ReadFromFile, SeekInFile, nullptr, TellInFile};
    OggVorbis_File vorbis;
    if (ov_open_callbacks(file, &vorbis, nullptr, 0, callbacks) != 0) {
        return Fail(problem, std::string(path) + ": cannot decode it: it is not an Ogg Vorbis stream");
    }
    const vorbis_info* info = ov_info(&vorbis, -1);
    if (!info || info->channels <= 0 || info->rate <= 0) {
        ov_clear(&vorbis);
        return Fail(problem, std::string(path) + ": cannot decode it: its stream has no channels or rate");
    }
    const int channels = info->channels;
    sink.Begin(static_cast<uint32_t>(info->rate), channels);
    std::array<int16_t, kPieceSamples> piece;
    int section = 0;
    bool decoded = true;
    for (;;) {
        const long got = ov_read(&vorbis, reinterpret_cast<char*>(piece.data()), sizeof piece, SDL_BYTEORDER == SDL_BIG_ENDIAN,
                                 2, 1, &section);
        if (got == OV_HOLE) continue;  // a gap in the stream, which decoding steps over
        if (got < 0) {
            decoded = Fail(problem, std::string(path) + ": cannot decode it: the stream is damaged");
            break;
        }
        if (got == 0) break;
        // A chained stream that changes its channels is measured up to
        // the change.
        const vorbis_info* now = ov_info(&vorbis, section);
        if (!now || now->channels != channels) break;
        sink.Take(piece.data(), static_cast<size_t>(got) / (sizeof(int16_t) * static_cast<size_t>(channels)));
        if (sink.StopWanted()) break;
    }
    ov_clear(&vorbis);
    return decoded;
}
#endif

// --- 16-bit PCM WAV, streamed ---------------------------------------------------

uint32_t Little32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}
uint16_t Little16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

// Reads the chunks of a RIFF WAVE file up to its data; true for 16-bit
// integer PCM, with the file at the first sample and `dataBytes` its size.
bool FindPcm16(std::FILE* file, uint32_t& rate, int32_t& channels, uint64_t& dataBytes) {
    uint8_t header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        return false;
    }
    bool formatSeen = false;
    for (;;) {
        uint8_t chunk[8];
        if (std::fread(chunk, 1, sizeof chunk, file) != sizeof chunk) return false;
        const uint32_t size = Little32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t format[16];
            if (size < sizeof format || std::fread(format, 1, sizeof format, file) != sizeof format) return false;
            const uint16_t tag = Little16(format);
            channels = Little16(format + 2);
            rate = Little32(format + 4);
            const uint16_t bits = Little16(format + 14);
            // Anything but plain 16-bit integers is SDL_mixer's.
            if (tag != 1 || bits != 16 || channels <= 0 || rate == 0) return false;
            formatSeen = true;
            if (std::fseek(file, static_cast<long>(size - sizeof format + (size & 1)), SEEK_CUR) != 0) return false;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            dataBytes = size;
            return formatSeen;
        } else if (std::fseek(file, static_cast<long>(size + (size & 1)), SEEK_CUR) != 0) {
            return false;
        }
    }
}

bool DecodePcm16(std::FILE* file, uint32_t rate, int32_t channels, uint64_t dataBytes, SoundSink& sink) {
    sink.Begin(rate, channels);
    const size_t frameBytes = 2 * static_cast<size_t>(channels);
    std::array<int16_t, kPieceSamples> piece;
    std::array<uint8_t, kPieceSamples * 2> raw;
    const size_t pieceBytes = raw.size() / frameBytes * frameBytes;
    while (dataBytes >= frameBytes) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(dataBytes / frameBytes * frameBytes, pieceBytes));
        const size_t got = std::fread(raw.data(), 1, wanted, file) / frameBytes * frameBytes;
        if (got == 0) break;  // a file cut short: what it holds is the sound
        for (size_t i = 0; i < got / 2; ++i) piece[i] = static_cast<int16_t>(Little16(raw.data() + 2 * i));
        sink.Take(piece.data(), got / frameBytes);
        dataBytes -= got;
        if (sink.StopWanted()) break;
    }
    return std::ferror(file) == 0;
}

#if defined(SHOW_STREAMS_MP3_AND_FLAC)
// --- MP3, streamed by libmpg123 ----------------------------------------------

bool LooksLikeMp3(const uint8_t* start, size_t length) {
    if (length >= 3 && std::memcmp(start, "ID3", 3) == 0) return true;
    return length >= 2 && start[0] == 0xFF && (start[1] & 0xE0) == 0xE0;
}

bool DecodeMp3(const char* path, std::FILE* file, SoundSink& sink, std::string& problem) {
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (!decoder) return Fail(problem, std::string(path) + ": cannot decode it: " + mpg123_plain_strerror(error));
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // 16-bit samples at whatever rate and channels the file has.
    mpg123_format_none(decoder);
    mpg123_format2(decoder, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    bool decoded = mpg123_open_fd(decoder, fileno(file)) == MPG123_OK;
    std::array<int16_t, kPieceSamples> piece;
    int channels = 0;
    while (decoded) {
        size_t got = 0;
        const int result = mpg123_read(decoder, piece.data(), sizeof piece, &got);
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int encoding = 0;
            int formatChannels = 0;
            mpg123_getformat(decoder, &rate, &formatChannels, &encoding);
            // A stream that changes its channels is measured up to the change.
            if (channels != 0 && formatChannels != channels) break;
            if (channels == 0) sink.Begin(static_cast<uint32_t>(rate), formatChannels);
            channels = formatChannels;
        }
        if (got > 0 && channels > 0) sink.Take(piece.data(), got / (sizeof(int16_t) * static_cast<size_t>(channels)));
        if (result == MPG123_DONE || sink.StopWanted()) break;
        decoded = result == MPG123_OK || result == MPG123_NEW_FORMAT;
    }
    if (!decoded || channels == 0) {
        problem = std::string(path) + ": cannot decode it: " +
                  (channels == 0 ? "it holds no MP3 frames" : mpg123_strerror(decoder));
    }
    mpg123_delete(decoder);
    return decoded && channels > 0;
}

// --- FLAC, streamed by libFLAC -------------------------------------------------

struct FlacStream {
    SoundSink& sink;
    bool begun = false;
    uint32_t channels = 0;
    std::array<int16_t, kPieceSamples> piece{};
};

FLAC__StreamDecoderWriteStatus TakeFlacFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                             const FLAC__int32* const channelSamples[], void* client) {
    auto& stream = *static_cast<FlacStream*>(client);
    const uint32_t channels = frame->header.channels;
    const uint32_t bits = frame->header.bits_per_sample;
    if (!stream.begun) {
        stream.sink.Begin(frame->header.sample_rate, static_cast<int32_t>(channels));
        stream.begun = true;
        stream.channels = channels;
    }
    if (channels != stream.channels || bits == 0 || bits > 32 || stream.sink.StopWanted()) {
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    const size_t framesPerPiece = stream.piece.size() / channels;
    for (uint32_t first = 0; first < frame->header.blocksize; first += static_cast<uint32_t>(framesPerPiece)) {
        const uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(framesPerPiece), frame->header.blocksize - first);
        for (uint32_t i = 0; i < count; ++i) {
            for (uint32_t c = 0; c < channels; ++c) {
                const FLAC__int32 sample = channelSamples[c][first + i];
                stream.piece[i * channels + c] =
                    static_cast<int16_t>(bits >= 16 ? sample >> (bits - 16) : sample * (1 << (16 - bits)));
            }
        }
        stream.sink.Take(stream.piece.data(), count);
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void IgnoreFlacError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

bool DecodeFlac(const char* path, std::FILE* file, SoundSink& sink, std::string& problem) {
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    // The decoder closes the file it is given: it gets one of its own.
    const int own = dup(fileno(file));
    std::FILE* copy = own >= 0 ? fdopen(own, "rb") : nullptr;
    if (!copy && own >= 0) close(own);
    FlacStream stream{sink};
    bool decoded = decoder && copy &&
                   FLAC__stream_decoder_init_FILE(decoder, copy, TakeFlacFrame, nullptr, IgnoreFlacError, &stream) ==
                       FLAC__STREAM_DECODER_INIT_STATUS_OK;
    if (!decoded && copy) std::fclose(copy);
    decoded = decoded && FLAC__stream_decoder_process_until_end_of_stream(decoder) && stream.begun;
    if (decoder) {
        FLAC__stream_decoder_finish(decoder);
        FLAC__stream_decoder_delete(decoder);
    }
    if (!decoded) return Fail(problem, std::string(path) + ": cannot decode it: the FLAC stream is damaged");
    return true;
}
#endif

// --- Everything else, decoded whole by SDL_mixer ----------------------------

// The file's bytes as SDL_mixer reads them: they end at once when the sink
// no longer wants the sound, so that a long decode stops early.
struct StoppableBytes {
    const std::string& bytes;
    const SoundSink& sink;
    size_t at = 0;
};

StoppableBytes& BytesOf(SDL_RWops* source) { return *static_cast<StoppableBytes*>(source->hidden.unknown.data1); }

Sint64 BytesSize(SDL_RWops* source) { return static_cast<Sint64>(BytesOf(source).bytes.size()); }

Sint64 SeekInBytes(SDL_RWops* source, Sint64 offset, int whence) {
    StoppableBytes& bytes = BytesOf(source);
    const Sint64 base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? static_cast<Sint64>(bytes.at)
                                                                          : static_cast<Sint64>(bytes.bytes.size());
    const Sint64 to = base + offset;
    if (to < 0 || to > static_cast<Sint64>(bytes.bytes.size())) return SDL_SetError("seek outside the file");
    bytes.at = static_cast<size_t>(to);
    return to;
}

size_t ReadBytes(SDL_RWops* source, void* into, size_t size, size_t count) {
    StoppableBytes& bytes = BytesOf(source);
    if (size == 0 || bytes.sink.StopWanted()) return 0;
    const size_t whole = std::min(count, (bytes.bytes.size() - bytes.at) / size);
    std::memcpy(into, bytes.bytes.data() + bytes.at, whole * size);
    bytes.at += whole * size;
    return whole;
}

size_t WriteNoBytes(SDL_RWops*, const void*, size_t, size_t) { return 0; }

int CloseBytes(SDL_RWops* source) {
    SDL_FreeRW(source);
    return 0;
}


bool DecodeWithMixer(const char* path, SoundSink& sink, std::string& problem) {
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0 || frequency <= 0 || channels <= 0) {
        return Fail(problem, std::string(path) + ": cannot decode it: no audio device is open for its format");
    }
    std::string bytes;
    if (!ReadRegularFile(path, SdlSoundDecoder::kMaxFileBytes, bytes, problem)) return false;
    StoppableBytes stoppable{bytes, sink};
    SDL_RWops* source = SDL_AllocRW();
    if (source) {
        source->size = BytesSize;
        source->seek = SeekInBytes;
        source->read = ReadBytes;
        source->write = WriteNoBytes;
        source->close = CloseBytes;
        source->type = SDL_RWOPS_UNKNOWN;
        source->hidden.unknown.data1 = &stoppable;
    }
    // The mixer closes the source, also when no decoder takes the file.
    Mix_Chunk* chunk = source ? Mix_LoadWAV_RW(source, 1) : nullptr;
    std::string().swap(bytes);
    if (!chunk) return Fail(problem, std::string(path) + ": cannot decode it: " + SDL_GetError());

    // The chunk holds the device's format; it is handed on as 16-bit
    // samples a piece at a time.
    SDL_AudioCVT convert;
    if (SDL_BuildAudioCVT(&convert, format, static_cast<Uint8>(channels), frequency, AUDIO_S16SYS,
                          static_cast<Uint8>(channels), frequency) < 0) {
        Mix_FreeChunk(chunk);
        return Fail(problem, std::string(path) + ": cannot convert its samples: " + SDL_GetError());
    }
    sink.Begin(static_cast<uint32_t>(frequency), channels);
    const size_t frameBytes = static_cast<size_t>(channels) * (SDL_AUDIO_BITSIZE(format) / 8);
    const size_t pieceBytes = 4096 * frameBytes;
    std::vector<Uint8> piece(pieceBytes * static_cast<size_t>(std::max(convert.len_mult, 1)));
    bool converted = true;
    for (size_t at = 0; at + frameBytes <= chunk->alen && converted && !sink.StopWanted(); at += pieceBytes) {
        const size_t length = std::min<size_t>(pieceBytes, chunk->alen - at) / frameBytes * frameBytes;
        std::memcpy(piece.data(), chunk->abuf + at, length);
        size_t outBytes = length;
        if (convert.needed) {
            convert.buf = piece.data();
            convert.len = static_cast<int>(length);
            converted = SDL_ConvertAudio(&convert) == 0;
            outBytes = static_cast<size_t>(convert.len_cvt);
        }
        if (converted) {
            sink.Take(reinterpret_cast<const int16_t*>(piece.data()), outBytes / (2 * static_cast<size_t>(channels)));
        }
    }
    Mix_FreeChunk(chunk);
    if (!converted) return Fail(problem, std::string(path) + ": cannot convert its samples: " + SDL_GetError());
    return true;
}

}  // namespace

bool SdlSoundDecoder::DecodeFile(const char* path, SoundSink& sink, std::string& problem) {
    const bool decoded = DecodeAnyFormat(path, sink, problem);
    if (sink.StopWanted()) return Fail(problem, std::string(path) + ": decoding stopped before its end");
    return decoded;
}

bool SdlSoundDecoder::DecodeAnyFormat(const char* path, SoundSink& sink, std::string& problem) {
    uint64_t size = 0;
    FileHandle file = OpenRegularFile(path, UINT64_MAX, size, problem);
    if (!file) return false;
    uint8_t start[4] = {};
    [[maybe_unused]] const size_t got = std::fread(start, 1, sizeof start, file.get());
    std::rewind(file.get());
#if defined(SHOW_STREAMS_VORBIS)
    if (got == sizeof start && std::memcmp(start, "OggS", 4) == 0) {
        // An Ogg stream of another codec (Opus, FLAC) is SDL_mixer's.
        OggVorbis_File probe;
        const ov_callbacks callbacks{ReadFromFile, SeekInFile, nullptr, TellInFile};
        const bool vorbis = ov_test_callbacks(file.get(), &probe, nullptr, 0, callbacks) == 0;
        ov_clear(&probe);
        std::rewind(file.get());
        if (vorbis) return DecodeVorbis(path, file.get(), sink, problem);
    }
#endif
#if defined(SHOW_STREAMS_MP3_AND_FLAC)
    if (got == sizeof start && std::memcmp(start, "fLaC", 4) == 0) return DecodeFlac(path, file.get(), sink, problem);
    if (LooksLikeMp3(start, got)) return DecodeMp3(path, file.get(), sink, problem);
#endif
    uint32_t rate = 0;
    int32_t channels = 0;
    uint64_t dataBytes = 0;
    if (FindPcm16(file.get(), rate, channels, dataBytes)) {
        if (DecodePcm16(file.get(), rate, channels, dataBytes, sink)) return true;
        return Fail(problem, std::string("cannot read ") + path + ": " + std::strerror(errno));
    }
    file.reset();
    return DecodeWithMixer(path, sink, problem);
}
