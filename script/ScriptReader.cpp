#include "script/ScriptReader.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/RegularFile.h"
#include "script/EffectParams.h"
#include "script/ScriptText.h"
#include "script/WordChecks.h"
#include "textures/TextureRegistry.h"

namespace {

// Beats shorter than a millisecond would make every time 0 and the pattern
// player's step rate infinite.
constexpr int32_t kMaxBpm = 60000;
// Scene numbers address the timeline's 64 parameter records.
constexpr int32_t kRecordCount = 64;

int32_t SlotCount(ParamKind kind) {
    switch (kind) {
        case ParamKind::Dbl: return EffectParams::kDblCount;
        case ParamKind::Lng: return EffectParams::kLngCount;
        case ParamKind::Bool: return EffectParams::kBoolCount;
    }
    return 0;
}

bool IndexFitsKind(ParamKind kind, int32_t index) { return index >= 0 && index < SlotCount(kind); }

// The hints that follow an error in the checker's report.
constexpr char kIdentifierHint[] =
    "write scene.SCENE.KIND.INDEX, as in scene.3.dbl.0, with KIND dbl, lng or bool, or scene.SCENE.RUN";

std::string SlotRangeHint(ParamKind kind, bool trigger) {
    const std::string kindWord = KindWord(kind);
    const std::string range = kindWord + ".0 to " + kindWord + "." + std::to_string(SlotCount(kind) - 1);
    return trigger ? "Trig raises a bool slot, " + range : "the " + kindWord + " slots are " + range;
}

bool SceneInRange(int32_t scene) { return scene >= 0 && scene < kRecordCount; }

// The script's commands, and whether each acts at its line's time.
enum class Command {
    None,
    LoadImage,
    Define,
    DefinePattern,
    Set,
    Trig,
    Fade,
    UsePattern,
    DisablePattern,
    LoadMusic,
    Goto,
    End
};

struct CommandWord {
    const char* word;
    Command command;
    bool timed;
};

// In the order a line's first word is compared with them.
constexpr CommandWord kCommands[] = {
    {"LoadImage", Command::LoadImage, false},   {"Define", Command::Define, false},
    {"DefinePattern", Command::DefinePattern, false}, {"Set", Command::Set, true},
    {"Trig", Command::Trig, true},               {"Fade", Command::Fade, true},
    {"UsePattern", Command::UsePattern, true},   {"DisablePattern", Command::DisablePattern, true},
    {"LoadMusic", Command::LoadMusic, false},   {"Goto", Command::Goto, false},
    {"End", Command::End, false},
};

const CommandWord* FindCommand(std::string_view word) {
    for (const CommandWord& command : kCommands) {
        if (word == command.word) return &command;
    }
    return nullptr;
}

// The words of the language that a variable's name may hide in.
constexpr const char* kLanguageWords[] = {
    "LoadImage", "Define", "DefinePattern", "Set", "Trig", "Fade", "UsePattern", "DisablePattern",
    "LoadMusic", "Goto", "End", "scene", "dbl", "lng", "bool", "true", "false", "from", "to",
    "time", "repeat"};

bool IsWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The word of `line` around the characters [start, start + length).
std::string_view WordAround(std::string_view line, size_t start, size_t length) {
    size_t begin = start;
    while (begin > 0 && IsWordCharacter(line[begin - 1])) --begin;
    size_t end = start + length;
    while (end < line.size() && IsWordCharacter(line[end])) ++end;
    return line.substr(begin, end - begin);
}

// Some editors start UTF-8 text with it; a file's first one is skipped.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

constexpr const char* kUtf16Hint = "the script is UTF-16; save it as UTF-8";



// The longest start of `line` that holds at most `length` bytes and ends
// between two UTF-8 characters, not inside one.
std::string_view WholeCharacters(std::string_view line, size_t length) {
    if (line.size() <= length) return line;
    size_t cut = length;
    for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80; ++back) --cut;
    return line.substr(0, cut);
}

// What a finding keeps of its line and its words. A line that its
// variables made long, or a long value quoted in a message, is cut: a
// script of many such lines would otherwise fill the memory with them.
constexpr size_t kMaxFindingText = 512;

