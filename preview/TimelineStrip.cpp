#include "preview/TimelineStrip.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "preview/PreviewSession.h"
#include "render/BitmapFont.h"
#include "render/OverlayCanvas.h"
#include "render/ViewportSize.h"
#include "script/ScriptEngine.h"

namespace {

using Colour = OverlayCanvas::Colour;

constexpr Colour kBackground{0.05f, 0.06f, 0.09f, 0.85f};
constexpr Colour kLaneShade{1.0f, 1.0f, 1.0f, 0.05f};
constexpr Colour kLabelInk{0.78f, 0.77f, 0.72f, 1.0f};
constexpr Colour kScrollInk{0.78f, 0.77f, 0.72f, 0.6f};
constexpr Colour kBarLine{1.0f, 1.0f, 1.0f, 0.22f};
constexpr Colour kBeatTick{1.0f, 1.0f, 1.0f, 0.12f};
constexpr Colour kLoudnessInk{0.29f, 0.5f, 0.66f, 0.95f};
constexpr Colour kDecibelLine{0.0f, 0.0f, 0.0f, 0.55f};
constexpr Colour kSetInk{0.5f, 0.77f, 1.0f, 1.0f};
constexpr Colour kTrigInk{1.0f, 0.62f, 0.3f, 1.0f};
constexpr Colour kFadeInk{0.5f, 0.88f, 0.56f, 0.6f};
constexpr Colour kPatternSpan{0.35f, 0.27f, 0.5f, 0.9f};
constexpr Colour kStepInk{0.87f, 0.74f, 1.0f, 1.0f};
constexpr Colour kLoopShade{0.3f, 0.55f, 1.0f, 0.2f};
constexpr Colour kLoopEdge{0.4f, 0.65f, 1.0f, 0.9f};
constexpr Colour kUnplayed{0.0f, 0.0f, 0.0f, 0.45f};
constexpr Colour kStartInk{0.42f, 0.89f, 0.42f, 1.0f};
constexpr Colour kEndInk{1.0f, 0.35f, 0.35f, 1.0f};
constexpr Colour kPlayHead{1.0f, 1.0f, 1.0f, 1.0f};
constexpr Colour kHighlight{1.0f, 1.0f, 1.0f, 0.9f};
constexpr Colour kTooltipBand{0.0f, 0.0f, 0.0f, 0.85f};
constexpr Colour kTooltipInk{0.95f, 0.95f, 0.95f, 1.0f};

constexpr int32_t kGlyphAdvance = bitmap_font::kAdvance;
constexpr int32_t kTooltipScale = 2;
constexpr int32_t kTooltipLineHeight = (bitmap_font::kGlyphHeight + 3) * kTooltipScale;
// Where text starts in a row, and the characters of a lane's name.
constexpr int32_t kTextInset = 4;
constexpr size_t kLabelCharacters = (TimelineStrip::kLabelWidth - 2 * kTextInset) / kGlyphAdvance;
// The ruler's bar numbers stand in its rows 4 to 10; the play head keeps
// below them.
constexpr int32_t kRulerTextBottom = kTextInset + bitmap_font::kGlyphHeight;
// How near the pointer must be to a mark, in pixels.
constexpr double kReach = 4.0;

enum class Row { Outside, Ruler, Loudness, Lane, Pattern };

}  // namespace

// The strip's rows in viewport pixels, from its top down.
struct TimelineStrip::Layout {
    int32_t width;
    int32_t top;
    int32_t firstLane;
    int32_t lanes;

    Layout(const ViewportSize& viewport, int32_t height, int32_t firstLane, int32_t lanes)
        : width(viewport.GetViewportWidth()),
          top(viewport.GetViewportHeight() - height),
          firstLane(firstLane),
          lanes(lanes) {}

    int32_t RulerTop() const { return top; }
    int32_t LoudnessTop() const { return top + kRulerHeight; }
    int32_t LanesTop() const { return LoudnessTop() + kLoudnessHeight; }
    // The top of lane `lane` of the model, which must be one drawn.
    int32_t LaneTop(int32_t lane) const { return LanesTop() + (lane - firstLane) * kLaneHeight; }
    int32_t PatternTop() const { return LanesTop() + lanes * kLaneHeight; }
    int32_t Bottom() const { return PatternTop() + kLaneHeight; }
    bool Drawn(int32_t lane) const { return lane >= firstLane && lane < firstLane + lanes; }

