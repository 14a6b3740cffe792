// Loading side of the script engine: reading the file, variable
// substitution, line dispatch and the commands.
#include "script/ScriptEngine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "audio/MusicPlayer.h"
#include "platform/MessageBoxes.h"
#include "script/LoadProgress.h"
#include "script/ScriptText.h"
#include "textures/TextureRegistry.h"

namespace {

// Beats shorter than a millisecond would make every time 0 and the pattern
// player's step rate infinite.
constexpr int32_t kMaxBpm = 60000;

bool IndexFitsKind(int32_t kind, int32_t index) {
    const int32_t count = kind == param_kind::kDbl   ? EffectParams::kDblCount
                          : kind == param_kind::kLng ? EffectParams::kLngCount
                                                     : EffectParams::kBoolCount;
    return index >= 0 && index < count;
}

bool SceneInRange(int32_t scene) { return scene >= 0 && scene < ScriptEngine::kRecordCount; }

}  // namespace

ScriptEngine::ScriptEngine(MessageBoxes& boxes, MusicPlayer& music) : boxes(boxes), music(music) {
    variables.emplace("RUNNING", "bool.0");
    variables.emplace("RUN", "bool.0 true");
    variables.emplace("STOP", "bool.0 false");
    currentLine.reserve(kMaxLineLength + 1);
    SetTempo(125, 4);
}

const std::string* ScriptEngine::Variable(std::string_view name) const {
    auto found = variables.find(name);
    return found == variables.end() ? nullptr : &found->second;
}

bool ScriptEngine::Load(const char* path, TextureRegistry* registry) {
    loadOk = true;
    tableFullReported = false;
    lineNumber = 1;
    textures = registry;

    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return false;
    }

    std::string raw;
    std::string substituted;
    raw.reserve(kMaxLineLength + 2);
    bool moreLines = true;
    while (moreLines) {
        // One line, without its LF and without the CR of a CR LF pair. Only
        // the first 256 characters are kept: enough to tell a line that is
        // too long. The file is this thread's alone, so the characters are
        // taken without locking the stream for each one.
        raw.clear();
        size_t length = 0;
        int last = EOF;
        int c;
        while ((c = getc_unlocked(file)) != EOF && c != '\n') {
            ++length;
            last = c;
            if (raw.size() <= static_cast<size_t>(kMaxLineLength)) raw.push_back(static_cast<char>(c));
        }
        moreLines = c == '\n';
        if (moreLines && last == '\r') {
            if (raw.size() == length) raw.pop_back();
            --length;
        }
        // The line is text: it ends at a zero byte.
        if (size_t zero = raw.find('\0'); zero != std::string::npos) raw.resize(zero);

        if (length > static_cast<size_t>(kMaxLineLength)) {
            currentLine.assign(raw, 0, kMaxLineLength);
            ReportError("Line too long");
        } else {
            substituted = raw;
            if (SubstituteVariables(substituted)) {
                currentLine = substituted;
                ExecuteLine(currentLine, NO_TIME);
            } else {
                currentLine = raw;
                ReportError("Line too long");
            }
        }
        ++lineNumber;
        if (loadingScreen) loadingScreen->Tick();
    }
    std::fclose(file);
    return loadOk;
}

bool ScriptEngine::SubstituteVariables(std::string& line) const {
    for (const auto& [name, value] : variables) {
        if (name.empty() || line.size() <= name.size()) continue;
        // Every occurrence from the start, each search going on one past the
        // start of the value just put in, so the value is searched as well.
        for (size_t position = line.find(name); position != std::string::npos;
             position = line.find(name, position + 1)) {
            line.replace(position, name.size(), value);
            // A value that holds its own name would grow the line for
            // ever; the line limit stops it.
            if (line.size() > static_cast<size_t>(kMaxLineLength)) return false;
        }
    }
    return true;
}

const std::string& ScriptEngine::DirectoryVariable(const char* name) {
    return variables[name];
}

void ScriptEngine::ReportError(std::string_view message) {
    loadOk = false;
    std::string text;
    text.reserve(message.size() + currentLine.size() + 32);
    text += message;
    text += " on line ";
    text += std::to_string(lineNumber);
    text += ":\n";
    text += currentLine;
    ShowError(boxes, text);
}