std::string Kept(std::string_view text) {
    if (text.size() <= kMaxFindingText) return std::string(text);
    return std::string(WholeCharacters(text, kMaxFindingText)) + "...";
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

// What a line that is no command may have meant: a comment after #, a
// command in other letters, a time without its # or =, a command moved off
// the line's start.
std::string SyntaxErrorHint(std::string_view word, std::string_view timePrefix) {
    if (timePrefix == "#") return "a comment starts with //; # starts a time";
    if (word.substr(0, 3) == kByteOrderMark) {
        return "the line starts with an invisible byte-order mark (the bytes EF BB BF), as where two files "
               "were joined: delete it";
    }
    if (word.empty()) return "the line starts with a space: a command starts at the line's first character";
    for (const CommandWord& command : kCommands) {
        const std::string_view name = command.word;
        const bool sameLetters =
            name.size() == word.size() && std::equal(name.begin(), name.end(), word.begin(), [](char a, char b) {
                return (a | 0x20) == (b | 0x20);
            });
        if (sameLetters) return Quoted(word) + " is written " + command.word;
    }
    if (word[0] >= '0' && word[0] <= '9') {
        return Quoted(word) + " is not a time: write #" + std::string(word) + " for bar.beat, or = before "
               "milliseconds";
    }
    std::string commands;
    for (const CommandWord& command : kCommands) {
        commands += commands.empty() ? "" : ", ";
        commands += command.word;
    }
    return Quoted(word) + " is not a command; the commands are " + commands;
}

constexpr WarningKindName kWarningKinds[] = {
    {WarningKind::Number, "number", "a number word with something after its number, or with no number"},
    {WarningKind::Bool, "bool", "a bool value other than true or false"},
    {WarningKind::Time, "time", "a time without # or =, or with something after it"},
    {WarningKind::Words, "words", "words after those that the command reads"},
    {WarningKind::Variable, "variable", "a variable replaced inside a longer word, RUNNING among them"},
    {WarningKind::Define, "define", "a Define of a name that is a variable already, or that a word of the "
                                    "language holds"},
    {WarningKind::Prefix, "prefix", "a time prefix that does nothing, or that a later one overrides"},
    {WarningKind::Never, "never", "an event without a time, or a day or more into the show"},
    {WarningKind::Value, "value", "a Set without a value"},
    {WarningKind::Trig, "trig", "a Trig of a kind other than bool"},
    {WarningKind::Fade, "fade", "a Fade without scene or index, with other attribute names, an index outside "
                                "0 to 9, or a day or more long"},
    {WarningKind::Pattern, "pattern", "a pattern that is empty, cut at 128 steps, never defined, or has steps "
                                      "no effect acts on"},
    {WarningKind::Repeat, "repeat", "a LoadImage option other than repeat"},
    {WarningKind::Tempo, "tempo", "a tempo change after lines with # times"},
    {WarningKind::Drift, "drift", "a beat that is not whole milliseconds, so the # times drift from the "
                                  "music by a frame or more"},
    {WarningKind::Slot, "slot", "a scene that has no effect, or a slot that its effect does not read"},
    {WarningKind::Late, "late", "an event at or after the End or the music's end, or a fade the End cuts "
                                "short"},
    {WarningKind::Goto, "goto", "a Goto left in, or one at or after the End or the music's end"},
    {WarningKind::End, "end", "no End, or an End at 0, after the music, or a day or more in"},
    {WarningKind::Idle, "idle", "a scene that never runs"},
    {WarningKind::Picture, "picture", "a picture loaded again, unused, replaced by a render target, or "
                                      "named .bmp"},
    {WarningKind::Music, "music", "a LoadMusic that a later one replaces"},
    {WarningKind::Model, "model", "a model too large or too small for the camera, or with nothing to draw"},
    {WarningKind::Loading, "loading", "a loading picture that cannot be read"},
};

}  // namespace

std::span<const WarningKindName> WarningKinds() { return kWarningKinds; }

std::string DaysText(uint32_t milliseconds) {
    char days[32];
    std::snprintf(days, sizeof days, "%.1f days", milliseconds / static_cast<double>(kOneDayMs));
    return days;
}

WarningKind FindWarningKind(std::string_view word) {
    for (const WarningKindName& kind : kWarningKinds) {
        if (word == kind.word) return kind.kind;
    }
    return WarningKind::None;
}

const char* WarningWord(WarningKind kind) {
    for (const WarningKindName& name : kWarningKinds) {
        if (name.kind == kind) return name.word;
    }
    return "";
}

std::string ScriptFinding::BoxText() const {
    std::string box;
    box.reserve(message.size() + text.size() + 32);
    box += message;
    box += " on line ";
    box += std::to_string(line);
    box += ":\n";
    box += text;
    return box;
}

std::string EditorLine(std::string_view file, int32_t line, FindingSeverity severity,
                       std::string_view text) {
    std::string formatted(file);
    if (line > 0) {
        formatted += ':';
        formatted += std::to_string(line);
    }
    formatted += severity == FindingSeverity::Error ? ": error: " : ": warning: ";
    formatted += text;
    return formatted;
}

const std::string* ParsedScript::Variable(std::string_view name) const {
    auto found = variables.find(name);
    return found == variables.end() ? nullptr : &found->second;
}

std::string_view ParsedScript::LineText(int32_t line) const {
    if (line < 1 || static_cast<size_t>(line) > lineStarts.size()) return {};
    const size_t begin = lineStarts[static_cast<size_t>(line) - 1];
    const bool last = static_cast<size_t>(line) == lineStarts.size();
    const size_t end = last ? text.size() : lineStarts[static_cast<size_t>(line)] - 1;
    std::string_view found = std::string_view(text).substr(begin, end - begin);
    if (!last && !found.empty() && found.back() == '\r') found.remove_suffix(1);
    return found;
}

