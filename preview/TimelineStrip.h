// The preview's timeline strip along the bottom of the window, shown and
// hidden with T: a ruler of bars with their numbers (and beat ticks when
// zoomed in), the music's loudness in decibels, one lane for every
// parameter the script touches, named as demo-check's timeline names it
// (scene, slot and the effect's name for it), with a mark for every Set and
// Trig and a slope for every Fade, the pattern in play (with its step
// characters when zoomed in), the loop shaded, the Goto start and the End,
// and the play head.
//
// The mouse: clicking or dragging on the strip seeks there (scrubbing), the
// way the seek keys do; the wheel zooms around the pointer, and over the
// lanes' names scrolls the lanes when they do not all fit; pointing at a
// mark shows its script line and line number above the strip, and the
// lines of every other mark within reach of the pointer with it.
//
// It draws from the timeline model (timeline/TimelineModel.h), built when
// the strip is first shown and again whenever the script is reloaded, over
// the show's finished frame like the HUD: it changes nothing the show
// draws, leaves the GL state as it was, and allocates nothing in a frame.
// The music's loudness is measured on a worker thread from the first time
// the strip is shown (preview/MusicLoudness.h) and drawn once it is ready.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "preview/MusicLoudness.h"
#include "preview/PreviewLoop.h"
#include "timeline/TimelineModel.h"

class OverlayCanvas;
class PreviewSession;
class ScriptEngine;
class SoundDecoder;
class ViewportSize;

class TimelineStrip : public FrameOverlay {
public:
    // Sizes in screen pixels.
    static constexpr int32_t kLabelWidth = 192;  // the lanes' names, left of the time axis
    static constexpr int32_t kRightMargin = 8;
    static constexpr int32_t kRulerHeight = 14;
    static constexpr int32_t kLoudnessHeight = 24;
    static constexpr int32_t kLaneHeight = 11;
    // The strip covers at most half the viewport's height; lanes that do
    // not fit are scrolled to.
    static constexpr int32_t kHeightShare = 2;
    // The loudness is drawn from this many decibels below the music's
    // loudest moment up to it, with a line every kLoudnessStepDb.
    static constexpr double kLoudnessRangeDb = 30.0;
    static constexpr double kLoudnessStepDb = 6.0;
    // The most marks whose lines the pointer's tooltip lists.
    static constexpr int32_t kMaxListedMarks = 6;
    // The narrowest view, in bars, and how much one notch of the wheel zooms.
    static constexpr double kMinBarsInView = 1.0;
    static constexpr double kZoomPerNotch = 1.25;

    // The marks within reach of the pointer, in the model's order (time,
    // then line): the first `listed` of `count`.
    struct PointedMarks {
        const TimelineMark* marks[kMaxListedMarks] = {};
        int32_t listed = 0;
        int32_t count = 0;
    };

    // `decoder`, when not null, decodes the script's music for its
    // loudness, on a worker thread of the strip's.
    TimelineStrip(PreviewSession& session, ScriptEngine& script, const ViewportSize& viewport,
                  SoundDecoder* decoder);

    void Draw() override;
    void MessageTaken(const Message& message) override { HandleMessage(message); }
    // True once the music's loudness has come in and not yet been drawn.
    bool Changed() override;
    int32_t CoveredBottom() const override;

    // A mouse message, or a size message, which places the strip at the
    // bottom of the client area; true when the strip acted on it.
    bool HandleMessage(const Message& message);

    // The strip's height in the viewport, as it is drawn now.
    int32_t Height() const;
    // The first lane drawn, and how many are.
    int32_t FirstLane() const { return firstLane; }
    int32_t LanesShown() const;

    // The view: the stretch of show time across the strip's axis, in ms.
    double ViewStart() const { return viewStart; }
    double ViewSpan() const { return viewSpan; }
    // The show time at x pixels from the viewport's left edge, and back.
    double TimeAt(double x) const;
    double XOf(double ms) const;
    // The mark nearest the pointer, null for none.
    const TimelineMark* Hovered() const;
    PointedMarks Pointed() const;
    const TimelineModel& Model() const { return model; }
    MusicLoudness::State LoudnessState() { return loudness.Poll(); }

private:
    struct Layout;

    // Builds the model when the script has changed, and starts measuring
    // the music once.
    void Refresh();
    // The pointer's height in the viewport, y down from its top edge.
    int32_t PointerY() const;
    bool PointerOnStrip() const;
    double AxisWidth() const;
    void Zoom(int32_t turn, double x);
    void ScrollLanes(int32_t turn);
    void KeepViewInShow();
    void FollowPlayHead(uint32_t now);
    // The marks within reach of the pointer; the nearest in `nearest`.
    PointedMarks FindPointed(const TimelineMark** nearest) const;
    void DrawLoudness(OverlayCanvas& canvas, const Layout& layout);
    void DrawTooltip(OverlayCanvas& canvas, const Layout& layout, const PointedMarks& pointed);

    PreviewSession& session;
    ScriptEngine& script;
    const ViewportSize& viewport;
    SoundDecoder* decoder;

    TimelineModel model;
    std::vector<std::string> laneLabels;  // cut to the labels' width
    bool built = false;
    int32_t builtForReload = -1;
    MusicLoudness loudness;
    MusicLoudness::State loudnessDrawn = MusicLoudness::State::NotStarted;
    double loudestDecibels = 0.0;

    double viewStart = 0.0;
    double viewSpan = 0.0;
    int32_t firstLane = 0;
    int32_t clientHeight = 0;  // 0: as tall as the viewport
    int32_t pointerX = -1;     // client pixels; -1: not over the window
    int32_t pointerY = -1;
    bool dragging = false;
};
