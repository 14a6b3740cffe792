#include "platform/web/WebPage.h"

#include <emscripten/emscripten.h>

#include <string>

namespace {

// The page's answers are the numbers of MessageBoxAnswer.
EM_ASYNC_JS(int, AskInPage, (const char* text, const char* caption, int icon, int yesNo), {
    return await Module.page.ask(UTF8ToString(text), UTF8ToString(caption), icon, yesNo != 0);
});

// -1 without t, -2 for a t that is no show time, else the time.
EM_JS(double, ExactTimeInAddress, (), {
    const asked = new URLSearchParams(window.location.search).get("t");
    if (asked === null) return -1;
    if (!/^[0-9]{1,10}$/.test(asked) || Number(asked) > 4294967295) return -2;
    return Number(asked);
});

EM_JS(void, TellShowStarted, (), { Module.page.playing(); });

EM_JS(void, TellFrameHeld, (double milliseconds), { Module.page.frameHeld(milliseconds); });

EM_JS(void, AskForFullscreen, (), { Module.page.enterFullscreen(); });

EM_ASYNC_JS(void, ShowEndCard, (), { await Module.page.endCard(); });

}  // namespace

MessageBoxAnswer PageMessageBoxes::Show(std::string_view text, std::string_view caption,
                                        MessageBoxIcon icon, MessageBoxButtons buttons) {
    const std::string message(text);
    const std::string title(caption);
    const int answer = AskInPage(message.c_str(), title.c_str(), static_cast<int>(icon),
                                 buttons == MessageBoxButtons::YesNoDefaultNo ? 1 : 0);
    switch (answer) {
        case static_cast<int>(MessageBoxAnswer::Yes): return MessageBoxAnswer::Yes;
        case static_cast<int>(MessageBoxAnswer::No): return MessageBoxAnswer::No;
        default:
            return buttons == MessageBoxButtons::YesNoDefaultNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
    }
}

namespace web_page {

ExactTime AskedExactTime() {
    const double asked = ExactTimeInAddress();
    ExactTime time;
    time.asked = asked != -1;
    time.valid = asked >= 0;
    if (time.valid) time.milliseconds = static_cast<uint32_t>(asked);
    return time;
}

void ShowStarted() { TellShowStarted(); }

void FrameHeld(uint32_t milliseconds) { TellFrameHeld(milliseconds); }

void EnterFullscreen() { AskForFullscreen(); }

void WaitForPlayAgain() { ShowEndCard(); }

}  // namespace web_page
