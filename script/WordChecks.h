// Checks of single words of a script line that read without an error but
// probably not as their author meant them. The script's number readers never
// refuse a word (what does not read as a number is 0, what follows a
// number is dropped), and only the word true is true; each check here says
// so in words, naming the word and what it reads as. Each returns the
// warning's text, or an empty string when the word reads as written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A whole number such as a scene, an index, a pattern number or a tempo.
std::string IntegerWordWarning(std::string_view word);

// A decimal number such as a dbl value or a fade's from and to.
std::string DecimalWordWarning(std::string_view word);

// The value of a bool slot: only true and false read as they look.
std::string BoolWordWarning(std::string_view word);

// A time, `#bars.beats` or `=milliseconds`, that reads as `milliseconds`.
std::string TimeWordWarning(std::string_view word, int32_t milliseconds);

// Words left over at the end of a line after those its command reads; a
// rest that starts with "//" is taken as a comment and passes.
std::string IgnoredWordsWarning(std::string_view rest);
