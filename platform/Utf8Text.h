// UTF-8 in text from the show's files, which may hold any bytes: telling
// well-formed characters from stray bytes, and making text fit for formats
// that accept only well-formed Unicode characters (XML).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length in bytes of the well-formed UTF-8 character that `text`
// starts with (1 for ASCII); 0 when it starts with no such character (a
// stray or overlong byte sequence, a surrogate, a character cut short) or
// is empty.
size_t Utf8CharacterLength(std::string_view text);

// `text` with every byte that starts no well-formed UTF-8 character, and
// every non-character (U+FDD0 to U+FDEF and the last two code points of
// every plane, U+FFFE and U+FFFF among them), replaced by U+FFFD. `replaced`
// is set when anything was.
std::string WithValidUtf8(std::string_view text, bool& replaced);
