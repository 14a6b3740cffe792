// Text from the show's files on a terminal. A script line can hold any
// bytes, among them escape sequences that would move the cursor, recolour
// or retitle the terminal it is printed on; on a terminal, control
// characters are therefore shown escaped ("\x1b"). Files and pipes get the
// text as it is.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// `text` with every ASCII control character other than the line feed and
// the tab written as \xNN.
std::string EscapeControlCharacters(std::string_view text);

// Whether `stream` is a terminal.
bool IsTerminal(std::FILE* stream);

// Writes `text` and a line feed to `stream`, escaped when it is a terminal,
// and flushes it.
void WriteForTerminal(std::FILE* stream, std::string_view text);
