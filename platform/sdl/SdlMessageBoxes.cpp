#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/sdl/SdlPlatform.h"

MessageBoxAnswer SdlMessageBoxes::Show(std::string_view text, std::string_view caption,
                                       MessageBoxIcon icon, MessageBoxButtons buttons) {
    const std::string message(text);
    const std::string title(caption);

    Uint32 flags = icon == MessageBoxIcon::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    flags |= SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;

    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         static_cast<int>(MessageBoxAnswer::Ok), "OK"},
    };
    // No is the default: Return and Escape both answer it.
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {0, static_cast<int>(MessageBoxAnswer::Yes), "Yes"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         static_cast<int>(MessageBoxAnswer::No), "No"},
    };
    const bool yesNo = buttons == MessageBoxButtons::YesNoDefaultNo;
    const MessageBoxAnswer fallback = yesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;

    SDL_MessageBoxData data{};
    data.flags = flags;
    data.window = nullptr;
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = yesNo ? 2 : 1;
    data.buttons = yesNo ? yesNoButtons : okButton;

    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        // No display to show the box on: the text still reaches the user.
        std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
        return fallback;
    }
    if (pressed < 0) return fallback;
    return static_cast<MessageBoxAnswer>(pressed);
}
