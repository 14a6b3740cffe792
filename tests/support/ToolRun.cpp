#include "support/ToolRun.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/ChunkWriter.h"

ToolRun RunTool(const std::string& command) {
    const TempFile errors(std::vector<uint8_t>{}, ".err");
    ToolRun run;
    FILE* pipe = popen((command + " 2>" + errors.path()).c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errorFile(errors.path());
    std::ostringstream text;
    text << errorFile.rdbuf();
    run.err = text.str();
    return run;
}
