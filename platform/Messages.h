// Window messages as the show's window procedure sees them.
//
// The platform layer translates its native events into these messages, so
// the run loop and the window procedure stay free of any windowing API. A
// message is an id and two words of facts; keys travel as the show's key
// numbers (namespace vk), in which a letter or a digit is its upper-case
// ASCII code.
#pragma once

#include <cstdint>

struct Message {
    uint32_t id = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

namespace msg {
constexpr uint32_t kSize = 0x0005;        // lParam: width | height << 16
constexpr uint32_t kPaint = 0x000F;       // part of the window must be drawn again
constexpr uint32_t kClose = 0x0010;
constexpr uint32_t kQuit = 0x0012;        // wParam: exit code
constexpr uint32_t kKeyDown = 0x0100;     // wParam: key number
constexpr uint32_t kKeyUp = 0x0101;       // wParam: key number
constexpr uint32_t kSysCommand = 0x0112;  // wParam: system command
// The mouse, in client pixels from the client area's top left; lParam:
// x | y << 16, each a signed 16-bit number (PackPoint). While the left
// button is held, moves reach the window also from outside it.
constexpr uint32_t kMouseMove = 0x0200;       // wParam: kLeftButtonHeld while held
constexpr uint32_t kLeftButtonDown = 0x0201;
constexpr uint32_t kLeftButtonUp = 0x0202;
constexpr uint32_t kMouseWheel = 0x020A;      // wParam: the turn (PackWheel)
constexpr uint32_t kMouseLeave = 0x02A3;      // the pointer left the client area
constexpr uintptr_t kLeftButtonHeld = 0x0001;

constexpr uintptr_t kScreenSaveCommand = 0xF140;
constexpr uintptr_t kMonitorPowerCommand = 0xF170;

// Packs a client size into a size message's lParam: low 16 bits width, high
// 16 bits height.
constexpr intptr_t PackSize(int width, int height) {
    return static_cast<intptr_t>((static_cast<uint32_t>(width) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(height) & 0xFFFFu) << 16));
}
constexpr int SizeWidth(intptr_t lParam) { return static_cast<int>(lParam & 0xFFFF); }
constexpr int SizeHeight(intptr_t lParam) { return static_cast<int>((lParam >> 16) & 0xFFFF); }

// Packs a pointer position the way mouse messages carry it.
constexpr intptr_t PackPoint(int x, int y) { return PackSize(x, y); }
constexpr int PointX(intptr_t lParam) { return static_cast<int16_t>(lParam & 0xFFFF); }
constexpr int PointY(intptr_t lParam) { return static_cast<int16_t>((lParam >> 16) & 0xFFFF); }
// The turn of the wheel in 120ths of a notch, away from the user positive,
// as kMouseWheel's wParam carries it in its high 16 bits.
constexpr intptr_t PackWheel(int turn) { return static_cast<intptr_t>(static_cast<uint32_t>(turn & 0xFFFF) << 16); }
constexpr int WheelTurn(uintptr_t wParam) { return static_cast<int16_t>((wParam >> 16) & 0xFFFF); }
constexpr int kWheelNotch = 120;
}  // namespace msg

// Key numbers. Letters are 'A' to 'Z' (65 to 90) and digits '0' to '9'
// (48 to 57); the named keys are below.
namespace vk {
constexpr int kBack = 8;
constexpr int kTab = 9;
constexpr int kReturn = 13;
constexpr int kShift = 16;
constexpr int kControl = 17;
constexpr int kMenu = 18;  // Alt
constexpr int kPause = 19;
constexpr int kCapital = 20;
constexpr int kEscape = 27;
constexpr int kSpace = 32;
constexpr int kPrior = 33;  // Page Up
constexpr int kNext = 34;   // Page Down
constexpr int kEnd = 35;
constexpr int kHome = 36;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;
constexpr int kInsert = 45;
constexpr int kDelete = 46;
constexpr int kNumpad0 = 96;  // to 105 for Numpad 9
constexpr int kMultiply = 106;
constexpr int kAdd = 107;
constexpr int kSubtract = 109;
constexpr int kDecimal = 110;
constexpr int kDivide = 111;
constexpr int kF1 = 112;  // to 123 for F12
constexpr int kOemSemicolon = 186;
constexpr int kOemPlus = 187;
constexpr int kOemComma = 188;
constexpr int kOemMinus = 189;
constexpr int kOemPeriod = 190;
constexpr int kOemSlash = 191;
constexpr int kOemBacktick = 192;
constexpr int kOemOpenBracket = 219;
constexpr int kOemBackslash = 220;
constexpr int kOemCloseBracket = 221;
constexpr int kOemQuote = 222;
}  // namespace vk
