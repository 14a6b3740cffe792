#include "capture/OfflineShow.h"

OfflineShow::OfflineShow(WindowSurface& window, const ViewportSize& viewport, MusicPlayer& music,
                         MessageBoxes& boxes, const char* scriptPath)
    : loadingViews(window, viewport, clock), toolkit(viewport) {
    HostServices services{clock, music, boxes, textureFactory, loadingViews, frameHooks};
    services.toolkit = &toolkit;
    services.problems = stderr;
    services.scriptPath = scriptPath;
    host = std::make_unique<DemoHost>(services);
    effects.RegisterWith(*host);
}

OfflineShow::~OfflineShow() {
    if (initialised) host->Uninit();
}

bool OfflineShow::Init() {
    initialised = host->Init() == 0;
    return initialised;
}
