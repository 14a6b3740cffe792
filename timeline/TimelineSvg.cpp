#include "timeline/TimelineSvg.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/PartialFile.h"
#include "platform/Utf8Text.h"

namespace {

using namespace timeline_svg;

constexpr char kStyle[] = R"(
.bg{fill:#12141c}
.heading{fill:#e8e4d8;font-size:13px}
.ruler line{stroke:#8890b0;stroke-opacity:0.22}
.ruler line.four{stroke-opacity:0.45}
.ruler text,.label{fill:#c9c4b4}
.range{fill:#8a8677;font-size:10px}
.loudness-bg{fill:#161e28}
.level{fill:#4a7fa8}
.lane-a{fill:#1c2130}
.lane-b{fill:#232a3b}
.pattern-bg{fill:#2a2238}
.value{fill:none;stroke:#e8c468;stroke-width:2}
.set circle{fill:#7fc4ff}
.fade line{stroke:#7fe08f;stroke-width:4;stroke-opacity:0.5}
.trig path{stroke:#ff9d4d;stroke-width:2}
.span{fill:#4d3d6b}
.step{stroke:#d8b4ff;stroke-width:1}
.pattern path{fill:#d8b4ff}
.start line{stroke:#6be36b;stroke-width:2;stroke-dasharray:4 3}
.end line{stroke:#ff5a5a;stroke-width:2}
.unplayed{fill:#000;fill-opacity:0.45}
.unplayed,.ruler{pointer-events:none}
.start text{fill:#6be36b}
.end text{fill:#ff5a5a}
)";

class SvgWriter {
public:
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char buffer[512];
        va_list arguments;
        va_start(arguments, format);
        const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
        va_end(arguments);
        if (length < 0) return;
        if (static_cast<size_t>(length) < sizeof buffer) {
            text.append(buffer, static_cast<size_t>(length));
            return;
        }
        std::string longer(static_cast<size_t>(length) + 1, '\0');
        va_start(arguments, format);
        std::vsnprintf(longer.data(), longer.size(), format, arguments);
        va_end(arguments);
        text.append(longer.data(), static_cast<size_t>(length));
    }
    // `raw` with the characters that XML reserves escaped, control
    // characters, which XML 1.0 does not allow, as '?', and bytes that are
    // not UTF-8 and non-characters, which no XML reader takes, as U+FFFD.
    void Escaped(std::string_view raw) {
        for (const char c : WithValidUtf8(raw, replacedText)) {
            switch (c) {
                case '&': text += "&amp;"; break;
                case '<': text += "&lt;"; break;
                case '>': text += "&gt;"; break;
                case '"': text += "&quot;"; break;
                default: text += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? '?' : c; break;
            }
        }
    }
    std::string text;
    bool replacedText = false;
};

// Where things go: time across, lanes down.
struct Geometry {
    double barWidth = kBarWidth;
    double barLength = 1920.0;
    uint32_t extent = 0;
    int axisWidth = 0;

    double X(double ms) const { return kLabelWidth + ms / barLength * barWidth; }
};

// A lane's value as a height within the lane whose top is `top`.
double ValueY(const ParameterLane& lane, double value, double top) {
    const double lowest = top + kLaneHeight - 5.0;
    const double room = kLaneHeight - 10.0;
    if (!(lane.high > lane.low)) return top + kLaneHeight / 2.0;
    return lowest - (value - lane.low) / (lane.high - lane.low) * room;
}

// "#bar.beat" of a time, the way scripts write it.
void BarBeat(const TimelineModel& model, uint32_t ms, char* out, size_t size) {
    const double bar = std::floor(ms / model.BarLength());
    const double beats = (ms - bar * model.BarLength()) / model.BeatLength();
    std::snprintf(out, size, "#%.0f.%g", bar, std::round(beats * 100.0) / 100.0);
}

void Tooltip(SvgWriter& svg, const TimelineMark& mark) {
    svg.Add("<title>line %d", mark.line);
    if (!mark.text.empty()) {
        svg.Add(": ");
        svg.Escaped(mark.text);
    }
    svg.Add("</title>");
}

void Ruler(SvgWriter& svg, const TimelineModel& model, const Geometry& at, int bottom) {
    const int64_t bars = std::llround(at.extent / model.BarLength());
    const int64_t every = BarNumberStride(at.barWidth);
    const int top = kHeadingHeight;
    svg.Add("<g class=\"ruler\">\n");
    for (int64_t bar = 0; bar <= bars; bar += every) {
        const double x = at.X(static_cast<double>(bar) * model.BarLength());
        svg.Add("<line%s x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>", bar % (4 * every) == 0 ? " class=\"four\"" : "",
                x, top + 4, x, bottom);
        if (bar < bars) svg.Add("<text x=\"%.1f\" y=\"%d\">%lld</text>\n", x + 2.0, top + 13, static_cast<long long>(bar));
    }
    svg.Add("</g>\n");
}

void LoudnessLane(SvgWriter& svg, const LoudnessEnvelope* loudness, const Geometry& at, int top, int width) {
    svg.Add("<g class=\"lane loudness\"><rect class=\"loudness-bg\" x=\"0\" y=\"%d\" width=\"%d\" height=\"%d\"/>",
            top, width, kLoudnessHeight);
    svg.Add("<text class=\"label\" x=\"8\" y=\"%d\">%s</text>", top + 24, loudness ? "music" : "no music");
    if (loudness && !loudness->levels.empty()) {
        const double middle = top + kLoudnessHeight / 2.0;
        const double half = kLoudnessHeight / 2.0 - 3.0;
        const double msPerPixel = at.barLength / at.barWidth;
        const int columns = std::min(at.axisWidth, static_cast<int>(std::ceil(loudness->DurationMs() / msPerPixel)));
        std::vector<double> level(static_cast<size_t>(std::max(columns, 0)));
        for (int c = 0; c < columns; ++c) {
            level[static_cast<size_t>(c)] = loudness->LoudestBetween(c * msPerPixel, (c + 1) * msPerPixel);
        }
        svg.Add("<path class=\"level\" d=\"M%d %.1f", kLabelWidth, middle);
        for (int c = 0; c < columns; ++c) {
            svg.Add("L%d %.1f", kLabelWidth + c, middle - level[static_cast<size_t>(c)] * half);
        }
        for (int c = columns - 1; c >= 0; --c) {
            svg.Add("L%d %.1f", kLabelWidth + c, middle + level[static_cast<size_t>(c)] * half);
        }
        svg.Add("Z\"/>");
    }
    svg.Add("</g>\n");
}

void ParameterLaneGroup(SvgWriter& svg, const TimelineModel& model, int32_t index, const Geometry& at, int top,
                        int width) {
    const ParameterLane& lane = model.Lanes()[static_cast<size_t>(index)];
    svg.Add("<g class=\"lane parameter\"><rect class=\"%s\" x=\"0\" y=\"%d\" width=\"%d\" height=\"%d\"/>",
            index % 2 == 0 ? "lane-a" : "lane-b", top, width, kLaneHeight);
    svg.Add("<text class=\"label\" x=\"8\" y=\"%d\">", top + 13);
    svg.Escaped(model.LaneLabel(index));
    // A fade's end lands within rounding of its value: 0 is written 0.
    const double scale = std::max(std::fabs(lane.low), std::fabs(lane.high));
    const auto shown = [scale](double value) { return std::fabs(value) < 1e-9 * scale ? 0.0 : value; };
    if (lane.high > lane.low) {
        svg.Add("</text><text class=\"range\" x=\"8\" y=\"%d\">%g to %g</text>\n", top + 24, shown(lane.low),
                shown(lane.high));
    } else {
        svg.Add("</text><text class=\"range\" x=\"8\" y=\"%d\">%g</text>\n", top + 24, lane.low);
    }

    // The value: flat or sloping along each piece, jumping between them.
    if (!lane.pieces.empty()) {
        svg.Add("<path class=\"value\" d=\"");
        for (size_t p = 0; p < lane.pieces.size(); ++p) {
            const ValuePiece& piece = lane.pieces[p];
            const uint32_t until = p + 1 < lane.pieces.size() ? lane.pieces[p + 1].start : std::max(at.extent, piece.start);
            // On whole pixels, where a line two pixels wide covers whole pixels.
            svg.Add("%c%.0f %.0f", p == 0 ? 'M' : 'L', at.X(piece.start), ValueY(lane, piece.At(piece.start), top));
            svg.Add("L%.0f %.0f", at.X(until), ValueY(lane, piece.At(until), top));
        }
        svg.Add("\"/>\n");
    }

    for (const TimelineMark& mark : model.Marks()) {
        if (mark.lane != index) continue;
        const double x = at.X(mark.start);
        switch (mark.kind) {
            case MarkKind::Set:
                svg.Add("<g class=\"mark set\">");
                Tooltip(svg, mark);
                svg.Add("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\"/></g>\n", x, ValueY(lane, mark.value, top));
                break;
            case MarkKind::Fade:
                svg.Add("<g class=\"mark fade\">");
                Tooltip(svg, mark);
                svg.Add("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/></g>\n", x, ValueY(lane, mark.from, top),
                        at.X(mark.end), ValueY(lane, mark.value, top));
                break;
            case MarkKind::Trig:
                svg.Add("<g class=\"mark trig\">");
                Tooltip(svg, mark);
                svg.Add("<path d=\"M%.1f %d V%d\"/></g>\n", x, top + kLaneHeight - 3, top + 3);
                break;
            default:
                break;
        }
    }
    svg.Add("</g>\n");
}

void PatternLane(SvgWriter& svg, const TimelineModel& model, const Geometry& at, int top, int width) {
    svg.Add("<g class=\"lane pattern\"><rect class=\"pattern-bg\" x=\"0\" y=\"%d\" width=\"%d\" height=\"%d\"/>", top,
            width, kLaneHeight);
    svg.Add("<text class=\"label\" x=\"8\" y=\"%d\">pattern</text>\n", top + 17);
    const double stepWidth = model.StepLength() / at.barLength * at.barWidth;
    for (const PatternSpan& span : model.PatternSpans()) {
        if (span.pattern < 0) continue;
        const uint32_t end = std::min(span.end, at.extent);
        if (end <= span.start) continue;
        svg.Add("<rect class=\"span\" x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\"/>", at.X(span.start), top + 4,
                at.X(end) - at.X(span.start), kLaneHeight - 8);
        svg.Add("<text class=\"label\" x=\"%.1f\" y=\"%d\">%d</text>", at.X(span.start) + 3.0, top + 14, span.pattern);
        // Each step that delivers a character, where steps are far enough
        // apart to tell.
        const Pattern& pattern = model.PatternNumber(span.pattern);
        if (pattern.length > 0 && stepWidth >= 1.0) {
            for (int64_t step = 0;; ++step) {
                const double time = span.start + static_cast<double>(step) * model.StepLength();
                if (time >= end) break;
                if (pattern.steps[step % pattern.length] == 0) continue;
                svg.Add("<line class=\"step\" x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>", at.X(time), top + 16,
                        at.X(time), top + kLaneHeight - 4);
            }
        }
        svg.Add("\n");
    }
    for (const TimelineMark& mark : model.Marks()) {
        if (mark.kind != MarkKind::PatternSwitch) continue;
        const double x = at.X(mark.start);
        svg.Add("<g class=\"mark pattern\">");
        Tooltip(svg, mark);
        svg.Add("<path d=\"M%.1f %dl5 4l-5 4Z\"/></g>\n", x, top + 2);
    }
    svg.Add("</g>\n");
}

void StartAndEnd(SvgWriter& svg, const TimelineModel& model, const Geometry& at, int top, int bottom, int width) {
    for (const TimelineMark& mark : model.Marks()) {
        if (mark.kind != MarkKind::Start && mark.kind != MarkKind::End) continue;
        const bool start = mark.kind == MarkKind::Start;
        const double x = at.X(mark.start);
        // What the show never plays: before its start, after its end.
        const double from = start ? at.X(0.0) : x;
        const double to = start ? x : width - kMargin;
        if (to > from) {
            svg.Add("<rect class=\"unplayed\" x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\"/>", from, top,
                    to - from, bottom - top);
        }
        char time[32];
        BarBeat(model, mark.start, time, sizeof time);
        svg.Add("<g class=\"mark %s\">", start ? "start" : "end");
        Tooltip(svg, mark);
        svg.Add("<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\"/>", x, top, x, bottom);
        svg.Add("<text x=\"%.1f\" y=\"%d\" text-anchor=\"%s\">%s %s</text></g>\n", start ? x + 3.0 : x - 3.0,
                bottom + 13,
                start ? "start" : "end", start ? "Goto" : "End", time);
    }
}

}  // namespace

std::string TimelineSvg(const TimelineModel& model, const LoudnessEnvelope* loudness, std::string_view title,
                        bool* replacedText) {
    Geometry at;
    at.barLength = model.BarLength() > 0.0 ? model.BarLength() : 1920.0;
    at.extent = model.Extent();
    const double bars = std::max(1.0, at.extent / at.barLength);
    at.barWidth = std::min<double>(std::max<double>(kBarWidth, kMinAxisWidth / bars), kMaxAxisWidth / bars);
    at.axisWidth = static_cast<int>(std::ceil(bars * at.barWidth));

    const int lanes = static_cast<int>(model.Lanes().size());
    const int width = kLabelWidth + at.axisWidth + kMargin;
    const int lanesTop = kHeadingHeight + kRulerHeight;
    const int patternTop = lanesTop + kLoudnessHeight + lanes * kLaneHeight;
    const int height = patternTop + kLaneHeight + kFooterHeight;

    SvgWriter svg;
    svg.Add("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    svg.Add("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
            "font-family=\"DejaVu Sans Mono, monospace\" font-size=\"11\">\n",
            width, height, width, height);
    svg.Add("<title>Timeline of ");
    svg.Escaped(title);
    svg.Add("</title>\n<style>%s</style>\n", kStyle);
    svg.Add("<rect class=\"bg\" x=\"0\" y=\"0\" width=\"%d\" height=\"%d\"/>\n", width, height);
    svg.Add("<text class=\"heading\" x=\"8\" y=\"15\">");
    svg.Escaped(title);
    svg.Add(": %d parameters, %.0f bars of %g ms, a beat %g ms</text>\n", lanes, bars, model.BarLength(),
            model.BeatLength());

    LoudnessLane(svg, loudness, at, lanesTop, width);
    for (int32_t lane = 0; lane < lanes; ++lane) {
        ParameterLaneGroup(svg, model, lane, at, lanesTop + kLoudnessHeight + lane * kLaneHeight, width);
    }
    PatternLane(svg, model, at, patternTop, width);
    // The grid goes over the lanes, faint enough not to hide their marks.
    Ruler(svg, model, at, patternTop + kLaneHeight);
    StartAndEnd(svg, model, at, lanesTop, patternTop + kLaneHeight, width);
    svg.Add("</svg>\n");
    if (replacedText) *replacedText = svg.replacedText;
    return std::move(svg.text);
}

bool WriteTimelineSvg(const char* outPath, const ParsedScript& script, const char* scriptPath,
                      SoundDecoder& decoder, std::vector<std::string>& warnings, std::string& problem) {
    const TimelineModel model(script);
    LoudnessEnvelope loudness;
    bool heard = false;
    if (!script.music.empty()) {
        std::string why;
        heard = MeasureMusicLoudness(decoder, script.music.back().path.c_str(), kLoudnessWindowMs, loudness, why);
        if (!heard) warnings.push_back("the timeline has no loudness: " + why);
    }
    bool replacedText = false;
    const std::string svg = TimelineSvg(model, heard ? &loudness : nullptr, scriptPath, &replacedText);
    if (replacedText) {
        warnings.push_back("the timeline shows text that is not UTF-8 (in the script or its name) with U+FFFD "
                           "in place of each byte that is not; save the script as UTF-8");
    }
    // Written beside the picture first, so that a failed write leaves an
    // earlier picture as it was.
    std::string why;
    if (!WriteFileWhole(outPath, svg.data(), svg.size(), why)) {
        problem = std::string("cannot write ") + outPath + ": " + why;
        return false;
    }
    return true;
}
