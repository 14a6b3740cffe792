#include "platform/Utf8Text.h"

#include <cstdint>

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

uint32_t CodePoint(std::string_view character) {
    const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(character[i])); };
    switch (character.size()) {
        case 1: return byte(0);
        case 2: return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
        case 3: return (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        default: return (byte(0) & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 | (byte(3) & 0x3F);
    }
}

bool IsNonCharacter(uint32_t codePoint) {
    return (codePoint >= 0xFDD0 && codePoint <= 0xFDEF) || (codePoint & 0xFFFE) == 0xFFFE;
}

}  // namespace

size_t Utf8CharacterLength(std::string_view text) {
    if (text.empty()) return 0;
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continues = [&](size_t i) { return i < text.size() && (at(i) & 0xC0) == 0x80; };
    const unsigned char lead = at(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continues(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continues(1) || !continues(2)) return 0;
        // Overlong forms and surrogates.
        if ((lead == 0xE0 && at(1) < 0xA0) || (lead == 0xED && at(1) >= 0xA0)) return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continues(1) || !continues(2) || !continues(3)) return 0;
        // Overlong forms and code points past U+10FFFF.
        if ((lead == 0xF0 && at(1) < 0x90) || (lead == 0xF4 && at(1) >= 0x90)) return 0;
        return 4;
    }
    return 0;
}

std::string WithValidUtf8(std::string_view text, bool& replaced) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8CharacterLength(text.substr(i));
        if (length == 0 || IsNonCharacter(CodePoint(text.substr(i, length)))) {
            result += kReplacementCharacter;
            replaced = true;
            i += length == 0 ? 1 : length;
            continue;
        }
        result.append(text.substr(i, length));
        i += length;
    }
    return result;
}
