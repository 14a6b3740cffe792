// The script engine: the show's script read, its files loaded and its
// timeline played, as the demo host uses them.
//
// It puts three parts together: the reader (script/ScriptReader.h) turns
// the file into a ParsedScript with its findings, the loader
// (script/ScriptLoader.h) asks the texture registry and the music player for
// the files that the script names, and the timeline player
// (script/TimelinePlayer.h) plays the events. Loading reads the file line by
// line and acts on each line at once: its errors are shown in error boxes,
// its picture or music is loaded, and the loading screen ticks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/EffectParams.h"
#include "script/ParsedScript.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/TimelinePlayer.h"

class LoadProgress;
class MessageBoxes;
class MusicPlayer;
class TextureRegistry;

class ScriptEngine {
public:
    static constexpr int kMaxLineLength = ParsedScript::kMaxLineLength;
    static constexpr int kMaxEvents = ParsedScript::kMaxEvents;
    static constexpr int kPatternCount = ParsedScript::kPatternCount;
    static constexpr int kRecordCount = TimelinePlayer::kRecordCount;

    // Errors are shown through `boxes`; LoadMusic lines open their music
    // with `music`.
    ScriptEngine(MessageBoxes& boxes, MusicPlayer& music);
    virtual ~ScriptEngine() = default;

    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // --- Loading ---------------------------------------------------------

    // The loading screen to tick once per line read; null for none.
    void SetLoadingScreen(LoadProgress* screen) { loadingScreen = screen; }

    // Reads and executes the whole file. True when the file could be read
    // and no line reported an error. A file that cannot be read gives false
    // without a box; ReadProblem says why.
    bool Load(const char* path, TextureRegistry* textures);
    // Why the last Load could not read its file; empty when it could.
    const std::string& ReadProblem() const { return readProblem; }

    // Executes one line whose time, in ms, is `time` (NO_TIME for none).
    void ExecuteLine(std::string_view line, uint32_t time);

    // Reads `#bars.beats` or `=milliseconds` at the tempo in force; 0 for
    // anything else. A value outside the signed 32-bit range gives the
    // lowest 32-bit value, a negative time that every command refuses.
    int32_t ParseTime(std::string_view text) const { return reader.ParseTime(text); }

    void SetTempo(int32_t bpm, int32_t beatsPerBar);

    // Shows `message` with the current line number and text, and marks the
    // load as failed.
    void ReportError(std::string_view message);

    // --- Playing ---------------------------------------------------------

    // Starts the show at `milliseconds` instead of where the script's Goto
    // put it; takes effect at the next Start.
    void SetStartPosition(uint32_t milliseconds) { script.startPosition = milliseconds; }

    // Starts the timeline at the start position: clears every record and the
    // pattern player, and moves the music there when it is not 0.
    void Start();

    // Plays the timeline again from the start position exactly as Start
    // did, the music left alone: the same Steps then give the same records.
    void Rewind() { player.Start(script.startPosition); }

    // Takes over `parsed` as the script to play: events, patterns,
    // variables, tempo, start and end times and picture lines. The playing
    // side is left as it is until the next Start or Rewind.
    void AdoptScript(ParsedScript parsed);

    // Advances the show clock by `elapsed` ms and acts on every event that
    // came due.
    void Step(uint32_t elapsed) { player.Step(elapsed); }

    // The record of scene `index`, 0 to 63.
    EffectParams& GetParams(int32_t index) { return player.Record(index); }

    // True once the show clock has reached the end time.
    bool IsFinished() const { return player.IsFinished(); }

    // --- Inspection --------------------------------------------------------

    const ParsedScript& Script() const { return script; }
    uint32_t Now() const { return player.Now(); }
    uint32_t StartPosition() const { return script.startPosition; }
    uint32_t EndTime() const { return script.endTime; }
    double BeatLength() const { return script.beatLength; }
    double BarLength() const { return script.barLength; }
    float StepsPerMs() const { return script.stepsPerMs; }
    int32_t EventCount() const { return script.eventCount; }
    const TimelineEvent& Event(int32_t index) const { return script.events[static_cast<size_t>(index)]; }
    // Where event `index` stands in the playing.
    EventState StateOf(int32_t index) const { return player.StateOf(index); }
    const Pattern& GetPattern(int32_t number) const { return script.patterns[static_cast<size_t>(number)]; }
    int32_t CurrentPattern() const { return player.CurrentPattern(); }
    // The number of the latest pattern step taken, -1 for none yet.
    int32_t LastStep() const { return player.LastStep(); }
    // The files that the lines read named and that could not be loaded, in
    // line order.
    const std::vector<FileProblem>& FileProblems() const { return loader.Problems(); }
    // The LoadImage lines read, in script order.
    const std::vector<PictureLine>& Pictures() const { return script.pictures; }
    int32_t LineNumber() const { return reader.LineNumber(); }
    const std::string& CurrentLine() const { return reader.CurrentLine(); }
    // The value of a script variable, or null when it is not defined.
    const std::string* Variable(std::string_view name) const { return script.Variable(name); }

private:
    // Shows the errors and loads the files of the lines read since the last
    // call, in the order the lines gave them.
    void ActOnLinesRead();

    MessageBoxes& boxes;
    MusicPlayer& music;
    LoadProgress* loadingScreen = nullptr;
    ParsedScript script;
    ScriptReader reader{script};
    ScriptLoader loader;
    TimelinePlayer player;
    std::string readProblem;
    // How much of the script's findings and files has been acted on.
    size_t findingsShown = 0;
    size_t picturesLoaded = 0;
    size_t musicOpened = 0;
};
