#include "platform/MessageBoxes.h"

void ShowError(MessageBoxes& boxes, std::string_view text) {
    boxes.Show(text, "Error", MessageBoxIcon::Error, MessageBoxButtons::Ok);
}
