// Message boxes for programs without a window: each box's text goes to a
// stream, followed by a line feed, and questions are answered with No.
#pragma once

#include <cstdio>

#include "platform/MessageBoxes.h"

class ConsoleMessageBoxes : public MessageBoxes {
public:
    explicit ConsoleMessageBoxes(std::FILE* stream) : stream(stream) {}
    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;

private:
    std::FILE* stream;
};
