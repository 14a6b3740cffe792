#include "platform/ConsoleMessageBoxes.h"

MessageBoxAnswer ConsoleMessageBoxes::Show(std::string_view text, std::string_view,
                                           MessageBoxIcon, MessageBoxButtons buttons) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    return buttons == MessageBoxButtons::YesNoDefaultNo ? MessageBoxAnswer::No
                                                        : MessageBoxAnswer::Ok;
}
