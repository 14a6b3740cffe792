// The show check: everything that would stop or spoil a show, found before
// it starts, without a window. demo-check prints it and demo-capture
// refuses a show that it finds errors in, so both say the same.
//
// It reads the script exactly as the show does (the script engine, with
// pictures decoded by the headless texture factory and music opened by the
// real music player on the given audio library), then goes through the
// effects' needs in the order the effects start (scenes/SceneNeeds.h),
// looks at the model, and reviews the script as a whole
// (check/ScriptReview.h). Errors are what the show would refuse or fail
// to read:
//   - every error box the show would show, at its line;
//   - every picture or music file the show would fail to read, at the line
//     that names it, with its path and the reason;
//   - every texture an effect needs that the script does not provide (the
//     show would end in "Initialization failed");
//   - a model file that is not a 3DS file.
// Warnings are what the show takes but that is probably a mistake; those
// that the script acknowledges with `// check: allow WORD` are left out,
// and an acknowledgement that meets no warning is itself one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "script/ParsedScript.h"

class AudioLibrary;

struct CheckFinding {
    std::string file;  // the script, or the model file
    int32_t line = 0;  // 0: about the file as a whole
    FindingSeverity severity = FindingSeverity::Error;
    std::string text;
    WarningKind kind = WarningKind::None;
    // The picture or music file that a line names and that could not be
    // loaded, for a finding about that; empty for every other finding.
    std::string namedFile = {};

    // "FILE:LINE: error: TEXT", as editors read it.
    std::string EditorText() const { return EditorLine(file, line, severity, text); }
};

struct ShowCheck {
    // Why the script could not be read at all; empty when it could.
    std::string readProblem;
    // The texts of the error boxes the show would show, in their order:
    // those of reading the script, then, when the show would fail to
    // start, the run loop's "Initialization failed".
    std::vector<std::string> boxes;
    // Whether the show would fail to start: the script has an error, or an
    // effect misses a picture.
    bool startFails = false;
    // Every finding: the script's, by line (those about the whole script
    // after them), then the model's.
    std::vector<CheckFinding> findings;
    // The script as read, for whoever plays it.
    ParsedScript script;
    // How long the music plays, in ms; -1 when unknown.
    int64_t musicMilliseconds = -1;

    int32_t Count(FindingSeverity severity) const;
};

// Checks the show whose script is at `scriptPath`; the files it names are
// relative to the working folder, as in the show. `audio` opens the music
// (on its no-sound device is enough); null leaves the music unchecked.
ShowCheck CheckShow(const char* scriptPath, AudioLibrary* audio);

// Writes every finding to `stream`, one per line, in editor form, control
// characters escaped on a terminal.
void WriteFindings(std::FILE* stream, const ShowCheck& check);
