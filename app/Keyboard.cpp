#include "app/Keyboard.h"

namespace {
bool IsValidKey(int32_t key) { return key >= 0 && key <= 255; }
}  // namespace

Keyboard::Keyboard() { down.fill(false); }

void Keyboard::KeyDown(int32_t key) {
    if (!IsValidKey(key)) return;
    down[static_cast<size_t>(key)] = true;
    anyKey = true;
}

void Keyboard::KeyUp(int32_t key) {
    if (!IsValidKey(key)) return;
    down[static_cast<size_t>(key)] = false;
}

bool Keyboard::IsDown(int32_t key) const {
    return IsValidKey(key) && down[static_cast<size_t>(key)];
}

bool Keyboard::AnyKeyPressed() {
    const bool pressed = anyKey;
    anyKey = false;
    return pressed;
}
