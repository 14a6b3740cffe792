// The web page that the browser build of the show plays in
// (tools/web/index.html): its dialogs stand in for the message boxes, it
// puts the show in full screen, shows the end card, and passes on the show
// time asked for in its address. Only the browser build has this; it is the
// only code that calls the page's script.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/MessageBoxes.h"

// Message boxes as dialogs in the page, with the boxes' texts, captions and
// buttons (No the default of a question: Return answers it). The show waits
// for the answer as it waits for a box.
class PageMessageBoxes : public MessageBoxes {
public:
    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;
};

namespace web_page {

// What the page's address asks for with ?t=.
struct ExactTime {
    bool asked = false;  // t is there
    bool valid = false;  // and is a show time in whole milliseconds
    uint32_t milliseconds = 0;
};
ExactTime AskedExactTime();

// Tells the page that the show plays, past its loading screen.
void ShowStarted();

// Tells the page that the frame at show time `milliseconds` is drawn and
// held (for tests, which wait for it).
void FrameHeld(uint32_t milliseconds);

// Puts the show's picture in full screen; the page scales the canvas to fit
// at its 4:3 shape. Only while the user's answer still counts as a gesture.
void EnterFullscreen();

// Shows the end card and returns once the user asks to play again.
void WaitForPlayAgain();

}  // namespace web_page
