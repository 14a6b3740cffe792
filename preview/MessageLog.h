// Message boxes that are not shown but kept: the preview puts what the show
// would say in a box on screen instead, so that nothing stops it. Each text
// may also be copied to a stream as it comes (standard error in the
// program). Questions are answered with their default, No.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/MessageBoxes.h"

class MessageLog : public MessageBoxes {
public:
    explicit MessageLog(std::FILE* echo = nullptr) : echo(echo) {}

    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;

    const std::vector<std::string>& Texts() const { return texts; }
    void Clear() { texts.clear(); }

private:
    std::FILE* echo;
    std::vector<std::string> texts;
};