bool ParsedScript::HasErrors() const {
    return std::any_of(findings.begin(), findings.end(), [](const ScriptFinding& finding) {
        return finding.severity == FindingSeverity::Error;
    });
}

ParsedScript NewParsedScript() {
    ParsedScript script;
    script.variables.emplace("RUNNING", "bool.0");
    script.variables.emplace("RUN", "bool.0 true");
    script.variables.emplace("STOP", "bool.0 false");
    ScriptReader(script).SetTempo(125, 4);
    return script;
}

void ScriptReader::ReadLine(std::string_view raw, size_t fullLength) {
    // The line is text: it ends at a zero byte.
    if (size_t zero = raw.find('\0'); zero != std::string_view::npos) raw = raw.substr(0, zero);
    const size_t findingsBefore = script.findings.size();
    if (fullLength > static_cast<size_t>(ParsedScript::kMaxLineLength)) {
        currentLine.assign(WholeCharacters(raw, ParsedScript::kMaxLineLength));
        std::string hint = "a line holds at most 255 bytes, and this one has " + std::to_string(fullLength);
        if (std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; })) {
            hint += " (a character outside ASCII takes 2 to 4)";
        }
        if (raw.find('\r') != std::string_view::npos) {
            hint = "the file's lines end in CR alone: save it with LF or CR LF line ends";
        }
        ReportError("Line too long", std::move(hint));
    } else {
        currentLine.assign(raw);
        ReadAllowances(raw);
        CheckBeforeSubstitution(raw);
        std::string substituted(raw);
        std::string problem = SubstituteVariables(substituted);
        if (problem.empty()) {
            currentLine = std::move(substituted);
            ExecuteLine(currentLine, NO_TIME);
        } else {
            ReportError("Line too long", std::move(problem));
        }
    }
    if (textIsUtf16 && lineNumber == 1) {
        // The rest of the file reads as empty lines: each starts with a
        // zero byte.
        auto error = std::find_if(script.findings.begin() + static_cast<std::ptrdiff_t>(findingsBefore),
                                  script.findings.end(),
                                  [](const ScriptFinding& f) { return f.severity == FindingSeverity::Error; });
        if (error != script.findings.end()) {
            error->hint = kUtf16Hint;
        } else {
            ReportWarning(std::string(kUtf16Hint) + ": the show reads nothing of it but its first character",
                          WarningKind::None);
        }
    }
    script.lineCount = lineNumber;
    ++lineNumber;
}

std::string ScriptReader::SubstituteVariables(std::string& line) const {
    for (const auto& [name, value] : script.variables) {
        if (name.empty() || line.size() <= name.size()) continue;
        size_t position = line.find(name);
        if (position == std::string::npos) continue;
        // Each search goes on one past the start of the value just put in,
        // so a value that holds its own name past its first character is
        // found again in itself, for ever.
        if (value.find(name, 1) != std::string::npos) {
            return "the variable " + name + " holds its own name in its value " + Quoted(value) +
                   ", so replacing it never ends";
        }
        for (; position != std::string::npos; position = line.find(name, position + 1)) {
            line.replace(position, name.size(), value);
            if (line.size() > kMaxSubstitutedLength) {
                return "with the variable " + name + " replaced, the line grows past " +
                       std::to_string(kMaxSubstitutedLength / 1024) + " KB";
            }
        }
    }
    return {};
}

void ScriptReader::ReadAllowances(std::string_view raw) {
    constexpr std::string_view kAllow = "check: allow";
    const size_t mark = raw.find(kAllow);
    if (mark == std::string_view::npos || mark < 2) return;
    const size_t comment = raw.rfind("//", mark - 2);
    if (comment == std::string_view::npos || !TrimScriptBlanks(raw.substr(comment + 2, mark - comment - 2)).empty()) {
        return;
    }
    const bool wholeShow = TrimScriptBlanks(raw.substr(0, comment)).empty();
    if (!wholeShow) {
        std::string_view rest = raw, word;
        do {
            SplitToken(word, ' ', rest);
        } while (!word.empty() && (word[0] == '#' || word[0] == '='));
        if (word == "DefinePattern") {
            ReportWarning("a DefinePattern line's steps run to its end, so this comment is played as steps: put "
                          "'// check: allow' on a line of its own",
                          WarningKind::None);
            return;
        }
    }
    std::string_view words = raw.substr(mark + kAllow.size());
    bool named = false;
    while (!words.empty()) {
        const size_t start = words.find_first_not_of(" \t,");
        if (start == std::string_view::npos) break;
        words.remove_prefix(start);
        const size_t end = std::min(words.find_first_of(" \t,"), words.size());
        const std::string_view word = words.substr(0, end);
        words.remove_prefix(end);
        named = true;
        const WarningKind kind = FindWarningKind(word);
        if (kind == WarningKind::None) {
            std::string kinds;
            for (const WarningKindName& name : WarningKinds()) {
                if (!kinds.empty()) kinds += ", ";
                kinds += name.word;
            }
            ReportWarning(Quoted(word) + " names no kind of warning: check: allow takes " + kinds, WarningKind::None);
        } else {
            script.allowances.push_back(Allowance{lineNumber, kind, wholeShow});
        }
    }
    if (!named) ReportWarning("check: allow names no kind of warning, so it acknowledges none", WarningKind::None);
}

