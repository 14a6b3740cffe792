// The preview's timeline strip along the bottom of the window, shown and
// hidden with T: a ruler of bars with their numbers (and beat ticks when
// zoomed in), the music's loudness as a band, one lane per scene (0 to 4)
// with a mark for every Set and Trig and a slope for every Fade, the
// pattern in play (with its step characters when zoomed in), the loop
// shaded, the Goto start and the End, and the play head.
//
// The mouse: clicking or dragging on the strip seeks there (scrubbing), the
// way the seek keys do; the wheel zooms around the pointer; pointing at a
// mark shows its script line and line number above the strip.
//
// It draws from the timeline model (timeline/TimelineModel.h), built when
// the strip is first shown and again whenever the script is reloaded, over
// the show's finished frame like the HUD: it changes nothing the show
// draws, leaves the GL state as it was, and allocates nothing in a frame.
#pragma once

#include <cstdint>
#include <string>

#include "audio/Loudness.h"
#include "platform/Messages.h"
#include "preview/PreviewLoop.h"
#include "scenes/ShowScenes.h"
#include "timeline/TimelineModel.h"

class PreviewSession;
class ScriptEngine;
class SoundDecoder;
class ViewportSize;

class TimelineStrip : public FrameOverlay {
public:
    // Sizes in screen pixels.
    static constexpr int32_t kLabelWidth = 24;  // the lanes' names, left of the time axis
    static constexpr int32_t kRightMargin = 8;
    static constexpr int32_t kRulerHeight = 14;
    static constexpr int32_t kLoudnessHeight = 16;
    static constexpr int32_t kLaneHeight = 14;
    static constexpr int32_t kSceneLanes = kShowSceneCount;
    static constexpr int32_t kHeight = kRulerHeight + kLoudnessHeight + (kSceneLanes + 1) * kLaneHeight;
    // The narrowest view, in bars, and how much one notch of the wheel zooms.
    static constexpr double kMinBarsInView = 1.0;
    static constexpr double kZoomPerNotch = 1.25;

    // `decoder`, when not null, decodes the script's music for its
    // loudness.
    TimelineStrip(PreviewSession& session, ScriptEngine& script, const ViewportSize& viewport,
                  SoundDecoder* decoder);

    void Draw() override;
    void MessageTaken(const Message& message) override { HandleMessage(message); }

    // A mouse message, or a size message, which places the strip at the
    // bottom of the client area; true when the strip acted on it.
    bool HandleMessage(const Message& message);

    // The view: the stretch of show time across the strip's axis, in ms.
    double ViewStart() const { return viewStart; }
    double ViewSpan() const { return viewSpan; }
    // The show time at x pixels from the viewport's left edge.
    double TimeAt(double x) const;
    // The mark under the pointer, null for none.
    const TimelineMark* Hovered() const;
    const TimelineModel& Model() const { return model; }

private:
    struct Layout;

    // Builds the model when the script has changed, and measures the music
    // once.
    void Refresh();
    // The pointer's height in the viewport, y down from its top edge.
    int32_t PointerY() const;
    bool PointerOnStrip() const;
    double AxisWidth() const;
    double XOf(double ms) const;
    void Zoom(int32_t turn, double x);
    void KeepViewInShow();
    void FollowPlayHead(uint32_t now);

    PreviewSession& session;
    ScriptEngine& script;
    const ViewportSize& viewport;
    SoundDecoder* decoder;

    TimelineModel model;
    bool built = false;
    int32_t builtForReload = -1;
    LoudnessEnvelope loudness;
    bool loudnessTried = false;

    double viewStart = 0.0;
    double viewSpan = 0.0;
    int32_t clientHeight = 0;  // 0: as tall as the viewport
    int32_t pointerX = -1;     // client pixels; -1: not over the window
    int32_t pointerY = -1;
    bool dragging = false;
};
