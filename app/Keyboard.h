// The keyboard as the run loop sees it: which keys are held, and whether any
// key went down since the last look.
//
// The window procedure feeds it with key-down and key-up messages; nothing
// else changes it. Key codes are the show's key numbers (namespace vk in
// platform/Messages.h); codes outside 0 to 255 are ignored and read as not
// down.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class Keyboard {
public:
    Keyboard();
    virtual ~Keyboard() = default;

    void KeyDown(int32_t key);
    void KeyUp(int32_t key);
    bool IsDown(int32_t key) const;

    // True when a key-down (auto-repeats included) arrived since the last
    // call; reading clears it.
    bool AnyKeyPressed();

private:
    std::array<bool, 256> down{};
    bool anyKey = false;
};
