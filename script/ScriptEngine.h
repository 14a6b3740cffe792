// The script engine: reads the show's timeline script and plays it back.
//
// Loading executes the script line by line: pictures and music are loaded as
// their lines are read, and every timed line becomes one event in a fixed
// table with its times already in milliseconds. Playing steps a show clock
// through that table each frame, filling one EffectParams record per effect
// scene and delivering step-pattern characters on the beat. Nothing on the
// playing side allocates.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "script/EffectParams.h"

class LoadProgress;
class MessageBoxes;
class MusicPlayer;
class TextureRegistry;

// The event time of a line without a time prefix; never due.
constexpr uint32_t NO_TIME = 0xFFFFFFFFu;

// Event states.
namespace event_state {
constexpr int32_t kPendingSet = 0;
constexpr int32_t kFade = 1;
constexpr int32_t kDone = 2;
constexpr int32_t kPendingPatternSwitch = 3;
constexpr int32_t kPendingTrigger = 4;
constexpr int32_t kTriggerRaised = 5;
}  // namespace event_state

// Parameter kinds.
namespace param_kind {
constexpr int32_t kDbl = 0;
constexpr int32_t kLng = 1;
constexpr int32_t kBool = 2;
}  // namespace param_kind

struct TimelineEvent {
    int32_t effect = 0;      // scene number
    uint32_t start = 0;      // ms on the show clock
    uint32_t end = 0;        // ms; equal to start except for fades
    int32_t state = 0;       // an event_state value
    int32_t kind = 0;        // a param_kind value
    double value = 0.0;      // Set of dbl; for a fade, the change per ms
    int32_t lngValue = 0;    // Set of lng; pattern number (-1: none) for a switch
    bool boolValue = false;  // Set of bool
    double from = 0.0;       // a fade's start value
    int32_t index = 0;       // slot index within its kind
    double to = 0.0;         // a fade's end value
    bool seen = false;       // a fade has acted at least once
    int32_t loadedState = 0; // the state the script gave it; Restart goes back to it
};

// A LoadImage line as the script gave it: the handle and the picture's file
// name with the image folder in front.
struct PictureLine {
    std::string handle;
    std::string fileName;
    int32_t wrapMode = 0;
};

struct Pattern {
    static constexpr int kMaxSteps = 128;
    int32_t length = 0;
    char steps[kMaxSteps] = {};  // 0 is a silent step
};

class ScriptEngine {
public:
    static constexpr int kMaxLineLength = 255;
    static constexpr int kMaxEvents = 1000;
    static constexpr int kPatternCount = 20;
    static constexpr int kRecordCount = 64;
    static constexpr int kQueueCapacity = 4096;

    // Errors are shown through `boxes`; LoadMusic lines open their music
    // with `music`.
    ScriptEngine(MessageBoxes& boxes, MusicPlayer& music);
    virtual ~ScriptEngine() = default;

    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // --- Loading ---------------------------------------------------------

    // The loading screen to tick once per line read; null for none.
    void SetLoadingScreen(LoadProgress* screen) { loadingScreen = screen; }

    // Reads and executes the whole file. True when the file could be opened
    // and no line reported an error; an unopenable file gives false without
    // a message.
    bool Load(const char* path, TextureRegistry* textures);

    // Executes one line whose time, in ms, is `time` (NO_TIME for none).
    void ExecuteLine(std::string_view line, uint32_t time);

    // Reads `#bars.beats` or `=milliseconds` at the tempo in force; 0 for
    // anything else. A value outside the signed 32-bit range gives the
    // lowest 32-bit value, a negative time that Set refuses.
    int32_t ParseTime(std::string_view text) const;

    void SetTempo(int32_t bpm, int32_t beatsPerBar);

    // Shows `message` with the current line number and text, and marks the
    // load as failed.
    void ReportError(std::string_view message);

    // --- Playing ---------------------------------------------------------

    // Starts the show at `milliseconds` instead of where the script's Goto
    // put it; takes effect at the next Start.
    void SetStartPosition(uint32_t milliseconds) { startPosition = milliseconds; }

    // Starts the timeline at the start position: clears every record and the
    // pattern player, and moves the music there when it is not 0.
    void Start();