const std::string& ScriptReader::DirectoryVariable(const char* name) {
    return script.variables[name];
}

void ScriptReader::ReportError(std::string_view message, std::string hint) {
    script.findings.push_back(ScriptFinding{lineNumber, FindingSeverity::Error, Kept(message), Kept(currentLine),
                                            Kept(hint)});
}

void ScriptReader::ReportWarning(std::string message, WarningKind kind) {
    if (message.empty()) return;
    script.findings.push_back(
        ScriptFinding{lineNumber, FindingSeverity::Warning, Kept(message), Kept(currentLine), {}, kind});
}

void ScriptReader::CheckIntegerWord(std::string_view word) {
    ReportWarning(IntegerWordWarning(word), WarningKind::Number);
}

void ScriptReader::CheckDecimalWord(std::string_view word) {
    ReportWarning(DecimalWordWarning(word), WarningKind::Number);
}

void ScriptReader::CheckIgnoredWords(std::string_view rest) {
    ReportWarning(IgnoredWordsWarning(rest), WarningKind::Words);
}

void ScriptReader::CheckTimeWord(std::string_view word, int32_t milliseconds) {
    if (!word.empty() && word[0] == '#') barTimeRead = true;
    ReportWarning(TimeWordWarning(word, milliseconds), WarningKind::Time);
}

void ScriptReader::CheckBeforeSubstitution(std::string_view raw) {
    // Each word that a variable is replaced inside of, once.
    std::vector<std::string_view> reported;
    for (const auto& [name, value] : script.variables) {
        if (name.empty()) continue;
        for (size_t at = raw.find(name); at != std::string_view::npos; at = raw.find(name, at + 1)) {
            const std::string_view word = WordAround(raw, at, name.size());
            if (word == name ||
                std::find(reported.begin(), reported.end(), word) != reported.end()) {
                continue;
            }
            reported.push_back(word);
            if (word == "RUNNING") {
                ReportWarning("RUNNING is never replaced: RUN, which is replaced first, turns it into "
                              "'bool.0 trueNING'; write bool.0 for the running flag",
                              WarningKind::Variable);
            } else {
                ReportWarning("the variable " + name + " is replaced inside the word " + Quoted(word) +
                                  ", by " + Quoted(value),
                              WarningKind::Variable);
            }
        }
    }

    std::string_view rest = raw;
    std::string_view word;
    do {
        SplitToken(word, ' ', rest);
    } while (!word.empty() && (word[0] == '#' || word[0] == '='));
    if (word == "Define") {
        std::string_view name;
        SplitToken(name, '=', rest);
        CheckDefineName(raw, name);
    }
}

void ScriptReader::CheckDefineName(std::string_view raw, std::string_view name) {
    if (name.empty()) return;
    if (const std::string* old = script.Variable(name)) {
        std::string line(raw);
        SubstituteVariables(line);
        if (old->empty()) {
            ReportWarning(std::string(name) + " is already defined, and empty: a line that uses it "
                          "before this one defines it so; this line reads " + Quoted(line) +
                          ". Define " + std::string(name) + " before the first LoadImage or LoadMusic",
                          WarningKind::Define);
        } else {
            ReportWarning(std::string(name) + " is already defined, as " + Quoted(*old) +
                          ", so this line reads " + Quoted(line) + " and " + std::string(name) +
                          " keeps its value",
                          WarningKind::Define);
        }
        return;
    }
    for (const char* languageWord : kLanguageWords) {
        if (std::string_view(languageWord).find(name) != std::string_view::npos) {
            ReportWarning("every " + std::string(name) + " on the lines after this one is replaced, "
                          "also inside words, and the word " + languageWord + " holds it",
                          WarningKind::Define);
            return;
        }
    }
}

