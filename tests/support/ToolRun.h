// Runs a command-line tool for a test and captures what it printed.
#pragma once

#include <string>

struct ToolRun {
    int status = -1;  // the exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `command` through the shell.
ToolRun RunTool(const std::string& command);
