// A picture of a whole show as one self-contained SVG document, for any
// browser: the bar grid with bar numbers, the music's loudness, one lane
// per parameter that the script touches with its value over time (steps
// for Set, ramps for Fade, spikes for Trig), the pattern lane, the Goto
// start and the End. Every mark carries its script line and line number as
// a tooltip.
//
// Every lane is a group of class "lane" with a second class saying which:
// "loudness", "parameter" or "pattern"; every mark is a group of class
// "mark" and one of "set", "fade", "trig", "pattern", "start" or "end".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "audio/Loudness.h"
#include "timeline/TimelineModel.h"

namespace timeline_svg {
constexpr int kLabelWidth = 210;  // the lanes' names, left of the time axis
// Pixels per bar: 24, more for a short show whose axis would be narrower
// than kMinAxisWidth, less for a very long one.
constexpr int kBarWidth = 24;
constexpr int kMinAxisWidth = 800;
constexpr int kMaxAxisWidth = 20000;
constexpr int kHeadingHeight = 22;
constexpr int kRulerHeight = 18;
constexpr int kLoudnessHeight = 40;
constexpr int kLaneHeight = 28;
constexpr int kMargin = 12;
constexpr int kFooterHeight = 20;  // the Goto's and the End's times
}  // namespace timeline_svg


// The picture of `model`. `title` names the script; `loudness` may be null
// (no music, or music that could not be decoded). Text that is not UTF-8
// (script lines, the title) is drawn with U+FFFD for each byte that is
// not, and for each non-character; `replacedText`, when given, says
// whether any was.
std::string TimelineSvg(const TimelineModel& model, const LoudnessEnvelope* loudness,
                        std::string_view title, bool* replacedText = nullptr);

// The picture of `script`, read from `scriptPath`, written to `outPath`
// with the loudness of the script's music decoded by `decoder`. What the
// picture could not show as it is goes to `warnings`, one sentence each:
// music that cannot be decoded (the loudness is left out), and text that
// is not UTF-8 (drawn with U+FFFD). False, with `problem` saying why, when
// the picture cannot be written; an earlier file at `outPath` then stays
// as it was.
bool WriteTimelineSvg(const char* outPath, const ParsedScript& script, const char* scriptPath,
                      SoundDecoder& decoder, std::vector<std::string>& warnings, std::string& problem);
