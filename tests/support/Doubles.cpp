#include "support/Doubles.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

TempScript::TempScript(const std::string& text) {
    char name[] = "/tmp/show-test-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) throw std::runtime_error("cannot create a temporary script");
    path = name;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    close(fd);
}

TempScript::~TempScript() { std::remove(path.c_str()); }