    Row RowAt(int32_t y, int32_t& lane) const {
        lane = -1;
        if (y < top || y >= Bottom()) return Row::Outside;
        if (y < LoudnessTop()) return Row::Ruler;
        if (y < LanesTop()) return Row::Loudness;
        if (y < PatternTop()) {
            lane = firstLane + (y - LanesTop()) / kLaneHeight;
            return Row::Lane;
        }
        return Row::Pattern;
    }
};

TimelineStrip::TimelineStrip(PreviewSession& session, ScriptEngine& script, const ViewportSize& viewport,
                             SoundDecoder* decoder)
    : session(session), script(script), viewport(viewport), decoder(decoder) {}

void TimelineStrip::Refresh() {
    if (!built || builtForReload != session.ReloadCount()) {
        const bool first = !built;
        model = TimelineModel(script.Script());
        laneLabels.clear();
        for (int32_t lane = 0; lane < static_cast<int32_t>(model.Lanes().size()); ++lane) {
            std::string label = model.LaneLabel(lane);
            if (label.size() > kLabelCharacters) label.resize(kLabelCharacters);
            laneLabels.push_back(std::move(label));
        }
        built = true;
        builtForReload = session.ReloadCount();
        if (first) {
            viewStart = 0.0;
            viewSpan = model.Extent();
        }
        KeepViewInShow();
        ScrollLanes(0);
    }
    // The music is the one the preview started with, measured once.
    const ParsedScript& parsed = script.Script();
    if (decoder && !parsed.music.empty()) loudness.Start(*decoder, parsed.music.back().path);
}

bool TimelineStrip::Changed() { return session.TimelineVisible() && loudness.Poll() != loudnessDrawn; }

int32_t TimelineStrip::LanesShown() const {
    const int32_t lanes = static_cast<int32_t>(model.Lanes().size());
    const int32_t room = viewport.GetViewportHeight() / kHeightShare - kRulerHeight - kLoudnessHeight - kLaneHeight;
    return std::clamp(room / kLaneHeight, std::min(lanes, 1), lanes);
}

int32_t TimelineStrip::Height() const { return kRulerHeight + kLoudnessHeight + (LanesShown() + 1) * kLaneHeight; }

int32_t TimelineStrip::CoveredBottom() const { return session.TimelineVisible() ? Height() : 0; }

double TimelineStrip::AxisWidth() const {
    return std::max(1.0, static_cast<double>(viewport.GetViewportWidth() - kLabelWidth - kRightMargin));
}

double TimelineStrip::TimeAt(double x) const { return viewStart + (x - kLabelWidth) / AxisWidth() * viewSpan; }

double TimelineStrip::XOf(double ms) const { return kLabelWidth + (ms - viewStart) / viewSpan * AxisWidth(); }

void TimelineStrip::KeepViewInShow() {
    const double extent = std::max(1.0, static_cast<double>(model.Extent()));
    const double narrowest = std::min(extent, kMinBarsInView * model.BarLength());
    viewSpan = std::clamp(viewSpan, narrowest, extent);
    viewStart = std::clamp(viewStart, 0.0, extent - viewSpan);
}

void TimelineStrip::Zoom(int32_t turn, double x) {
    const double anchor = TimeAt(x);
    const double fraction = (x - kLabelWidth) / AxisWidth();
    viewSpan /= std::pow(kZoomPerNotch, static_cast<double>(turn) / msg::kWheelNotch);
    KeepViewInShow();
    viewStart = anchor - fraction * viewSpan;
    KeepViewInShow();
}

void TimelineStrip::ScrollLanes(int32_t turn) {
    // A notch away from the user shows the lanes above: one lane a notch.
    const int32_t lanes = static_cast<int32_t>(model.Lanes().size());
    firstLane = std::clamp(firstLane - turn / msg::kWheelNotch, 0, std::max(0, lanes - LanesShown()));
}

void TimelineStrip::FollowPlayHead(uint32_t now) {
    // While it plays zoomed in, the view turns a page when the play head
    // leaves it.
    if (dragging || session.Paused()) return;
    if (now < viewStart || now > viewStart + viewSpan) {
        viewStart = now - 0.05 * viewSpan;
        KeepViewInShow();
    }
}

int32_t TimelineStrip::PointerY() const {
    // The viewport lies in the lower left corner of the client area.
    const int32_t height = viewport.GetViewportHeight();
    return pointerY - ((clientHeight > 0 ? clientHeight : height) - height);
}

