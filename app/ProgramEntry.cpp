#include "app/ProgramEntry.h"

#include "app/RunLoop.h"

bool AskFullscreen(MessageBoxes& boxes) {
    return boxes.Show("Fullscreen?", "Fullscreen", MessageBoxIcon::Question,
                      MessageBoxButtons::YesNoDefaultNo) == MessageBoxAnswer::Yes;
}

void ReportRunResult(MessageBoxes& boxes, int32_t runResult) {
    if (const char* message = RunResultMessage(runResult)) ShowError(boxes, message);
}
