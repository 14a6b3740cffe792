// A stand-in for ffprobe.exe beside the stand-in ffmpeg.exe: it answers
// -version, and for a file that the stand-in ffmpeg.exe wrote, prints on
// its standard output what ffprobe would find in the video that ffmpeg
// would have made of the bytes it read: the frames of -video_size, at
// -framerate. Exit status 1 for a file that is no such record.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-version") == 0) {
            std::puts("ffprobe stand-in");
            return 0;
        }
    }
    std::string path = argv[argc - 1];
    if (path.rfind("file:", 0) == 0) path.erase(0, 5);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 1;
    std::vector<std::string> lines;
    char line[4096];
    while (std::fgets(line, sizeof line, file)) lines.emplace_back(line, std::strcspn(line, "\r\n"));
    std::fclose(file);
    unsigned long long bytes = 0;
    unsigned width = 0, height = 0, fps = 0;
    if (lines.empty() || std::sscanf(lines[0].c_str(), "bytes %llu", &bytes) != 1) return 1;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        if (lines[i] == "-video_size") std::sscanf(lines[i + 1].c_str(), "%ux%u", &width, &height);
        if (lines[i] == "-framerate") std::sscanf(lines[i + 1].c_str(), "%u", &fps);
    }
    if (width == 0 || height == 0 || fps == 0) return 1;
    const unsigned long long frames = bytes / (3ull * width * height);
    std::printf("r_frame_rate=%u/1\nduration=%.6f\nnb_read_packets=%llu\n", fps,
                static_cast<double>(frames) / fps, frames);
    return 0;
}
