// A stand-in for ffmpeg.exe, for checking how demo-capture.exe runs its
// encoder on Windows: it reads its standard input to the end and writes to
// the file named by its last argument (less a "file:" prefix) the number of
// bytes it read, then each of its arguments on a line of its own. Exit
// status 0, or 1 when the file cannot be written.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    unsigned long long total = 0;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) total += got;

    std::string output = argv[argc - 1];
    if (output.rfind("file:", 0) == 0) output.erase(0, 5);
    std::FILE* file = std::fopen(output.c_str(), "wb");
    if (!file) return 1;
    std::fprintf(file, "bytes %llu\n", total);
    for (int i = 0; i < argc; ++i) std::fprintf(file, "%s\n", argv[i]);
    return std::fclose(file) == 0 ? 0 : 1;
}
