#include "preview/MessageLog.h"

MessageBoxAnswer MessageLog::Show(std::string_view text, std::string_view, MessageBoxIcon,
                                  MessageBoxButtons buttons) {
    texts.emplace_back(text);
    if (echo) {
        std::fprintf(echo, "%.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(echo);
    }
    return buttons == MessageBoxButtons::YesNoDefaultNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
}