bool TimelineStrip::PointerOnStrip() const {
    if (!session.TimelineVisible() || pointerX < 0 || !built) return false;
    const int32_t height = viewport.GetViewportHeight();
    return pointerX < viewport.GetViewportWidth() && PointerY() >= height - Height() && PointerY() < height;
}

bool TimelineStrip::HandleMessage(const Message& message) {
    switch (message.id) {
        case msg::kSize:
            clientHeight = msg::SizeHeight(message.lParam);
            return false;
        case msg::kMouseLeave:
            if (!dragging) pointerX = pointerY = -1;
            return false;
        case msg::kMouseMove:
        case msg::kLeftButtonDown:
        case msg::kLeftButtonUp:
        case msg::kMouseWheel:
            break;
        default:
            return false;
    }
    pointerX = msg::PointX(message.lParam);
    pointerY = msg::PointY(message.lParam);
    const bool onStrip = PointerOnStrip();
    const auto scrub = [&] {
        const double time = std::clamp(TimeAt(pointerX), 0.0, static_cast<double>(model.Extent()));
        session.ScrubTo(static_cast<uint32_t>(std::lround(time)));
    };
    switch (message.id) {
        case msg::kLeftButtonDown:
            if (!onStrip) return false;
            dragging = true;
            scrub();
            return true;
        case msg::kMouseMove:
            if (!dragging) return false;
            scrub();
            return true;
        case msg::kLeftButtonUp:
            if (!dragging) return false;
            dragging = false;
            return true;
        default:  // the wheel: over the names it scrolls the lanes
            if (!onStrip) return false;
            if (pointerX < kLabelWidth) {
                ScrollLanes(msg::WheelTurn(message.wParam));
            } else {
                Zoom(msg::WheelTurn(message.wParam), pointerX);
            }
            return true;
    }
}

TimelineStrip::PointedMarks TimelineStrip::FindPointed(const TimelineMark** nearest) const {
    PointedMarks pointed;
    *nearest = nullptr;
    if (!PointerOnStrip() || pointerX < kLabelWidth) return pointed;
    int32_t lane = -1;
    const Row row = Layout(viewport, Height(), firstLane, LanesShown()).RowAt(PointerY(), lane);
    double nearestDistance = kReach + 1.0;
    for (const TimelineMark& mark : model.Marks()) {
        bool inRow = false;
        switch (mark.kind) {
            case MarkKind::Start:
            case MarkKind::End: inRow = row == Row::Ruler; break;
            case MarkKind::PatternSwitch: inRow = row == Row::Pattern; break;
            default: inRow = row == Row::Lane && mark.lane == lane; break;
        }
        if (!inRow) continue;
        const double left = XOf(mark.start);
        const double right = mark.kind == MarkKind::Fade ? XOf(mark.end) : left;
        // Along a fade's slope the distance is 0; a point mark nearby wins.
        const double distance = pointerX < left ? left - pointerX : pointerX > right ? pointerX - right : 0.0;
        if (distance > kReach) continue;
        if (pointed.listed < kMaxListedMarks) pointed.marks[pointed.listed++] = &mark;
        ++pointed.count;
        const double weighed = mark.kind == MarkKind::Fade && distance == 0.0 ? kReach : distance;
        if (weighed < nearestDistance) {
            *nearest = &mark;
            nearestDistance = weighed;
        }
    }
    return pointed;
}

const TimelineMark* TimelineStrip::Hovered() const {
    const TimelineMark* nearest = nullptr;
    FindPointed(&nearest);
    return nearest;
}

TimelineStrip::PointedMarks TimelineStrip::Pointed() const {
    const TimelineMark* nearest = nullptr;
    return FindPointed(&nearest);
}