    // Plays the timeline again from `position`, as Start at that position
    // would on a freshly loaded script: every event is pending again, the
    // records and the pattern player are cleared, and at the next Step
    // everything due by then acts at once, fades taking their value at that
    // time. A pattern switched on before `position` keeps the beat: it
    // plays on from the step it would have reached. The music is left
    // alone; whoever restarts moves it.
    void Restart(uint32_t position);

    // Takes over the script that `loaded` has read: events, patterns,
    // variables, tempo, start and end times and picture lines. The playing
    // side is left as it is until the next Start or Restart.
    void AdoptScript(const ScriptEngine& loaded);

    // Advances the show clock by `elapsed` ms and acts on every event that
    // came due.
    void Step(uint32_t elapsed);

    // The record of scene `index`, 0 to 63.
    EffectParams& GetParams(int32_t index);

    // True once the show clock has reached the end time.
    bool IsFinished() const { return now >= endTime; }

    // --- Inspection --------------------------------------------------------

    uint32_t Now() const { return now; }
    uint32_t StartPosition() const { return startPosition; }
    uint32_t EndTime() const { return endTime; }
    double BeatLength() const { return beatLength; }
    double BarLength() const { return barLength; }
    float StepsPerMs() const { return stepsPerMs; }
    int32_t EventCount() const { return eventCount; }
    const TimelineEvent& Event(int32_t index) const { return events[static_cast<size_t>(index)]; }
    const Pattern& GetPattern(int32_t number) const { return patterns[static_cast<size_t>(number)]; }
    int32_t CurrentPattern() const { return currentPattern; }
    // The number of the latest pattern step taken, -1 for none yet.
    int32_t LastStep() const { return lastStep; }
    // The LoadImage lines read, in script order.
    const std::vector<PictureLine>& Pictures() const { return pictures; }
    int32_t LineNumber() const { return lineNumber; }
    const std::string& CurrentLine() const { return currentLine; }
    // The value of a script variable, or null when it is not defined.
    const std::string* Variable(std::string_view name) const;

private:
    // Replaces every variable in `line`; false when the result grows past
    // the longest line.
    bool SubstituteVariables(std::string& line) const;
    // The value of a directory variable, defining it empty if it is new.
    const std::string& DirectoryVariable(const char* name);
    // The next free event slot, or null when the table is full. The first
    // event line that finds the table full is reported; later ones are
    // dropped without a box of their own.
    TimelineEvent* NewEvent();

    void LoadImageCommand(std::string_view rest);
    void DefineCommand(std::string_view rest);
    void DefinePatternCommand(std::string_view rest);
    void SetOrTrigCommand(std::string_view rest, uint32_t time, bool trigger);
    void FadeCommand(std::string_view rest, uint32_t time);
    void UsePatternCommand(std::string_view rest, uint32_t time);
    void DisablePatternCommand(uint32_t time);
    void LoadMusicCommand(std::string_view rest);

    void PushStepCharacter(char c);

    MessageBoxes& boxes;
    MusicPlayer& music;

    // Loading side.
    TextureRegistry* textures = nullptr;
    LoadProgress* loadingScreen = nullptr;
    std::map<std::string, std::string, std::less<>> variables;
    std::array<TimelineEvent, kMaxEvents> events{};
    int32_t eventCount = 0;
    bool tableFullReported = false;
    double beatLength = 480.0;
    double barLength = 1920.0;
    float stepsPerMs = 4.0f / 480.0f;
    int32_t lineNumber = 0;
    std::string currentLine;
    bool loadOk = true;
    std::array<Pattern, kPatternCount> patterns{};
    uint32_t startPosition = 0;
    uint32_t endTime = NO_TIME;
    std::vector<PictureLine> pictures;

    // Playing side.
    std::array<EffectParams, kRecordCount> records{};
    uint32_t now = 0;
    uint32_t previous = 0;
    int32_t currentPattern = -1;
    float patternPosition = 0.0f;
    int32_t lastStep = -1;
    std::array<char, kQueueCapacity> queue{};
    int32_t queueCount = 0;
    // Set by Restart until the Step after it: pattern switches from before
    // `restartedAt` then pick up where they would have been.
    bool alignPatterns = false;
    uint32_t restartedAt = 0;
};
