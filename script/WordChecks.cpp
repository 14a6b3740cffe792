#include "script/WordChecks.h"

#include <cstdio>

#include "script/ScriptText.h"

namespace {

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// The warning for a number word whose number ends before the word does,
// `rest` being what follows the number (not empty).
std::string NumberWarning(std::string_view word, std::string_view rest, const std::string& value) {
    if (rest.size() == word.size()) return Quoted(word) + " is not a number, so it reads as 0";
    return Quoted(word) + " has " + Quoted(rest) + " after the number, which is ignored: it reads as " +
           value;
}

}  // namespace

// Every number word of a script passes here, so the value is written out
// only for a warning.
std::string IntegerWordWarning(std::string_view word) {
    const std::string_view rest = AfterInteger(word);
    if (word.empty() || rest.empty()) return {};
    return NumberWarning(word, rest, std::to_string(IntegerValue(word)));
}

std::string DecimalWordWarning(std::string_view word) {
    const std::string_view rest = AfterDecimal(word);
    if (word.empty() || rest.empty()) return {};
    return NumberWarning(word, rest, Number(DecimalValue(word)));
}

std::string BoolWordWarning(std::string_view word) {
    if (word == "true" || word == "false") return {};
    if (word.empty()) return "no value: it reads as false";
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "true") return Quoted(word) + " reads as false: only true, in small letters, is true";
    return Quoted(word) + " is neither true nor false, so it reads as false";
}

std::string TimeWordWarning(std::string_view word, int32_t milliseconds) {
    if (word.empty() || milliseconds < 0) return {};
    if (word[0] != '#' && word[0] != '=') {
        std::string advice = "write =milliseconds or #bars.beats";
        if (IsAllDigits(word)) advice = "write =" + std::string(word) + " for milliseconds";
        return Quoted(word) + " is not a time, so it reads as 0: " + advice;
    }
    std::string_view junk;
    if (word[0] == '=') {
        junk = AfterInteger(word.substr(1));
    } else {
        std::string_view beats = word.substr(1);
        const size_t stop = beats.find('.');
        const std::string_view bars = beats.substr(0, stop);
        beats = stop == std::string_view::npos ? std::string_view() : beats.substr(stop + 1);
        junk = AfterInteger(bars);
        if (junk.empty() && !beats.empty()) junk = AfterDecimal(beats);
    }
    if (word.size() == 1) return Quoted(word) + " has no number, so it reads as 0";
    if (junk.empty()) return {};
    return Quoted(word) + " has " + Quoted(junk) + " where the time should end, which is ignored: " +
           "it reads as =" + std::to_string(milliseconds);
}

std::string IgnoredWordsWarning(std::string_view rest) {
    if (rest.empty() || rest.substr(0, 2) == "//") return {};
    return Quoted(rest) + " at the end of the line is ignored";
}
