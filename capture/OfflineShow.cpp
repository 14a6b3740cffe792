#include "capture/OfflineShow.h"

namespace {

ShowSetup OfflineSetup(WindowSurface& window, const ViewportSize& viewport, MusicPlayer& music,
                       MessageBoxes& boxes, const char* scriptPath) {
    ShowSetup setup{window, viewport, music, boxes};
    setup.scriptPath = scriptPath;
    setup.problems = stderr;
    return setup;
}

}  // namespace

OfflineShow::OfflineShow(WindowSurface& window, const ViewportSize& viewport, MusicPlayer& music,
                         MessageBoxes& boxes, const char* scriptPath)
    : show(OfflineSetup(window, viewport, music, boxes, scriptPath)) {}

OfflineShow::~OfflineShow() {
    if (initialised) Host().Uninit();
}

bool OfflineShow::Init() {
    initialised = Host().Init() == 0;
    return initialised;
}
