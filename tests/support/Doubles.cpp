#include "support/Doubles.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

TempScript::TempScript(const std::string& text) {
    static std::atomic<int> made{0};
    const std::string name = "show-test-" + std::to_string(getpid()) + "-" + std::to_string(made++);
    path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << text).flush()) throw std::runtime_error("cannot write the temporary script " + path);
}

TempScript::~TempScript() { std::remove(path.c_str()); }
