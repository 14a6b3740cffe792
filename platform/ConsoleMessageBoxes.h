// Message boxes for programs that nobody clicks through: each box's text is
// kept, and written to a stream (after the program's name, when one is
// given) as it comes; questions are answered with their default, No. The
// checker, the capture and the preview use them, each reading back the
// texts or the number of error boxes.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/MessageBoxes.h"

class ConsoleMessageBoxes : public MessageBoxes {
public:
    // `stream` may be null: the texts are then only kept.
    explicit ConsoleMessageBoxes(std::FILE* stream, const char* programName = nullptr)
        : stream(stream), programName(programName) {}

    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;

    const std::vector<std::string>& Texts() const { return texts; }
    int ErrorCount() const { return errorCount; }

private:
    std::FILE* stream;
    const char* programName;
    std::vector<std::string> texts;
    int errorCount = 0;
};
