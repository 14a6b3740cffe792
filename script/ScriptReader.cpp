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

}  // namespace

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
    if (fullLength > static_cast<size_t>(ParsedScript::kMaxLineLength)) {
        currentLine.assign(raw.substr(0, ParsedScript::kMaxLineLength));
        ReportError("Line too long", raw.find('\r') != std::string_view::npos
                                         ? "the file's lines end in CR alone: save it with LF or CR LF line ends"
                                         : "a line holds at most 255 characters");
    } else {
        currentLine.assign(raw);
        CheckBeforeSubstitution(raw);
        std::string substituted(raw);
        if (SubstituteVariables(substituted)) {
            currentLine = std::move(substituted);
            ExecuteLine(currentLine, NO_TIME);
        } else {
            currentLine.assign(raw);
            ReportError("Line too long", "with its variables replaced the line is longer than 255 characters");
        }
    }
    script.lineCount = lineNumber;
    ++lineNumber;
}

bool ScriptReader::SubstituteVariables(std::string& line) const {
    for (const auto& [name, value] : script.variables) {
        if (name.empty() || line.size() <= name.size()) continue;
        // Every occurrence from the start, each search going on one past the
        // start of the value just put in, so the value is searched as well.
        for (size_t position = line.find(name); position != std::string::npos;
             position = line.find(name, position + 1)) {
            line.replace(position, name.size(), value);
            // A value that holds its own name would grow the line for
            // ever; the line limit stops it.
            if (line.size() > static_cast<size_t>(ParsedScript::kMaxLineLength)) return false;
        }
    }
    return true;
}

const std::string& ScriptReader::DirectoryVariable(const char* name) {
    return script.variables[name];
}

void ScriptReader::ReportError(std::string_view message, std::string hint) {
    script.findings.push_back(
        ScriptFinding{lineNumber, FindingSeverity::Error, std::string(message), currentLine, std::move(hint)});
}

void ScriptReader::ReportWarning(std::string message) {
    if (message.empty()) return;
    script.findings.push_back(
        ScriptFinding{lineNumber, FindingSeverity::Warning, std::move(message), currentLine, {}});
}

void ScriptReader::CheckIntegerWord(std::string_view word) { ReportWarning(IntegerWordWarning(word)); }

void ScriptReader::CheckDecimalWord(std::string_view word) { ReportWarning(DecimalWordWarning(word)); }

void ScriptReader::CheckIgnoredWords(std::string_view rest) { ReportWarning(IgnoredWordsWarning(rest)); }

void ScriptReader::CheckTimeWord(std::string_view word, int32_t milliseconds) {
    if (!word.empty() && word[0] == '#') barTimeRead = true;
    ReportWarning(TimeWordWarning(word, milliseconds));
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
                              "'bool.0 trueNING'; write bool.0 for the running flag");
            } else {
                ReportWarning("the variable " + name + " is replaced inside the word " + Quoted(word) +
                              ", by " + Quoted(value));
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
                          ". Define " + std::string(name) + " before the first LoadImage or LoadMusic");
        } else {
            ReportWarning(std::string(name) + " is already defined, as " + Quoted(*old) +
                          ", so this line reads " + Quoted(line) + " and " + std::string(name) +
                          " keeps its value");
        }
        return;
    }
    for (const char* languageWord : kLanguageWords) {
        if (std::string_view(languageWord).find(name) != std::string_view::npos) {
            ReportWarning("every " + std::string(name) + " on the lines after this one is replaced, "
                          "also inside words, and the word " + languageWord + " holds it");
            return;
        }
    }
}

void ScriptReader::ExecuteLine(std::string_view line, uint32_t time) {
    // A time prefix sets the time for the rest of the line; with several,
    // the last one counts.
    lineTimeInvalid = false;
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
                              std::string(lastPrefix) + ", counts");
            }
            if (!command->timed && prefixes > 0) {
                ReportWarning(std::string(word) + " acts while the script is read: the time prefix "
                              "does nothing");
            } else if (command->timed && prefixes == 0 && command->command != Command::Set) {
                ReportWarning(std::string(word) + " without a time prefix never happens");
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
            lineTimeInvalid = parsed < 0;
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

bool ScriptReader::TimeIsValid() {
    if (!lineTimeInvalid) return true;
    ReportError("Invalid time");
    return false;
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
        ReportWarning(Quoted(option) + " is not repeat, so the picture is clamped at its edges");
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
        ReportWarning("pattern " + std::to_string(number) + " has no steps, so it plays nothing");
    } else if (rest.size() > length) {
        ReportWarning("only the first " + std::to_string(length) + " of the " +
                      std::to_string(rest.size()) + " steps are kept");
    }
    pattern.length = static_cast<int32_t>(length);
    for (size_t i = 0; i < length; ++i) pattern.steps[i] = rest[i] == '.' ? '\0' : rest[i];
    pattern.line = lineNumber;
}

