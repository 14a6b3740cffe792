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
constexpr Colour kBarLine{1.0f, 1.0f, 1.0f, 0.22f};
constexpr Colour kBeatTick{1.0f, 1.0f, 1.0f, 0.12f};
constexpr Colour kLoudnessInk{0.29f, 0.5f, 0.66f, 0.95f};
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
// How near the pointer must be to a mark, in pixels.
constexpr double kReach = 4.0;

enum class Row { Outside, Ruler, Loudness, Scene, Pattern };

}  // namespace

// The strip's rows in viewport pixels, from its top down.
struct TimelineStrip::Layout {
    int32_t width;
    int32_t top;

    explicit Layout(const ViewportSize& viewport)
        : width(viewport.GetViewportWidth()), top(viewport.GetViewportHeight() - kHeight) {}

    int32_t RulerTop() const { return top; }
    int32_t LoudnessTop() const { return top + kRulerHeight; }
    int32_t SceneTop(int32_t scene) const { return LoudnessTop() + kLoudnessHeight + scene * kLaneHeight; }
    int32_t PatternTop() const { return SceneTop(kSceneLanes); }
    int32_t Bottom() const { return top + kHeight; }

    Row RowAt(int32_t y, int32_t& scene) const {
        scene = -1;
        if (y < top || y >= Bottom()) return Row::Outside;
        if (y < LoudnessTop()) return Row::Ruler;
        if (y < SceneTop(0)) return Row::Loudness;
        if (y < PatternTop()) {
            scene = (y - SceneTop(0)) / kLaneHeight;
            return Row::Scene;
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
        built = true;
        builtForReload = session.ReloadCount();
        if (first) {
            viewStart = 0.0;
            viewSpan = model.Extent();
        }
        KeepViewInShow();
    }
    // The music is the one the preview started with, measured once.
    if (!loudnessTried) {
        loudnessTried = true;
        const ParsedScript& parsed = script.Script();
        std::string problem;
        if (decoder && !parsed.music.empty() &&
            !MeasureMusicLoudness(*decoder, parsed.music.back().path.c_str(), kLoudnessWindowMs, loudness, problem)) {
            loudness = LoudnessEnvelope{};
        }
    }
}

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
    return pointerX < viewport.GetViewportWidth() && PointerY() >= height - kHeight && PointerY() < height;
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
        default:  // the wheel
            if (!onStrip) return false;
            Zoom(msg::WheelTurn(message.wParam), pointerX);
            return true;
    }
}

const TimelineMark* TimelineStrip::Hovered() const {
    if (!PointerOnStrip() || pointerX < kLabelWidth) return nullptr;
    int32_t scene = -1;
    const Row row = Layout(viewport).RowAt(PointerY(), scene);
    const TimelineMark* nearest = nullptr;
    double nearestDistance = kReach + 1.0;
    for (const TimelineMark& mark : model.Marks()) {
        bool inRow = false;
        switch (mark.kind) {
            case MarkKind::Start:
            case MarkKind::End: inRow = row == Row::Ruler; break;
            case MarkKind::PatternSwitch: inRow = row == Row::Pattern; break;
            default:
                inRow = row == Row::Scene && model.Lanes()[static_cast<size_t>(mark.lane)].id.scene == scene;
                break;
        }
        if (!inRow) continue;
        const double left = XOf(mark.start);
        const double right = mark.kind == MarkKind::Fade ? XOf(mark.end) : left;
        // Along a fade's slope the distance is 0; a point mark nearby wins.
        const double distance = pointerX < left ? left - pointerX : pointerX > right ? pointerX - right : 0.0;
        const double weighed = mark.kind == MarkKind::Fade && distance == 0.0 ? kReach : distance;
        if (distance <= kReach && weighed < nearestDistance) {
            nearest = &mark;
            nearestDistance = weighed;
        }
    }
    return nearest;
}

