// A show script as data: what reading its text gives (script/ScriptReader.h)
// and what the timeline player plays (script/TimelinePlayer.h).
//
// Every timed line is one event with its times already in milliseconds at
// the tempo in force at its line; the step patterns, the variables, the
// show's start and end, the pictures and the music the script names, and
// what was wrong with its lines (the findings) are kept beside them, and
// the text as read, for whoever shows a line as its author wrote it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The event time of a line without a time prefix; never due.
constexpr uint32_t NO_TIME = 0xFFFFFFFFu;

// What an event is about to do, or has done. The values are the states'
// numbers in the event table.
enum class EventState : int32_t {
    PendingSet = 0,
    Fade = 1,
    Done = 2,
    PendingPatternSwitch = 3,
    PendingTrigger = 4,
    TriggerRaised = 5,
};

// The kind of parameter slot an event names: dbl, lng or bool.
enum class ParamKind : int32_t { Dbl = 0, Lng = 1, Bool = 2 };

// The kind as the script writes it: "dbl", "lng" or "bool".
constexpr const char* KindWord(ParamKind kind) {
    return kind == ParamKind::Dbl ? "dbl" : kind == ParamKind::Lng ? "lng" : "bool";
}

struct TimelineEvent {
    int32_t effect = 0;       // scene number
    uint32_t start = 0;       // ms on the show clock
    uint32_t end = 0;         // ms; equal to start except for fades
    EventState state = EventState::PendingSet;  // the state the line gave it
    ParamKind kind = ParamKind::Dbl;
    double value = 0.0;       // the value of a Set of a dbl slot
    double ratePerMs = 0.0;   // a fade's change of its slot per ms
    int32_t lngValue = 0;     // Set of lng; pattern number (-1: none) for a switch
    bool boolValue = false;   // Set of bool
    double from = 0.0;        // a fade's start value
    double to = 0.0;          // a fade's end value
    int32_t index = 0;        // slot index within its kind
    int32_t line = 0;         // the script line it came from
};

struct Pattern {
    static constexpr int kMaxSteps = 128;
    int32_t length = 0;
    char steps[kMaxSteps] = {};  // 0 is a silent step
    int32_t line = 0;            // the DefinePattern line that filled it; 0 for none
};

// A LoadImage line: the handle, the picture's file name with the image
// folder in front, and the GL wrap mode asked for.
struct PictureLine {
    std::string handle;
    std::string fileName;
    int32_t wrapMode = 0;
    int32_t line = 0;
};

// A LoadMusic line: the music file with the music folder in front.
struct MusicLine {
    std::string path;
    int32_t line = 0;
};

// A time a day or more into a show. No show plays that long: an event or
// an End there is as good as never, and a capture does not plan its frames.
constexpr uint32_t kOneDayMs = 24u * 60u * 60u * 1000u;

// "49.7 days": a time of a day or more, as findings write it.
std::string DaysText(uint32_t milliseconds);

// Something wrong with a line. Errors are what the show puts in its error
// boxes and make the load fail; warnings are lines that read but probably
// do not say what their author meant.
enum class FindingSeverity { Error, Warning };

// What a warning is about. An author who means what a line says
// acknowledges a warning with the kind's word in a comment,
// `// check: allow WORD` (script/ScriptReader.h). Errors, and the
// warnings about acknowledgements themselves, are of no kind.
enum class WarningKind : uint8_t {
    None,
    Number, Bool, Time, Words, Variable, Define, Prefix, Never, Value, Trig, Fade, Pattern, Repeat, Tempo,
    Drift, Slot, Late, Goto, End, Idle, Picture, Music, Model, Loading,
};

struct WarningKindName {
    WarningKind kind;
    const char* word;  // as `// check: allow` takes it
    const char* what;  // what the kind's warnings are about
};

// Every kind but None, in the order the author's guide lists them.
std::span<const WarningKindName> WarningKinds();
// The kind that `word` names; None for a word that names none.
WarningKind FindWarningKind(std::string_view word);
const char* WarningWord(WarningKind kind);

struct ScriptFinding {
    int32_t line = 0;
    FindingSeverity severity = FindingSeverity::Error;
    std::string message;  // e.g. "Invalid time"
    std::string text;     // the line after variable substitution
    // What to write instead, for the checker's report; the show's box
    // keeps to the message. Empty when the message says it all.
    std::string hint;
    WarningKind kind = WarningKind::None;

    // The text of the show's error box: the message, " on line ", the line
    // number, a colon, a line feed and the line.
    std::string BoxText() const;
    // The message and its hint, as the programs write it on standard error.
    std::string ReportText() const { return hint.empty() ? message : message + ": " + hint; }
};

// A finding as editors and terminals read it: "FILE:LINE: error: TEXT", or
// "FILE: warning: TEXT" when it belongs to no line (`line` 0).
std::string EditorLine(std::string_view file, int32_t line, FindingSeverity severity,
                       std::string_view text);

// A `// check: allow WORD` comment: at the end of a line it acknowledges
// that line's warnings of the kind; on a line of its own, the kind's
// warnings everywhere in the show.
struct Allowance {
    int32_t line = 0;
    WarningKind kind = WarningKind::None;
    bool wholeShow = false;

    bool Covers(WarningKind warning, int32_t warningLine) const {
        return warning == kind && warning != WarningKind::None && (wholeShow || warningLine == line);
    }
};

struct ParsedScript {
    static constexpr int kMaxLineLength = 255;
    static constexpr int kMaxEvents = 1000;
    static constexpr int kPatternCount = 20;

    std::map<std::string, std::string, std::less<>> variables;
    std::array<TimelineEvent, kMaxEvents> events{};
    int32_t eventCount = 0;
    std::array<Pattern, kPatternCount> patterns{};
    double beatLength = 480.0;   // ms, at the tempo in force at the end
    double barLength = 1920.0;
    float stepsPerMs = 4.0f / 480.0f;
    uint32_t startPosition = 0;  // Goto
    uint32_t endTime = NO_TIME;  // End
    int32_t startLine = 0;       // the Goto and End lines in force; 0 for none
    int32_t endLine = 0;
    std::vector<PictureLine> pictures;  // in script order
    std::vector<MusicLine> music;       // in script order; the last one plays
    int32_t bpm = 125;                  // the tempo in force at the end
    int32_t tempoLine = 0;              // the LoadMusic line that set it; 0 for none
    std::vector<Allowance> allowances;  // in script order
    std::vector<ScriptFinding> findings;
    int32_t lineCount = 0;
    // The file as read (after a byte-order mark), and where each of its
    // lines starts in it.
    std::string text;
    std::vector<uint32_t> lineStarts;

    // Line `line` (from 1) as the file holds it, without its line end
    // (LF, or CR LF); empty for a line the file does not have.
    std::string_view LineText(int32_t line) const;

    // The value of a script variable, or null when it is not defined.
    const std::string* Variable(std::string_view name) const;
    bool HasErrors() const;
};
