// The small text toolkit of the script language: the tokenizer that takes
// words off the front of a line, and the lenient number readers, which read
// what looks like a number at the start of a text and give 0 otherwise.
#pragma once

#include <cstdint>
#include <string_view>

// Removes spaces, tabs and line feeds from both ends.
std::string_view TrimScriptBlanks(std::string_view text);

// Takes one token off the front of `source`: the text before the first
// `delimiter`, trimmed, or all of `source` when there is none. `source`
// becomes the trimmed rest after the delimiter (empty when there was none).
void SplitToken(std::string_view& token, char delimiter, std::string_view& source);

// Blanks, an optional sign and decimal digits; 0 without digits. Values
// beyond the 32-bit range saturate.
int32_t IntegerValue(std::string_view text);

// The same reading, wide enough to tell a value outside the 32-bit range:
// magnitudes saturate at kWideIntegerLimit.
constexpr int64_t kWideIntegerLimit = int64_t{1} << 40;
int64_t WideIntegerValue(std::string_view text);

// Blanks, an optional sign, digits with an optional fraction and exponent;
// 0.0 without a number.
double DecimalValue(std::string_view text);

// Truncates toward zero to a signed 32-bit count; NaN and values outside the
// 32-bit range give the lowest value, which every caller treats as invalid.
int32_t TruncateToInt32(double value);

// What is left of `text` after the number that IntegerValue reads at its
// start: empty when the whole text is that number, all of `text` when it
// starts with no number.
std::string_view AfterInteger(std::string_view text);
// The same for the number that DecimalValue reads.
std::string_view AfterDecimal(std::string_view text);

// True for a non-empty text of decimal digits only.
bool IsAllDigits(std::string_view text);