void ScriptReader::ExecuteLine(std::string_view line, uint32_t time) {
    // A time prefix sets the time for the rest of the line; with several,
    // the last one counts.
    int32_t prefixes = 0;
    std::string_view lastPrefix;
    for (;;) {
        if (line.empty()) return;
        std::string_view word;
        std::string_view rest = line;
        SplitToken(word, ' ', rest);

        if (const CommandWord* command = FindCommand(word)) {
            if (prefixes > 1) {
                ReportWarning("only the last of the " + std::to_string(prefixes) + " time prefixes, " +
                                  std::string(lastPrefix) + ", counts",
                              WarningKind::Prefix);
            }
            const bool set = command->command == Command::Set;
            if (!command->timed && prefixes > 0) {
                ReportWarning(std::string(word) + " acts while the script is read: the time prefix "
                              "does nothing",
                              WarningKind::Prefix);
            } else if (command->timed && prefixes == 0 && !set) {
                ReportWarning("this " + std::string(word) + " has no time, so it never happens", WarningKind::Never);
            } else if (command->timed && time >= kOneDayMs && !(set && static_cast<int32_t>(time) < 0)) {
                ReportWarning("this " + std::string(word) + " is at =" + std::to_string(time) + ", " + DaysText(time) +
                                  " in, so it never happens",
                              WarningKind::Never);
            }
            switch (command->command) {
                case Command::LoadImage: return LoadImageCommand(rest);
                case Command::Define: return DefineCommand(rest);
                case Command::DefinePattern: return DefinePatternCommand(rest);
                case Command::Set: return SetOrTrigCommand(rest, time, false);
                case Command::Trig: return SetOrTrigCommand(rest, time, true);
                case Command::Fade: return FadeCommand(rest, time);
                case Command::UsePattern: return UsePatternCommand(rest, time);
                case Command::DisablePattern:
                    CheckIgnoredWords(rest);
                    return PatternSwitchCommand(-1, time);
                case Command::LoadMusic: return LoadMusicCommand(rest);
                case Command::Goto:
                    return GotoOrEndCommand(rest, script.startPosition, script.startLine);
                case Command::End: return GotoOrEndCommand(rest, script.endTime, script.endLine);
                case Command::None: break;
            }
            return;
        }

        if (!word.empty() && (word[0] == '#' || word[0] == '=')) {
            const int32_t parsed = ParseTime(word);
            CheckTimeWord(word, parsed);
            time = static_cast<uint32_t>(parsed);
            ++prefixes;
            lastPrefix = word;
            line = rest;
            continue;
        }
        if (!word.empty() && word[0] == '/') return;  // comment
        ReportError("Syntax error", SyntaxErrorHint(word, lastPrefix));
        return;
    }
}

int32_t ParseTimeAtTempo(std::string_view text, double beatLength, double barLength) {
    if (text.empty()) return 0;
    if (text[0] == '#') {
        std::string_view rest = text.substr(1);
        std::string_view bars;
        SplitToken(bars, '.', rest);
        const double ms = static_cast<double>(WideIntegerValue(bars)) * barLength +
                          DecimalValue(rest) * beatLength;
        return TruncateToInt32(ms);
    }
    // Read wide, so that a count beyond the 32-bit range is refused rather
    // than saturated into a valid time.
    if (text[0] == '=') return TruncateToInt32(static_cast<double>(WideIntegerValue(text.substr(1))));
    return 0;
}

int32_t ScriptReader::ParseTime(std::string_view text) const {
    return ParseTimeAtTempo(text, script.beatLength, script.barLength);
}

void ScriptReader::SetTempo(int32_t bpm, int32_t beatsPerBar) {
    if (bpm <= 0 || bpm > kMaxBpm) {
        ReportError("Invalid BPM", "write LoadMusic FILE BEATS-PER-MINUTE BEATS-PER-BAR, as in LoadMusic "
                                   "track.ogg 125 4, with 1 to " + std::to_string(kMaxBpm) + " beats per minute");
        return;
    }
    if (beatsPerBar <= 0) beatsPerBar = 4;
    script.beatLength = static_cast<double>(60000 / bpm);
    script.barLength = beatsPerBar * script.beatLength;
    script.stepsPerMs = static_cast<float>((1.0 / script.beatLength) * 4.0);
}

TimelineEvent* ScriptReader::NewEvent(uint32_t time) {
    if (script.eventCount >= ParsedScript::kMaxEvents) {
        // One finding says it: a script far too long would otherwise give
        // one for every further line.
        if (!tableFullReported) {
            tableFullReported = true;
            ReportError("Too many events");
        }
        return nullptr;
    }
    TimelineEvent& event = script.events[static_cast<size_t>(script.eventCount++)];
    event = TimelineEvent{};
    event.start = time;
    event.end = time;
    event.line = lineNumber;
    return &event;
}

void ScriptReader::LoadImageCommand(std::string_view rest) {
    std::string_view handle, file, option;
    SplitToken(handle, ' ', rest);
    SplitToken(file, ' ', rest);
    SplitToken(option, ' ', rest);
    if (handle.empty() || file.empty()) {
        ReportError("Missing image handle or filename");
        return;
    }
    const int32_t wrapMode = option == "repeat" ? kWrapRepeat : kWrapClamp;
    if (!option.empty() && option != "repeat" && option != "clamp" && option.substr(0, 2) != "//") {
        ReportWarning(Quoted(option) + " is not repeat, so the picture is clamped at its edges", WarningKind::Repeat);
    }
    if (option.substr(0, 2) != "//") CheckIgnoredWords(rest);
    std::string path = DirectoryVariable("_IMG_DIR");
    path += file;
    script.pictures.push_back(PictureLine{std::string(handle), std::move(path), wrapMode, lineNumber});
}