void ScriptEngine::ExecuteLine(std::string_view line, uint32_t time) {
    // A time prefix sets the time for the rest of the line; with several,
    // the last one counts.
    for (;;) {
        if (line.empty()) return;
        std::string_view word;
        std::string_view rest = line;
        SplitToken(word, ' ', rest);

        if (word == "LoadImage") return LoadImageCommand(rest);
        if (word == "Define") return DefineCommand(rest);
        if (word == "DefinePattern") return DefinePatternCommand(rest);
        if (word == "Set") return SetOrTrigCommand(rest, time, false);
        if (word == "Trig") return SetOrTrigCommand(rest, time, true);
        if (word == "Fade") return FadeCommand(rest, time);
        if (word == "UsePattern") return UsePatternCommand(rest, time);
        if (word == "DisablePattern") return DisablePatternCommand(time);
        if (word == "LoadMusic") return LoadMusicCommand(rest);
        if (word == "Goto") {
            startPosition = static_cast<uint32_t>(ParseTime(rest));
            return;
        }
        if (word == "End") {
            endTime = static_cast<uint32_t>(ParseTime(rest));
            return;
        }

        if (!word.empty() && (word[0] == '#' || word[0] == '=')) {
            time = static_cast<uint32_t>(ParseTime(word));
            line = rest;
            continue;
        }
        if (!word.empty() && word[0] == '/') return;  // comment
        ReportError("Syntax error");
        return;
    }
}

int32_t ScriptEngine::ParseTime(std::string_view text) const {
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

void ScriptEngine::SetTempo(int32_t bpm, int32_t beatsPerBar) {
    if (bpm <= 0 || bpm > kMaxBpm) {
        ReportError("Invalid BPM");
        return;
    }
    if (beatsPerBar <= 0) beatsPerBar = 4;
    beatLength = static_cast<double>(60000 / bpm);
    barLength = beatsPerBar * beatLength;
    stepsPerMs = static_cast<float>((1.0 / beatLength) * 4.0);
}

TimelineEvent* ScriptEngine::NewEvent() {
    if (eventCount >= kMaxEvents) {
        // One box says it: a script far too long would otherwise show one
        // for every further line. The load fails all the same.
        if (!tableFullReported) {
            tableFullReported = true;
            ReportError("Too many events");
        }
        loadOk = false;
        return nullptr;
    }
    TimelineEvent& event = events[static_cast<size_t>(eventCount++)];
    event = TimelineEvent{};
    return &event;
}

void ScriptEngine::LoadImageCommand(std::string_view rest) {
    std::string_view handle, file, option;
    SplitToken(handle, ' ', rest);
    SplitToken(file, ' ', rest);
    SplitToken(option, ' ', rest);
    if (handle.empty() || file.empty()) {
        ReportError("Missing image handle or filename");
        return;
    }
    const int32_t wrapMode = option == "repeat" ? kWrapRepeat : kWrapClamp;
    std::string path = DirectoryVariable("_IMG_DIR");
    path += file;
    pictures.push_back(PictureLine{std::string(handle), path, wrapMode});
    if (textures) textures->Load(handle, path, wrapMode);
}

void ScriptEngine::DefineCommand(std::string_view rest) {
    std::string_view name, value;
    SplitToken(name, '=', rest);
    SplitToken(value, ' ', rest);
    if (name.empty() || value.empty()) {
        ReportError("Invalid define line");
        return;
    }
    auto found = variables.find(name);
    if (found == variables.end()) {
        variables.emplace(std::string(name), std::string(value));
    } else {
        found->second = value;
    }
}

void ScriptEngine::DefinePatternCommand(std::string_view rest) {
    std::string_view numberWord;
    SplitToken(numberWord, ' ', rest);
    const int32_t number = IntegerValue(numberWord);
    if (number < 0 || number >= kPatternCount) {
        ReportError("Pattern id out of range");
        return;
    }
    Pattern& pattern = patterns[static_cast<size_t>(number)];
    pattern = Pattern{};
    const size_t length = std::min(rest.size(), static_cast<size_t>(Pattern::kMaxSteps));
    pattern.length = static_cast<int32_t>(length);
    for (size_t i = 0; i < length; ++i) pattern.steps[i] = rest[i] == '.' ? '\0' : rest[i];
}

void ScriptEngine::SetOrTrigCommand(std::string_view rest, uint32_t time, bool trigger) {
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
        ReportError("Invalid identifier");
        return;
    }
    SplitToken(valueWord, ' ', rest);
    const int32_t scene = IntegerValue(sceneText);
    if (!SceneInRange(scene)) {
        ReportError("Invalid scene");
        return;
    }

    std::string_view kindWord, indexText = parameter;
    SplitToken(kindWord, '.', indexText);
    if (indexText.empty()) {
        ReportError("Missing index");
        return;
    }
    TimelineEvent parsed;
    parsed.index = IntegerValue(indexText);
    if (kindWord == "lng") {
        parsed.kind = param_kind::kLng;
        parsed.lngValue = IntegerValue(valueWord);
    } else if (kindWord == "bool") {
        parsed.kind = param_kind::kBool;
        parsed.boolValue = valueWord == "true";
    } else if (kindWord == "dbl") {
        parsed.kind = param_kind::kDbl;
        parsed.value = DecimalValue(valueWord);
    } else {
        ReportError("Invalid parameter");
        return;
    }
    if (!IndexFitsKind(parsed.kind, parsed.index)) {
        ReportError("Invalid index");
        return;
    }

    TimelineEvent* event = NewEvent();
    if (!event) return;
    *event = parsed;
    event->effect = scene;
    event->start = time;
    event->end = time;
    event->state = trigger ? event_state::kPendingTrigger : event_state::kPendingSet;
    event->loadedState = event->state;
}

