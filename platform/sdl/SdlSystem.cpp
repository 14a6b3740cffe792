#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/sdl/LostDisplay.h"
#include "platform/sdl/SdlPlatform.h"

SdlSystem::~SdlSystem() {
    if (started) SDL_Quit();
}

namespace {

bool DriverHasNoScreen(const char* driver) {
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

}  // namespace

bool SdlSystem::Start(Signals signals) {
    if (started) return true;
    noDisplay = false;
    EndAtOnceWhenTheDisplayIsLost();
    // Read when SDL starts its events, here or with its audio later.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, signals == Signals::LeftToTheProgram ? "1" : "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        problem = std::string("cannot start SDL: ") + SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (DriverHasNoScreen(driver) && !(asked && SDL_strcasecmp(asked, driver) == 0)) {
        SDL_Quit();
        noDisplay = true;
        problem = "there is no display to open a window on: no X or Wayland display is set "
                  "(DISPLAY, WAYLAND_DISPLAY) or none could be reached";
        return false;
    }
    started = true;
    SDL_DisableScreenSaver();
    return true;
}

void SdlSystem::DrawOffscreen() {
#if !defined(_WIN32)
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
#endif
}

const char* SdlSystem::LastError() { return SDL_GetError(); }

uint32_t SdlClock::Milliseconds() { return SDL_GetTicks(); }

void SdlClock::Sleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }
