#include "platform/ConsoleText.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

std::string EscapeControlCharacters(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        } else {
            escaped += c;
        }
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
