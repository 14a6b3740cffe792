#include "platform/ConsoleMessageBoxes.h"

#include "platform/ConsoleText.h"

MessageBoxAnswer ConsoleMessageBoxes::Show(std::string_view text, std::string_view,
                                           MessageBoxIcon icon, MessageBoxButtons buttons) {
    texts.emplace_back(text);
    if (icon == MessageBoxIcon::Error) ++errorCount;
    if (stream) {
        if (programName) {
            std::fputs(programName, stream);
            std::fputs(": ", stream);
        }
        WriteForTerminal(stream, text);
    }
    return buttons == MessageBoxButtons::YesNoDefaultNo ? MessageBoxAnswer::No
                                                        : MessageBoxAnswer::Ok;
}