void ScriptEngine::FadeCommand(std::string_view rest, uint32_t time) {
    std::string_view identifier, prefix, sceneText, skipped, fromWord, toWord, durationWord;
    SplitToken(identifier, ' ', rest);
    std::string_view parameter = identifier;
    SplitToken(prefix, '.', parameter);
    SplitToken(sceneText, '.', parameter);
    // The attribute names (from, to, time) are not checked: any word serves.
    SplitToken(skipped, ' ', rest);
    SplitToken(fromWord, ' ', rest);
    SplitToken(skipped, ' ', rest);
    SplitToken(toWord, ' ', rest);
    SplitToken(skipped, ' ', rest);
    SplitToken(durationWord, ' ', rest);

    if (prefix.empty() || sceneText.empty()) return ReportError("Missing identifier");
    if (parameter.empty()) return ReportError("Missing parameter");
    if (fromWord.empty()) return ReportError("Missing from attribute");
    if (toWord.empty()) return ReportError("Missing to attribute");
    if (durationWord.empty()) return ReportError("Missing time attribute");
    const int32_t scene = IntegerValue(sceneText);
    if (!SceneInRange(scene)) return ReportError("Invalid scene");

    const uint32_t duration = static_cast<uint32_t>(ParseTime(durationWord));
    const double from = DecimalValue(fromWord);
    const double to = DecimalValue(toWord);

    std::string_view kindWord, indexText = parameter;
    SplitToken(kindWord, '.', indexText);
    int32_t index = 0;
    if (!indexText.empty()) {
        const int32_t value = IntegerValue(indexText);
        if (value >= 0 && value < EffectParams::kDblCount) index = value;
    }
    if (kindWord != "dbl") return ReportError("Invalid parameter");

    TimelineEvent* event = NewEvent();
    if (!event) return;
    event->effect = scene;
    event->start = time;
    event->end = time + duration;
    event->from = from;
    event->to = to;
    // A fade of no length jumps to its end value when it comes due.
    event->value = duration == 0 ? 0.0 : (to - from) / static_cast<double>(duration);
    event->state = event_state::kFade;
    event->loadedState = event->state;
    event->kind = param_kind::kDbl;
    event->index = index;
}

void ScriptEngine::UsePatternCommand(std::string_view rest, uint32_t time) {
    std::string_view numberWord;
    SplitToken(numberWord, ' ', rest);
    const int32_t number = IntegerValue(numberWord);
    if (number < 0 || number >= kPatternCount) {
        ReportError("Pattern id out of range");
        return;
    }
    TimelineEvent* event = NewEvent();
    if (!event) return;
    event->state = event_state::kPendingPatternSwitch;
    event->loadedState = event->state;
    event->lngValue = number;
    event->start = time;
    event->end = time;
}

void ScriptEngine::DisablePatternCommand(uint32_t time) {
    TimelineEvent* event = NewEvent();
    if (!event) return;
    event->state = event_state::kPendingPatternSwitch;
    event->loadedState = event->state;
    event->lngValue = -1;
    event->start = time;
    event->end = time;
}

void ScriptEngine::LoadMusicCommand(std::string_view rest) {
    std::string_view file, bpmWord, beatsWord;
    SplitToken(file, ' ', rest);
    SplitToken(bpmWord, ' ', rest);
    SplitToken(beatsWord, ' ', rest);
    if (file.empty()) {
        ReportError("Missing filename");
        return;
    }
    SetTempo(IntegerValue(bpmWord), IntegerValue(beatsWord));
    std::string path = DirectoryVariable("_MUSIC_DIR");
    path += file;
    music.LoadStream(path.c_str());
}
