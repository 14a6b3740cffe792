#include "platform/ConsoleText.h"

#include <algorithm>

#include "platform/Utf8Text.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

std::string EscapeControlCharacters(std::string_view text, LineBreaks lineBreaks) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    const auto escape = [&](unsigned char byte) {
        escaped += "\\x";
        escaped += kHex[byte >> 4];
        escaped += kHex[byte & 0xF];
    };
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool lineBreak = (byte == '\n' || byte == '\t') && lineBreaks == LineBreaks::Kept;
        if (byte < 0x80) {
            if ((byte < 0x20 && !lineBreak) || byte == 0x7F) {
                escape(byte);
            } else {
                escaped += text[i];
            }
            ++i;
            continue;
        }
        const size_t length = Utf8CharacterLength(text.substr(i));
        if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            escape(byte);
            escape(static_cast<unsigned char>(text[i + 1]));
        } else if (length == 0 && byte < 0xA0) {
            escape(byte);
        } else {
            escaped.append(text.substr(i, std::max<size_t>(length, 1)));
        }
        i += std::max<size_t>(length, 1);
    }
    return escaped;
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

void WriteForTerminal(std::FILE* stream, std::string_view text) {
    const std::string shown = IsTerminal(stream) ? EscapeControlCharacters(text) : std::string(text);
    std::fwrite(shown.data(), 1, shown.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