void ScriptReader::DefineCommand(std::string_view rest) {
    std::string_view name, value;
    SplitToken(name, '=', rest);
    SplitToken(value, ' ', rest);
    if (name.empty() || value.empty()) {
        ReportError("Invalid define line");
        return;
    }
    CheckIgnoredWords(rest);
    auto found = script.variables.find(name);
    if (found == script.variables.end()) {
        script.variables.emplace(std::string(name), std::string(value));
    } else {
        found->second = value;
    }
}

bool ScriptReader::TakePatternNumber(std::string_view& rest, int32_t& number) {
    std::string_view numberWord;
    SplitToken(numberWord, ' ', rest);
    number = IntegerValue(numberWord);
    if (number >= 0 && number < ParsedScript::kPatternCount) {
        CheckIntegerWord(numberWord);
        return true;
    }
    ReportError("Pattern id out of range",
                "patterns are numbered 0 to " + std::to_string(ParsedScript::kPatternCount - 1));
    return false;
}

void ScriptReader::DefinePatternCommand(std::string_view rest) {
    int32_t number = 0;
    if (!TakePatternNumber(rest, number)) return;
    Pattern& pattern = script.patterns[static_cast<size_t>(number)];
    pattern = Pattern{};
    const size_t length = std::min(rest.size(), static_cast<size_t>(Pattern::kMaxSteps));
    if (rest.empty()) {
        ReportWarning("pattern " + std::to_string(number) + " has no steps, so it plays nothing",
                      WarningKind::Pattern);
    } else if (rest.size() > length) {
        ReportWarning("only the first " + std::to_string(length) + " of the " + std::to_string(rest.size()) +
                          " steps are kept",
                      WarningKind::Pattern);
    }
    pattern.length = static_cast<int32_t>(length);
    for (size_t i = 0; i < length; ++i) pattern.steps[i] = rest[i] == '.' ? '\0' : rest[i];
    pattern.line = lineNumber;
}

void ScriptReader::SetOrTrigCommand(std::string_view rest, uint32_t time, bool trigger) {
    // A Set needs a time; a Trig without one waits for ever.
    if (!trigger && static_cast<int32_t>(time) < 0) {
        ReportError("Invalid time");
        return;
    }
    std::string_view identifier, prefix, sceneText, valueWord;
    SplitToken(identifier, ' ', rest);
    std::string_view parameter = identifier;
    SplitToken(prefix, '.', parameter);
    SplitToken(sceneText, '.', parameter);
    if (prefix != "scene" || parameter.empty() || sceneText.empty()) {
        ReportError("Invalid identifier", kIdentifierHint);
        return;
    }
    SplitToken(valueWord, ' ', rest);
    // A Trig's value word plays no part: a comment may follow its slot.
    if (trigger && valueWord.substr(0, 2) == "//") rest = std::string_view();
    const int32_t scene = IntegerValue(sceneText);
    if (!SceneInRange(scene)) {
        ReportError("Invalid scene");
        return;
    }
    CheckIntegerWord(sceneText);

    std::string_view kindWord, indexText = parameter;
    SplitToken(kindWord, '.', indexText);
    if (indexText.empty()) {
        ReportError("Missing index", kIdentifierHint);
        return;
    }
    TimelineEvent parsed;
    parsed.index = IntegerValue(indexText);
    if (kindWord == "lng") {
        parsed.kind = ParamKind::Lng;
        parsed.lngValue = IntegerValue(valueWord);
    } else if (kindWord == "bool") {
        parsed.kind = ParamKind::Bool;
        parsed.boolValue = valueWord == "true";
    } else if (kindWord == "dbl") {
        parsed.kind = ParamKind::Dbl;
        parsed.value = DecimalValue(valueWord);
    } else {
        ReportError("Invalid parameter", "'" + std::string(kindWord) + "' is no kind of slot: the kinds are dbl, lng and bool");
        return;
    }
    // A trigger raises and lowers the bool slot of its index, whatever its
    // kind word says.
    if (!IndexFitsKind(trigger ? ParamKind::Bool : parsed.kind, parsed.index)) {
        ReportError("Invalid index", SlotRangeHint(trigger ? ParamKind::Bool : parsed.kind, trigger));
        return;
    }
    CheckIntegerWord(indexText);
    const std::string slot = std::string(KindWord(parsed.kind)) + "." + std::to_string(parsed.index);
    if (trigger) {
        if (parsed.kind != ParamKind::Bool) {
            ReportWarning("Trig raises and lowers bool." + std::to_string(parsed.index) +
                              " whatever the kind: write scene." + std::to_string(scene) + ".bool." +
                              std::to_string(parsed.index),
                          WarningKind::Trig);
        }
    } else if (valueWord.empty()) {
        ReportWarning(std::string("no value: this sets ") + slot +
                          (parsed.kind == ParamKind::Bool ? " to false" : " to 0"),
                      WarningKind::Value);
    } else if (parsed.kind == ParamKind::Bool) {
        ReportWarning(BoolWordWarning(valueWord), WarningKind::Bool);
    } else if (parsed.kind == ParamKind::Lng) {
        CheckIntegerWord(valueWord);
    } else {
        CheckDecimalWord(valueWord);
    }
    CheckIgnoredWords(rest);

    TimelineEvent* event = NewEvent(time);
    if (!event) return;
    parsed.effect = scene;
    parsed.start = event->start;
    parsed.end = event->end;
    parsed.line = event->line;
    parsed.state = trigger ? EventState::PendingTrigger : EventState::PendingSet;
    *event = parsed;
}

