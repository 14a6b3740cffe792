#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <string>

#if defined(__linux__)
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

#include "platform/sdl/SdlPlatform.h"

namespace {

#if defined(__linux__)
// SDL draws a box on X11 in a child process of its own and waits for it;
// its signal handling turns Ctrl-C and SIGTERM into a quit message, which
// nobody reads while the box waits. While a box is up, these signals end
// the program at once, with 128 + the signal's number, and the box with it:
// every process forked meanwhile (the box's) is tied to the program, so that
// it dies with it however the program ends, a SIGKILL included.
volatile sig_atomic_t boxShowing = 0;
pid_t boxOwner = 0;

void EndWhileTheBoxWaits(int signalNumber) {
    _exit(128 + signalNumber);
}

void TieForkedChildToTheProgram() {
    if (!boxShowing) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have ended before the tie was made.
    if (getppid() != boxOwner) _exit(128 + SIGKILL);
}

class StopsEndTheBox {
public:
    StopsEndTheBox() {
        static const bool tied = pthread_atfork(nullptr, nullptr, TieForkedChildToTheProgram) == 0;
        (void)tied;
        boxOwner = getpid();
        struct sigaction action {};
        action.sa_handler = EndWhileTheBoxWaits;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInterrupt);
        sigaction(SIGTERM, &action, &previousTermination);
        boxShowing = 1;
    }
    ~StopsEndTheBox() {
        boxShowing = 0;
        sigaction(SIGINT, &previousInterrupt, nullptr);
        sigaction(SIGTERM, &previousTermination, nullptr);
    }
    StopsEndTheBox(const StopsEndTheBox&) = delete;
    StopsEndTheBox& operator=(const StopsEndTheBox&) = delete;

private:
    struct sigaction previousInterrupt {};
    struct sigaction previousTermination {};
};
#else
// Windows' boxes belong to the program's own process.
struct StopsEndTheBox {};
#endif

}  // namespace

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
    int shown = 0;
    {
        [[maybe_unused]] const StopsEndTheBox stops;
        shown = SDL_ShowMessageBox(&data, &pressed);
    }
    if (shown != 0) {
        // No display to show the box on: the text still reaches the user.
        std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
        return fallback;
    }
    if (pressed < 0) return fallback;
    return static_cast<MessageBoxAnswer>(pressed);
}
