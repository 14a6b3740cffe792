#include <SDL.h>

#include "platform/sdl/LostDisplay.h"
#include "platform/sdl/SdlPlatform.h"

SdlSystem::~SdlSystem() {
    if (started) SDL_Quit();
}

bool SdlSystem::Start() {
    if (started) return true;
    EndAtOnceWhenTheDisplayIsLost();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) return false;
    started = true;
    SDL_DisableScreenSaver();
    return true;
}

const char* SdlSystem::LastError() { return SDL_GetError(); }

uint32_t SdlClock::Milliseconds() { return SDL_GetTicks(); }

void SdlClock::Sleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }
