// The text of the preview's heads-up display, laid out as lines of fixed
// width before anything is drawn, so that the layout can be checked as
// data and composing it every frame allocates nothing.
//
// With the HUD on: the show time as #bar.beat and in ms with the frame
// rate and the play state, the current pattern with its last step and that
// step's character, the loop, a bar number being typed, and the non-zero
// parameters of the selected scene. HUD on or off, a seek or a save being
// taken says so on the frame before the work ("seeking to #17.0..."). Below
// them, HUD on or off, every finding about the show as it plays: what is
// wrong with its script (or with a save that was refused) and with its
// pictures, each in the checker's form, FILE:LINE: error|warning: TEXT,
// wrapped at whole words to a few lines; what does not fit is counted in a
// last "... and N more".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PreviewSession;
class ScriptEngine;
class ScriptReloader;

struct HudText {
    static constexpr int kColumns = 64;
    static constexpr int kMaxLines = 24;
    // The most lines one finding takes; the rest of it is cut.
    static constexpr int kMaxLinesPerFinding = 4;

    enum class Tone { Info, Error, Warning };
    struct Line {
        char text[kColumns + 1];
        Tone tone;
    };

    Line lines[kMaxLines];
    int32_t count = 0;
};

// Everything the HUD shows, gathered from the session and the script.
struct HudFacts {
    bool visible = true;
    uint32_t now = 0;
    double beatLength = 480.0;
    double barLength = 1920.0;
    int32_t framesPerSecond = 0;
    bool paused = false;
    bool atEnd = false;
    int32_t pattern = -1;
    int32_t lastStep = -1;   // within the pattern
    char stepCharacter = 0;  // of the last step; 0 for a silent one
    int32_t loopState = 0;   // 0 off, 1 start set, 2 on
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    const char* typedBar = "";
    int32_t scene = 0;
    const double* dblParams = nullptr;  // the scene's record
    const int32_t* lngParams = nullptr;
    const bool* boolParams = nullptr;
    // The findings: the script's (or a refused save's), then the pictures'.
    // A text that holds ": warning: " before any ": error: " is a warning.
    const std::vector<std::string>* problems = nullptr;
    const std::vector<std::string>* pictureProblems = nullptr;
    bool saveRefused = false;  // `problems` are about a save that does not play
    int32_t maxLines = HudText::kMaxLines;  // the lines that fit on screen
    int32_t work = 0;          // 0 none, 1 a seek, 2 a save to take
    uint32_t seekTime = 0;     // where the seek goes
};

// Gathers the facts for this frame.
HudFacts GatherHudFacts(const PreviewSession& session, ScriptEngine& script, const ScriptReloader& reloader);

// Lays the facts out as lines into `out`, replacing what it held.
void ComposeHud(const HudFacts& facts, HudText& out);
