// Message boxes for the capture tool, which has no one to click them: each
// box's text goes to standard error after the program's name, questions are
// answered with their default, and error boxes are counted so that the tool
// can fail when the show reported one.
#pragma once

#include <cstdio>
#include <string_view>

#include "platform/MessageBoxes.h"

class StderrMessageBoxes : public MessageBoxes {
public:
    explicit StderrMessageBoxes(const char* programName, std::FILE* stream = stderr)
        : programName(programName), stream(stream) {}

    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;

    int ErrorCount() const { return errorCount; }

private:
    const char* programName;
    std::FILE* stream;
    int errorCount = 0;
};