void ScriptReader::FadeCommand(std::string_view rest, uint32_t time) {
    std::string_view identifier, prefix, sceneText, fromWord, toWord, durationWord;
    SplitToken(identifier, ' ', rest);
    std::string_view parameter = identifier;
    SplitToken(prefix, '.', parameter);
    SplitToken(sceneText, '.', parameter);
    // The attribute names (from, to, time) are not checked: any word serves.
    std::string_view names[3];
    SplitToken(names[0], ' ', rest);
    SplitToken(fromWord, ' ', rest);
    SplitToken(names[1], ' ', rest);
    SplitToken(toWord, ' ', rest);
    SplitToken(names[2], ' ', rest);
    SplitToken(durationWord, ' ', rest);

    if (prefix.empty() || sceneText.empty()) return ReportError("Missing identifier");
    if (parameter.empty()) return ReportError("Missing parameter");
    if (fromWord.empty()) return ReportError("Missing from attribute");
    if (toWord.empty()) return ReportError("Missing to attribute");
    if (durationWord.empty()) {
        return ReportError("Missing time attribute", "write Fade scene.SCENE.dbl.INDEX from A to B time DURATION, as "
                                                     "in Fade scene.1.dbl.0 from 0 to 1 time #2.0");
    }
    const int32_t scene = IntegerValue(sceneText);
    if (!SceneInRange(scene)) return ReportError("Invalid scene");

    // Times are unsigned: a negative duration is a very long one.
    const int32_t parsedDuration = ParseTime(durationWord);
    const uint32_t duration = static_cast<uint32_t>(parsedDuration);
    const double from = DecimalValue(fromWord);
    const double to = DecimalValue(toWord);

    std::string_view kindWord, indexText = parameter;
    SplitToken(kindWord, '.', indexText);
    if (kindWord != "dbl") return ReportError("Invalid parameter", "Fade moves dbl slots only");
    // A fade without an index, or with one outside the dbl slots, fades
    // dbl.0.
    const int32_t written = indexText.empty() ? 0 : IntegerValue(indexText);
    const int32_t index = IndexFitsKind(ParamKind::Dbl, written) ? written : 0;

    if (prefix != "scene") {
        ReportWarning(Quoted(prefix) + " stands where scene belongs; Fade does not look at it", WarningKind::Fade);
    }
    CheckIntegerWord(sceneText);
    if (indexText.empty()) {
        ReportWarning("no index: the fade moves dbl.0", WarningKind::Fade);
    } else if (index != written) {
        ReportWarning("Fade index " + std::to_string(written) + " is outside 0 to " +
                          std::to_string(EffectParams::kDblCount - 1) + ", so the show fades dbl.0",
                      WarningKind::Fade);
    }
    CheckIntegerWord(indexText);
    const char* expectedNames[3] = {"from", "to", "time"};
    for (int i = 0; i < 3; ++i) {
        if (names[i] != expectedNames[i]) {
            ReportWarning(Quoted(names[i]) + " stands where " + expectedNames[i] +
                              " belongs; Fade takes any word there: Fade scene.N.dbl.I from A to B time T",
                          WarningKind::Fade);
        }
    }
    CheckDecimalWord(fromWord);
    CheckDecimalWord(toWord);
    CheckTimeWord(durationWord, parsedDuration);
    if (duration >= kOneDayMs) {
        ReportWarning("this fade lasts " + std::to_string(duration) + " ms, " + DaysText(duration),
                      WarningKind::Fade);
    }
    CheckIgnoredWords(rest);

    TimelineEvent* event = NewEvent(time);
    if (!event) return;
    event->effect = scene;
    event->end = time + duration;
    event->from = from;
    event->to = to;
    // A fade of no length jumps to its end value when it comes due.
    event->ratePerMs = duration == 0 ? 0.0 : (to - from) / static_cast<double>(duration);
    event->state = EventState::Fade;
    event->kind = ParamKind::Dbl;
    event->index = index;
}

