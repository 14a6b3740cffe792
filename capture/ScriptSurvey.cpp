#include "capture/ScriptSurvey.h"

#include "capture/CaptureOptions.h"
#include "script/ScriptReader.h"

ScriptSurvey::ScriptSurvey(MessageBoxes& boxes, AudioLibrary* audio, std::FILE* findings)
    : boxes(boxes), audio(audio), findings(findings) {}

bool ScriptSurvey::Load(const char* path, std::string& error) {
    check = CheckShow(path, audio);
    if (!check.readProblem.empty()) {
        error = "cannot read the script: " + check.readProblem;
        return false;
    }
    for (const std::string& box : check.boxes) ShowError(boxes, box);
    if (findings) WriteFindings(findings, check);
    const int32_t errors = check.Count(FindingSeverity::Error);
    if (errors > 0) {
        error = "the show has " + std::to_string(errors) + (errors == 1 ? " error" : " errors") +
                " (above), as demo-check finds; nothing was captured";
        return false;
    }
    return true;
}

bool ScriptSurvey::ResolveTime(std::string_view text, uint32_t& milliseconds,
                               std::string& error) const {
    // Built piece by piece: GCC 12 warns wrongly about "literal" + string.
    std::string quoted(1, '"');
    quoted.append(text);
    quoted += '"';
    if (!IsCaptureTime(text)) {
        error = quoted + " is not a time: write #bars.beats or =milliseconds";
        return false;
    }
    const int32_t value = ParseTimeAtTempo(text, check.script.beatLength, check.script.barLength);
    if (value < 0) {
        error = quoted + " is too late a time";
        return false;
    }
    milliseconds = static_cast<uint32_t>(value);
    return true;
}
