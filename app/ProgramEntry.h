// The program entry's own steps, apart from the platform wiring in main:
// the startup question and the message for the way the run ended.
#pragma once

#include <cstdint>

#include "platform/MessageBoxes.h"

// Asks "Fullscreen?" with No as the default answer; true only for Yes.
bool AskFullscreen(MessageBoxes& boxes);

// Shows the error box for a run result that calls for one.
void ReportRunResult(MessageBoxes& boxes, int32_t runResult);
