#include "show/ShowAssembly.h"

#include "demo/LoadingScreen.h"

ShowAssembly::ShowAssembly(const ShowSetup& setup) {
    Clock& loadingClock = setup.systemClock ? *setup.systemClock : instantClock;
    LoadingViewFactory* loadingViews = setup.loadingViews;
    if (!loadingViews) {
        ownLoadingViews = std::make_unique<LoadingScreenFactory>(setup.window, setup.viewport, loadingClock);
        loadingViews = ownLoadingViews.get();
    }
    RenderToolkit* toolkit = setup.toolkit;
    if (!toolkit) {
        ownToolkit = std::make_unique<RenderToolkit>(setup.viewport);
        toolkit = ownToolkit.get();
    }
    Clock& hostClock = setup.live && setup.systemClock ? *setup.systemClock : instantClock;
    HostServices services{hostClock, setup.music, setup.boxes, textureFactory, *loadingViews, frameHooks};
    services.toolkit = toolkit;
    services.scriptPath = setup.scriptPath;
    services.stopOnScriptErrors = setup.stopOnScriptErrors;
    services.problems = setup.problems;
    host = std::make_unique<DemoHost>(services);
    effects.RegisterWith(*host);
}
