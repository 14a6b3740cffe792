// Modal message boxes: the one way the show talks to its user.
//
// A box has a text, a caption, an icon and a set of buttons; it returns when
// the user closes it. The platform layer draws real boxes; the script checker
// prints their texts; tests record them.
#pragma once

#include <string_view>

enum class MessageBoxIcon { Error, Information, Question };
enum class MessageBoxButtons { Ok, YesNoDefaultNo };
enum class MessageBoxAnswer { Ok, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageBoxAnswer Show(std::string_view text, std::string_view caption,
                                  MessageBoxIcon icon, MessageBoxButtons buttons) = 0;
};

// Shows `text` in a modal error box (caption "Error", the error icon, an OK
// button) and returns when the user closes it.
void ShowError(MessageBoxes& boxes, std::string_view text);
