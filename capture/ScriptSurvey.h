// The show checked once before the capture starts, without a window: the
// same check as demo-check's (check/ShowCheck.h), so that the capture
// refuses every show in which demo-check finds an error, with the same
// findings. It also tells the capture where the script starts and ends,
// and turns the command line's times into milliseconds at the script's
// tempo.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "check/ShowCheck.h"
#include "platform/MessageBoxes.h"
#include "script/ParsedScript.h"

class AudioLibrary;

class ScriptSurvey {
public:
    // The show's error boxes are shown through `boxes`, its findings
    // written to `findings` (none when null); `audio` opens the music as
    // the show would, null leaves it unchecked.
    ScriptSurvey(MessageBoxes& boxes, AudioLibrary* audio = nullptr, std::FILE* findings = stderr);

    // Checks the show whose script is at `path`. False when the script
    // cannot be read or the check finds an error; `error` then says so.
    bool Load(const char* path, std::string& error);

    // A command-line time, `#bars.beats` or `=milliseconds`, in ms at the
    // tempo in force at the end of the script. False, with `error` saying
    // why, for any other text or a time past the 32-bit signed range.
    bool ResolveTime(std::string_view text, uint32_t& milliseconds, std::string& error) const;

    uint32_t StartPosition() const { return check.script.startPosition; }
    bool HasEnd() const { return check.script.endTime != NO_TIME; }
    uint32_t EndTime() const { return check.script.endTime; }
    // The music file that plays: that of the script's last LoadMusic line;
    // empty without one.
    std::string MusicPath() const {
        return check.script.music.empty() ? std::string() : check.script.music.back().path;
    }
    // What the check found.
    const ShowCheck& Check() const { return check; }

private:
    MessageBoxes& boxes;
    AudioLibrary* audio;
    std::FILE* findings;
    ShowCheck check;
};
