// The cross-line review of a script that has been read: what the lines say
// together, measured against the show's line-up (scenes/ShowScenes.h),
// that the show takes but that probably is a mistake. Each finding is a
// warning, of its kind, on the line it is about, or on no line (0) when it
// is about the script as a whole:
//   - a Set, Trig or Fade of a scene that has no effect, or of a slot that
//     its effect does not read;
//   - a UsePattern of a pattern that no line defines, and pattern steps
//     that no effect acts on;
//   - events at or after the End, or after the music ends; an End after
//     the music ends or a day or more in; a Goto at or after the End; no
//     End at all;
//   - a tempo whose beat is not a whole number of milliseconds, when the #
//     times drift from the music by a frame or more over the show;
//   - a scene that never runs;
//   - a picture that a later line loads again, that no effect uses, that a
//     render target will replace, or whose .bmp name loads a .png;
//   - music that a later LoadMusic replaces.
#pragma once

#include <cstdint>
#include <vector>

#include "script/ParsedScript.h"

// `musicMilliseconds` is how long the music plays, or -1 when that is not
// known (no music, or not measured).
std::vector<ScriptFinding> ReviewScript(const ParsedScript& script, int64_t musicMilliseconds);