void ScriptReader::SetOrTrigCommand(std::string_view rest, uint32_t time, bool trigger) {
    // A Set needs a time; a Trig without one waits for ever, but not one
    // whose prefix was out of range.
    if (trigger ? !TimeIsValid() : static_cast<int32_t>(time) < 0) {
        if (!trigger) ReportError("Invalid time");
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
                          std::to_string(parsed.index));
        }
    } else if (valueWord.empty()) {
        ReportWarning(std::string("no value: this sets ") + slot +
                      (parsed.kind == ParamKind::Bool ? " to false" : " to 0"));
    } else if (parsed.kind == ParamKind::Bool) {
        ReportWarning(BoolWordWarning(valueWord));
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
    if (!TimeIsValid()) return;
    const int32_t scene = IntegerValue(sceneText);
    if (!SceneInRange(scene)) return ReportError("Invalid scene");

    const int32_t parsedDuration = ParseTime(durationWord);
    if (parsedDuration < 0) return ReportError("Invalid time");
    const uint32_t duration = static_cast<uint32_t>(parsedDuration);
    const double from = DecimalValue(fromWord);
    const double to = DecimalValue(toWord);

    std::string_view kindWord, indexText = parameter;
    SplitToken(kindWord, '.', indexText);
    if (kindWord != "dbl") return ReportError("Invalid parameter", "Fade moves dbl slots only");
    // A fade without an index fades dbl.0.
    const int32_t index = indexText.empty() ? 0 : IntegerValue(indexText);
    if (!IndexFitsKind(ParamKind::Dbl, index)) return ReportError("Invalid index", SlotRangeHint(ParamKind::Dbl, false));

    if (prefix != "scene") {
        ReportWarning(Quoted(prefix) + " stands where scene belongs; Fade does not look at it");
    }
    CheckIntegerWord(sceneText);
    if (indexText.empty()) ReportWarning("no index: the fade moves dbl.0");
    CheckIntegerWord(indexText);
    const char* expectedNames[3] = {"from", "to", "time"};
    for (int i = 0; i < 3; ++i) {
        if (names[i] != expectedNames[i]) {
            ReportWarning(Quoted(names[i]) + " stands where " + expectedNames[i] +
                          " belongs; Fade takes any word there: Fade scene.N.dbl.I from A to B time T");
        }
    }
    CheckDecimalWord(fromWord);
    CheckDecimalWord(toWord);
    CheckTimeWord(durationWord, parsedDuration);
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
    if (!TimeIsValid()) return;
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
    CheckIntegerWord(bpmWord);
    CheckIntegerWord(beatsWord);
    CheckIgnoredWords(rest);
    const double beatBefore = script.beatLength;
    const double barBefore = script.barLength;
    const int32_t bpm = IntegerValue(bpmWord);
    SetTempo(bpm, IntegerValue(beatsWord));
    if (bpm > 0 && bpm <= kMaxBpm && 60000 % bpm != 0) {
        const double exact = 60000.0 / bpm;
        char drift[32];
        // How far the timeline runs ahead of the music in 100 bars of 4.
        std::snprintf(drift, sizeof drift, "%.2f", 400.0 * (exact - script.beatLength) / 1000.0);
        ReportWarning("at " + std::to_string(bpm) + " beats per minute a beat is " +
                      std::to_string(static_cast<int>(script.beatLength)) +
                      " ms, the whole milliseconds of " + std::to_string(exact).substr(0, 6) +
                      ": the # times run ahead of the music, " + drift +
                      " s in 400 beats. Tempos that divide 60000 (120, 125, 150) keep time");
    }
    if (barTimeRead && (script.beatLength != beatBefore || script.barLength != barBefore)) {
        ReportWarning("the tempo changes here, after lines with #bars.beats times: those were read "
                      "at the tempo before, one beat every " + std::to_string(static_cast<int>(beatBefore)) +
                      " ms; put LoadMusic above them");
        barTimeRead = false;
    }
    std::string path = DirectoryVariable("_MUSIC_DIR");
    path += file;
    script.music.push_back(MusicLine{std::move(path), lineNumber});
}

void ScriptReader::GotoOrEndCommand(std::string_view rest, uint32_t& position, int32_t& line) {
    const int32_t time = ParseTime(rest);
    if (time < 0) {
        ReportError("Invalid time");
        return;
    }
    if (rest.empty()) {
        ReportWarning("no time, so it reads as 0");
    } else {
        CheckTimeWord(rest, time);
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
    if (std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF") bytes.erase(0, 3);
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