void TimelineStrip::DrawLoudness(OverlayCanvas& canvas, const Layout& layout) {
    const MusicLoudness::State state = loudness.Poll();
    if (state == MusicLoudness::State::Ready && loudnessDrawn != state) {
        loudestDecibels = LoudnessEnvelope::Decibels(loudness.Envelope().Loudest());
    }
    loudnessDrawn = state;
    const char* label = state == MusicLoudness::State::Ready       ? "music dB"
                        : state == MusicLoudness::State::Measuring ? "music ..."
                                                                   : "no music";
    canvas.Text(label, kTextInset, layout.LoudnessTop() + 8, 1, kLabelInk);
    if (state != MusicLoudness::State::Ready) return;

    // Each column's loudest moment, as decibels below the music's loudest:
    // 0 dB at the top, kLoudnessRangeDb down at the bottom.
    const LoudnessEnvelope& envelope = loudness.Envelope();
    const float bottom = static_cast<float>(layout.LanesTop() - 1);
    const double room = kLoudnessHeight - 2.0;
    for (int32_t x = kLabelWidth; x < layout.width - kRightMargin; ++x) {
        const float level = envelope.LoudestBetween(TimeAt(x), TimeAt(x + 1));
        if (level <= 0.0f) continue;
        const double share = 1.0 - (loudestDecibels - LoudnessEnvelope::Decibels(level)) / kLoudnessRangeDb;
        if (share <= 0.0) continue;
        canvas.Rectangle(static_cast<float>(x), bottom - static_cast<float>(share * room), static_cast<float>(x + 1),
                         bottom, kLoudnessInk);
    }
    for (double below = kLoudnessStepDb; below < kLoudnessRangeDb; below += kLoudnessStepDb) {
        const float y = std::round(bottom - static_cast<float>((1.0 - below / kLoudnessRangeDb) * room));
        canvas.Rectangle(static_cast<float>(kLabelWidth), y, static_cast<float>(layout.width - kRightMargin), y + 1.0f,
                         kDecibelLine);
    }
}

void TimelineStrip::DrawTooltip(OverlayCanvas& canvas, const Layout& layout, const PointedMarks& pointed) {
    // The pointed marks' lines above the strip, each cut to the window's
    // width, and how many more there are.
    const int32_t rows = pointed.listed + (pointed.count > pointed.listed ? 1 : 0);
    const int32_t fits = (layout.width - 2 * kTextInset) / (kGlyphAdvance * kTooltipScale);
    if (rows == 0 || fits <= 0) return;
    char lines[kMaxListedMarks + 1][ParsedScript::kMaxLineLength + 32];
    int32_t width = 0;
    for (int32_t i = 0; i < rows; ++i) {
        if (i < pointed.listed) {
            std::snprintf(lines[i], sizeof lines[i], "line %d: %s", pointed.marks[i]->line,
                          pointed.marks[i]->text.c_str());
        } else {
            std::snprintf(lines[i], sizeof lines[i], "... and %d more", pointed.count - pointed.listed);
        }
        if (static_cast<size_t>(fits) < std::strlen(lines[i])) lines[i][fits] = '\0';
        width = std::max(width, OverlayCanvas::TextWidth(lines[i], kTooltipScale) + 2 * kTextInset);
    }
    const int32_t boxLeft = std::clamp(pointerX - width / 2, 0, std::max(0, layout.width - width));
    const int32_t boxTop = layout.top - rows * kTooltipLineHeight - 2 * kTextInset;
    canvas.Rectangle(static_cast<float>(boxLeft), static_cast<float>(boxTop), static_cast<float>(boxLeft + width),
                     static_cast<float>(layout.top), kTooltipBand);
    for (int32_t i = 0; i < rows; ++i) {
        canvas.Text(lines[i], boxLeft + kTextInset, boxTop + kTextInset + i * kTooltipLineHeight, kTooltipScale,
                    kTooltipInk);
    }
}

