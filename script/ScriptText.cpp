#include "script/ScriptText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool IsTrimBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The blanks that number readers skip before a number.
bool IsNumberBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view TrimScriptBlanks(std::string_view text) {
    size_t begin = 0;
    while (begin < text.size() && IsTrimBlank(text[begin])) ++begin;
    size_t end = text.size();
    while (end > begin && IsTrimBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

void SplitToken(std::string_view& token, char delimiter, std::string_view& source) {
    const size_t at = source.find(delimiter);
    if (at == std::string_view::npos) {
        token = TrimScriptBlanks(source);
        source = std::string_view();
        return;
    }
    token = TrimScriptBlanks(source.substr(0, at));
    source = TrimScriptBlanks(source.substr(at + 1));
}

namespace {

// Where the number at the start of `text` ends: after blanks, a sign and
// digits and, for a decimal, a fraction and an exponent; 0 without digits.
size_t NumberEnd(std::string_view text, bool decimal) {
    size_t i = 0;
    while (i < text.size() && IsNumberBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (decimal && i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (decimal && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

bool IsAllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

std::string_view AfterInteger(std::string_view text) { return text.substr(NumberEnd(text, false)); }

std::string_view AfterDecimal(std::string_view text) { return text.substr(NumberEnd(text, true)); }

int64_t WideIntegerValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsNumberBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kWideIntegerLimit);
    }
    return negative ? -magnitude : magnitude;
}

int32_t IntegerValue(std::string_view text) {
    const int64_t value = WideIntegerValue(text);
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

double DecimalValue(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && IsNumberBlank(text[start])) ++start;
    const size_t end = NumberEnd(text, true);
    if (end == 0) return 0.0;
    // Only the characters matched above reach strtod, so it reads exactly
    // the number and nothing else (no hexadecimal, no "inf" or "nan").
    char buffer[512];
    const size_t length = std::min(end - start, sizeof buffer - 1);
    text.substr(start, length).copy(buffer, length);
    buffer[length] = '\0';
    return std::strtod(buffer, nullptr);
}

int32_t TruncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}
