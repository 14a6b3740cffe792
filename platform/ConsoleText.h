// Text from the show's files on a terminal. A script line can hold any
// bytes, among them escape sequences that would move the cursor, recolour
// or retitle the terminal it is printed on; on a terminal, control
// characters are therefore shown escaped ("\x1b"). Files and pipes get the
// text as it is. Names that stand inside a line of a tool's output (a
// model's object names) are escaped everywhere, line breaks included, so
// that they cannot forge a line.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

enum class LineBreaks { Kept, Escaped };

// `text` with every control character written as \xNN, byte by byte: the
// ASCII ones (other than the line feed and the tab while line breaks are
// kept), DEL, the C1 controls U+0080 to U+009F in UTF-8 (among them CSI
// and OSC, which terminals obey as ESC [ and ESC ]) and bytes 0x80 to 0x9F
// that belong to no UTF-8 character, which an 8-bit terminal obeys too.
std::string EscapeControlCharacters(std::string_view text, LineBreaks lineBreaks = LineBreaks::Kept);

// Whether `stream` is a terminal.
bool IsTerminal(std::FILE* stream);

// Writes `text` and a line feed to `stream`, escaped when it is a terminal,
// and flushes it.
void WriteForTerminal(std::FILE* stream, std::string_view text);