void TimelineStrip::Draw() {
    if (!session.TimelineVisible()) return;
    Refresh();
    const Layout layout(viewport, Height(), firstLane, LanesShown());
    if (layout.width <= kLabelWidth + kRightMargin || layout.top < 0) return;
    const uint32_t now = script.Now();
    FollowPlayHead(now);

    OverlayCanvas canvas(layout.width, viewport.GetViewportHeight());
    const float left = static_cast<float>(kLabelWidth);
    const float right = static_cast<float>(layout.width - kRightMargin);
    const float top = static_cast<float>(layout.top);
    const float bottom = static_cast<float>(layout.Bottom());
    const auto clampX = [&](double x) { return static_cast<float>(std::clamp(x, 0.0, static_cast<double>(right))); };
    const auto visible = [&](double from, double to) { return to >= viewStart && from <= viewStart + viewSpan; };
    const double msPerPixel = viewSpan / AxisWidth();
    char text[32];

    canvas.Rectangle(0.0f, top, static_cast<float>(layout.width), bottom, kBackground);
    for (int32_t lane = layout.firstLane; lane < layout.firstLane + layout.lanes; ++lane) {
        const float laneTop = static_cast<float>(layout.LaneTop(lane));
        if (lane % 2 == 0) {
            canvas.Rectangle(0.0f, laneTop, static_cast<float>(layout.width), laneTop + kLaneHeight, kLaneShade);
        }
        canvas.Text(laneLabels[static_cast<size_t>(lane)].c_str(), kTextInset, layout.LaneTop(lane) + 2, 1, kLabelInk);
    }
    const int32_t laneCount = static_cast<int32_t>(model.Lanes().size());
    if (layout.lanes < laneCount) {
        // Where the lanes shown lie among them all.
        const float span = static_cast<float>(layout.lanes * kLaneHeight);
        const float from = static_cast<float>(layout.LanesTop()) + span * layout.firstLane / laneCount;
        const float to = from + span * layout.lanes / laneCount;
        canvas.Rectangle(left - 3.0f, from, left - 1.0f, to, kScrollInk);
    }
    canvas.Text("pattern", kTextInset, layout.PatternTop() + 2, 1, kLabelInk);
    canvas.Text("bar", kTextInset, layout.RulerTop() + kTextInset, 1, kLabelInk);

    // The ruler: bar lines with numbers at least 24 pixels apart; beats
    // when they stand 6 pixels apart or more.
    const double bar = model.BarLength();
    const double beat = model.BeatLength();
    if (bar > 0.0 && beat > 0.0) {
        const int64_t every = BarNumberStride(bar / msPerPixel);
        const bool beats = beat / msPerPixel >= 6.0;
        const int64_t first = static_cast<int64_t>(std::floor(viewStart / bar)) / every * every;
        for (int64_t b = first; b * bar <= viewStart + viewSpan; b += every) {
            const double x = XOf(b * bar);
            if (x >= left) {
                canvas.Rectangle(static_cast<float>(x), top, static_cast<float>(x + 1.0), bottom, kBarLine);
                std::snprintf(text, sizeof text, "%lld", static_cast<long long>(b));
                canvas.Text(text, static_cast<int32_t>(x) + 2, layout.RulerTop() + kTextInset, 1, kLabelInk);
            }
            for (int i = 1; beats && i * beat < bar - 0.5; ++i) {
                const double tick = XOf(b * bar + i * beat);
                if (tick < left || tick > right) continue;
                canvas.Rectangle(static_cast<float>(tick), top + kRulerHeight - 4.0f, static_cast<float>(tick + 1.0),
                                 bottom, kBeatTick);
            }
        }
    }

    DrawLoudness(canvas, layout);

    // The pattern in play, with its step characters when they fit.
    const double stepWidth = model.StepLength() / msPerPixel;
    for (const PatternSpan& span : model.PatternSpans()) {
        const double end = span.end == NO_TIME ? model.Extent() : span.end;
        if (span.pattern < 0 || !visible(span.start, end)) continue;
        const float spanTop = static_cast<float>(layout.PatternTop() + 1);
        canvas.Rectangle(clampX(std::max(XOf(span.start), static_cast<double>(left))), spanTop, clampX(XOf(end)),
                         spanTop + kLaneHeight - 2.0f, kPatternSpan);
        const Pattern& pattern = model.PatternNumber(span.pattern);
        if (pattern.length <= 0 || stepWidth < kGlyphAdvance + 1.0) continue;
        const double firstStep = std::max(0.0, std::floor((viewStart - span.start) / model.StepLength()));
        for (double step = firstStep;; ++step) {
            const double time = span.start + step * model.StepLength();
            if (time >= end || time > viewStart + viewSpan) break;
            const char c = pattern.steps[static_cast<int64_t>(step) % pattern.length];
            const double x = XOf(time);
            if (c == 0 || x < left) continue;
            const char glyph[2] = {c, '\0'};
            canvas.Text(glyph, static_cast<int32_t>(x), layout.PatternTop() + 2, 1, kStepInk);
        }
    }

    // The marks of every Set, Trig and Fade in its parameter's lane; the
    // marks under the pointer stand out.
    const PointedMarks pointed = Pointed();
    const auto isPointed = [&](const TimelineMark& mark) {
        return std::find(pointed.marks, pointed.marks + pointed.listed, &mark) != pointed.marks + pointed.listed;
    };
    for (const TimelineMark& mark : model.Marks()) {
        if (!visible(mark.start, mark.end)) continue;
        const double x = XOf(mark.start);
        if (mark.kind == MarkKind::PatternSwitch) {
            if (x < left) continue;
            const float y = static_cast<float>(layout.PatternTop());
            const float xs[4] = {static_cast<float>(x), static_cast<float>(x + 5.0), static_cast<float>(x),
                                 static_cast<float>(x)};
            const float ys[4] = {y + 1.0f, y + 5.0f, y + 9.0f, y + 9.0f};
            canvas.Quad(xs, ys, isPointed(mark) ? kHighlight : kStepInk);
            continue;
        }
        if (mark.lane < 0 || !layout.Drawn(mark.lane)) continue;
        const ParameterLane& lane = model.Lanes()[static_cast<size_t>(mark.lane)];
        const float laneTop = static_cast<float>(layout.LaneTop(mark.lane));
        const float laneBottom = laneTop + kLaneHeight - 1.0f;
        const Colour& ink = isPointed(mark)                ? kHighlight
                            : mark.kind == MarkKind::Trig ? kTrigInk
                            : mark.kind == MarkKind::Fade ? kFadeInk
                                                          : kSetInk;
        if (mark.kind == MarkKind::Fade) {
            // A slope from the start value to the end value, within the
            // parameter's range.
            const auto height = [&](double value) {
                const double range = lane.high - lane.low;
                const double share = range > 0.0 ? (value - lane.low) / range : 0.5;
                return static_cast<float>(laneBottom - 1.0 - share * (kLaneHeight - 4.0));
            };
            const float x0 = clampX(std::max(x, static_cast<double>(left)));
            const float x1 = std::max(clampX(XOf(mark.end)), x0 + 1.0f);
            const float xs[4] = {x0, x0, x1, x1};
            const float ys[4] = {laneBottom, height(mark.from), height(mark.value), laneBottom};
            canvas.Quad(xs, ys, ink);
            continue;
        }
        if (x < left) continue;
        const float markTop = mark.kind == MarkKind::Trig ? laneTop + 1.0f : laneTop + 3.0f;
        canvas.Rectangle(static_cast<float>(x), markTop, static_cast<float>(x + 2.0), laneBottom, ink);
        if (mark.kind == MarkKind::Trig) {
            canvas.Rectangle(static_cast<float>(x - 1.0), markTop, static_cast<float>(x + 3.0), markTop + 2.0f, ink);
        }
    }

    // The loop, what the show never plays, its start and its end.
    if (session.Loop() != LoopState::Off) {
        const double loopStart = XOf(session.LoopStart());
        if (session.Loop() == LoopState::On) {
            canvas.Rectangle(clampX(std::max(loopStart, static_cast<double>(left))), top,
                             clampX(XOf(session.LoopEnd())), bottom, kLoopShade);
        }
        if (loopStart >= left && loopStart <= right) {
            canvas.Rectangle(static_cast<float>(loopStart), top, static_cast<float>(loopStart + 1.0), bottom,
                             kLoopEdge);
        }
    }
    const double start = XOf(model.StartTime());
    if (start > left) canvas.Rectangle(left, top + kRulerHeight, clampX(start), bottom, kUnplayed);
    if (model.EndTime() != NO_TIME) {
        const double end = XOf(model.EndTime());
        if (end < right) canvas.Rectangle(clampX(std::max(end, static_cast<double>(left))), top + kRulerHeight, right,
                                          bottom, kUnplayed);
    }
    for (const TimelineMark& mark : model.Marks()) {
        if ((mark.kind != MarkKind::Start && mark.kind != MarkKind::End) || !visible(mark.start, mark.start)) continue;
        const double x = XOf(mark.start);
        const Colour& ink = isPointed(mark) ? kHighlight : mark.kind == MarkKind::Start ? kStartInk : kEndInk;
        canvas.Rectangle(static_cast<float>(x), top, static_cast<float>(x + 2.0), bottom, ink);
    }

    // The play head, below the ruler's numbers, with a wider foot in the
    // ruler to find it by.
    const double head = XOf(now);
    if (head >= left - 1.0 && head <= right + 1.0) {
        const float headTop = top + kRulerTextBottom + 1.0f;
        canvas.Rectangle(static_cast<float>(head - 1.0), headTop, static_cast<float>(head + 1.0), bottom, kPlayHead);
        canvas.Rectangle(static_cast<float>(head - 3.0), headTop, static_cast<float>(head + 3.0), top + kRulerHeight,
                         kPlayHead);
    }

    DrawTooltip(canvas, layout, pointed);
}