void ScriptReader::UsePatternCommand(std::string_view rest, uint32_t time) {
    int32_t number = 0;
    if (!TakePatternNumber(rest, number)) return;
    CheckIgnoredWords(rest);
    PatternSwitchCommand(number, time);
}

void ScriptReader::PatternSwitchCommand(int32_t number, uint32_t time) {
    TimelineEvent* event = NewEvent(time);
    if (!event) return;
    event->state = EventState::PendingPatternSwitch;
    event->lngValue = number;
}

void ScriptReader::LoadMusicCommand(std::string_view rest) {
    std::string_view file, bpmWord, beatsWord;
    SplitToken(file, ' ', rest);
    SplitToken(bpmWord, ' ', rest);
    SplitToken(beatsWord, ' ', rest);
    if (file.empty()) {
        ReportError("Missing filename");
        return;
    }
    // The beats per bar may be left out before a comment.
    if (beatsWord.substr(0, 2) == "//") beatsWord = rest = std::string_view();
    CheckIntegerWord(bpmWord);
    CheckIntegerWord(beatsWord);
    CheckIgnoredWords(rest);
    const double beatBefore = script.beatLength;
    const double barBefore = script.barLength;
    const int32_t bpm = IntegerValue(bpmWord);
    SetTempo(bpm, IntegerValue(beatsWord));
    if (bpm > 0 && bpm <= kMaxBpm) {
        script.bpm = bpm;
        script.tempoLine = lineNumber;
    }
    if (barTimeRead && (script.beatLength != beatBefore || script.barLength != barBefore)) {
        ReportWarning("the tempo changes here, after lines with #bars.beats times: those were read "
                      "at the tempo before, one beat every " + std::to_string(static_cast<int>(beatBefore)) +
                      " ms; put LoadMusic above them",
                      WarningKind::Tempo);
        barTimeRead = false;
    }
    std::string path = DirectoryVariable("_MUSIC_DIR");
    path += file;
    script.music.push_back(MusicLine{std::move(path), lineNumber});
}

void ScriptReader::GotoOrEndCommand(std::string_view rest, uint32_t& position, int32_t& line) {
    // The time is all of the rest; only its first word is meant as one.
    const int32_t time = ParseTime(rest);
    std::string_view word, after = rest;
    SplitToken(word, ' ', after);
    if (word.empty()) {
        ReportWarning("no time, so it reads as 0", WarningKind::Time);
    } else {
        CheckTimeWord(word, time);
        CheckIgnoredWords(after);
    }
    position = static_cast<uint32_t>(time);
    line = lineNumber;
}

bool ReadScriptFile(const char* path, ScriptReader& reader, std::string& problem,
                    const std::function<void()>& afterLine) {
    reader.BeginFile();
    std::string bytes;
    if (!ReadRegularFile(path, ScriptReader::kMaxFileBytes, bytes, problem)) return false;
    // Some editors start UTF-8 text with a byte-order mark.
    if (std::string_view(bytes).substr(0, 3) == kByteOrderMark) bytes.erase(0, 3);
    // UTF-16 starts with its own byte-order mark, or with a zero byte
    // beside a letter.
    const bool utf16 = std::string_view(bytes).substr(0, 2) == "\xFF\xFE" ||
                       std::string_view(bytes).substr(0, 2) == "\xFE\xFF" ||
                       (bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0'));
    reader.BeginFile(utf16);
    ParsedScript& script = reader.Script();
    script.text = std::move(bytes);
    script.lineStarts.clear();

    // The program's one line splitter: lines end in LF, and the CR of a CR
    // LF pair is no part of the line.
    const std::string_view text = script.text;
    size_t start = 0;
    bool moreLines = true;
    while (moreLines) {
        script.lineStarts.push_back(static_cast<uint32_t>(start));
        const size_t feed = text.find('\n', start);
        moreLines = feed != std::string_view::npos;
        const std::string_view line = text.substr(start, moreLines ? feed - start : std::string_view::npos);
        start = moreLines ? feed + 1 : text.size();
        // Only the first 256 characters are kept: enough to tell a line
        // that is too long.
        size_t length = line.size();
        std::string_view kept = line.substr(0, ParsedScript::kMaxLineLength + 1);
        if (moreLines && length > 0 && line.back() == '\r') {
            if (kept.size() == length) kept.remove_suffix(1);
            --length;
        }
        reader.ReadLine(kept, length);
        if (afterLine) afterLine();
    }
    return true;
}

ParsedScript ReadScript(const char* path, std::string& problem) {
    ParsedScript script = NewParsedScript();
    ScriptReader reader(script);
    if (!ReadScriptFile(path, reader, problem)) return NewParsedScript();
    return script;
}