void TimelineStrip::Draw() {
    if (!session.TimelineVisible()) return;
    const Layout layout(viewport);
    if (layout.width <= kLabelWidth + kRightMargin || layout.top < 0) return;
    Refresh();
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
    for (int32_t scene = 0; scene < kSceneLanes; scene += 2) {
        canvas.Rectangle(0.0f, static_cast<float>(layout.SceneTop(scene)), static_cast<float>(layout.width),
                         static_cast<float>(layout.SceneTop(scene) + kLaneHeight), kLaneShade);
    }
    for (int32_t scene = 0; scene < kSceneLanes; ++scene) {
        std::snprintf(text, sizeof text, "%d", scene);
        canvas.Text(text, 4, layout.SceneTop(scene) + 4, 1, kLabelInk);
    }
    canvas.Text("pat", 4, layout.PatternTop() + 4, 1, kLabelInk);
    canvas.Text("bar", 4, layout.RulerTop() + 4, 1, kLabelInk);

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
                canvas.Text(text, static_cast<int32_t>(x) + 2, layout.RulerTop() + 4, 1, kLabelInk);
            }
            for (int i = 1; beats && i * beat < bar - 0.5; ++i) {
                const double tick = XOf(b * bar + i * beat);
                if (tick < left || tick > right) continue;
                canvas.Rectangle(static_cast<float>(tick), top + kRulerHeight - 4.0f, static_cast<float>(tick + 1.0),
                                 bottom, kBeatTick);
            }
        }
    }

    // The music's loudness, the loudest moment in each column.
    const float middle = static_cast<float>(layout.LoudnessTop()) + kLoudnessHeight / 2.0f;
    for (int32_t x = kLabelWidth; x < layout.width - kRightMargin; ++x) {
        const float level = loudness.LoudestBetween(TimeAt(x), TimeAt(x + 1));
        if (level <= 0.0f) continue;
        const float half = level * (kLoudnessHeight / 2.0f - 1.0f);
        canvas.Rectangle(static_cast<float>(x), middle - half, static_cast<float>(x + 1), middle + half,
                         kLoudnessInk);
    }

    // The pattern in play, with its step characters when they fit.
    const double stepWidth = model.StepLength() / msPerPixel;
    for (const PatternSpan& span : model.PatternSpans()) {
        const double end = span.end == NO_TIME ? model.Extent() : span.end;
        if (span.pattern < 0 || !visible(span.start, end)) continue;
        const float spanTop = static_cast<float>(layout.PatternTop() + 2);
        canvas.Rectangle(clampX(std::max(XOf(span.start), static_cast<double>(left))), spanTop, clampX(XOf(end)),
                         spanTop + kLaneHeight - 4.0f, kPatternSpan);
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
            canvas.Text(glyph, static_cast<int32_t>(x), layout.PatternTop() + 4, 1, kStepInk);
        }
    }

    // The marks of every Set, Trig and Fade in its scene's lane.
    const TimelineMark* hovered = Hovered();
    for (const TimelineMark& mark : model.Marks()) {
        if (!visible(mark.start, mark.end)) continue;
        const double x = XOf(mark.start);
        if (mark.kind == MarkKind::PatternSwitch) {
            if (x < left) continue;
            const float y = static_cast<float>(layout.PatternTop());
            const float xs[4] = {static_cast<float>(x), static_cast<float>(x + 5.0), static_cast<float>(x),
                                 static_cast<float>(x)};
            const float ys[4] = {y + 1.0f, y + 5.0f, y + 9.0f, y + 9.0f};
            canvas.Quad(xs, ys, &mark == hovered ? kHighlight : kStepInk);
            continue;
        }
        if (mark.lane < 0) continue;
        const ParameterLane& lane = model.Lanes()[static_cast<size_t>(mark.lane)];
        if (lane.id.scene >= kSceneLanes) continue;
        const float laneTop = static_cast<float>(layout.SceneTop(lane.id.scene));
        const float laneBottom = laneTop + kLaneHeight - 1.0f;
        const Colour& ink = &mark == hovered ? kHighlight
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
        const Colour& ink = &mark == hovered ? kHighlight : mark.kind == MarkKind::Start ? kStartInk : kEndInk;
        canvas.Rectangle(static_cast<float>(x), top, static_cast<float>(x + 2.0), bottom, ink);
    }

    // The play head.
    const double head = XOf(now);
    if (head >= left - 1.0 && head <= right + 1.0) {
        canvas.Rectangle(static_cast<float>(head - 1.0), top, static_cast<float>(head + 1.0), bottom, kPlayHead);
    }

    // The hovered mark's line above the strip, cut to the window's width.
    if (hovered) {
        char line[ParsedScript::kMaxLineLength + 32];
        std::snprintf(line, sizeof line, "line %d: %s", hovered->line, hovered->text.c_str());
        const int32_t fits = (layout.width - 8) / (kGlyphAdvance * kTooltipScale);
        if (fits >= 0 && static_cast<size_t>(fits) < std::strlen(line)) line[fits] = '\0';
        const int32_t width = OverlayCanvas::TextWidth(line, kTooltipScale) + 8;
        const int32_t boxLeft = std::clamp(pointerX - width / 2, 0, std::max(0, layout.width - width));
        const int32_t boxTop = layout.top - (bitmap_font::kGlyphHeight * kTooltipScale + 8);
        canvas.Rectangle(static_cast<float>(boxLeft), static_cast<float>(boxTop), static_cast<float>(boxLeft + width),
                         top, kTooltipBand);
        canvas.Text(line, boxLeft + 4, boxTop + 4, kTooltipScale, kTooltipInk);
    }
}
