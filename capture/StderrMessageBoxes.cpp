#include "capture/StderrMessageBoxes.h"

MessageBoxAnswer StderrMessageBoxes::Show(std::string_view text, std::string_view,
                                          MessageBoxIcon icon, MessageBoxButtons buttons) {
    if (icon == MessageBoxIcon::Error) ++errorCount;
    std::fprintf(stream, "%s: %.*s\n", programName, static_cast<int>(text.size()), text.data());
    std::fflush(stream);
    return buttons == MessageBoxButtons::YesNoDefaultNo ? MessageBoxAnswer::No
                                                        : MessageBoxAnswer::Ok;
}
