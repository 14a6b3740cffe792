// The preview's controls and clock, without a window: play and pause, seek
// by beat, bar or bar number, loop a stretch of bars, reload the script and
// pictures when their files are saved, and keep the show time through all
// of it.
//
// The session tells the demo host each frame's show time: before each of
// the host's frames it works out where the show stands (FrameTime), and the
// preview's show plays the host's frame there (DemoHost::FrameTo). Seeking
// goes to the first frame at or after the new time on the show's 60 fps
// frame grid and brings the show there as if it had played from its start
// (time/PlayHead.h: the timeline, what the effects integrate and the last
// frames' pictures), so that the frame shown there is the one
// `demo-capture --fps 60` makes; the music moves there too.
// Pausing seeks to where the show stands, and a paused preview holds that
// frame (DrawsShow). While the music plays the show time follows it;
// otherwise it follows the system clock.
//
// A seek, or a save to take, is shown to be under way at once: the frame
// after it shows the picture as it was with a notice (Work), and the work is
// done before the frame after that. A seek then draws at most
// kQuickWarmUpFrames frames before the one sought, which nearly always
// gives the very frame a capture makes; where the swarm's copies reflect
// what came before for longer, a paused preview draws the seek again in
// full in the frames that follow, one a frame, showing the frame it holds
// meanwhile, and then holds the exact frame (FrameIsExact). While paused,
// frames are drawn without the window's multisampling, as the capture draws
// them.
//
// Keys (the show's key numbers, platform/Messages.h):
//   Space          pause / play (at the show's end: play from the start)
//   Left, Right    one beat back / on
//   Page Up, Down  one bar back / on
//   Home           the start
//   digits Return  to that bar (#bar.0); digits 0 to 4 also pick the scene
//                  whose parameters the HUD lists
//   L              loop start at this bar; again: loop end after this bar
//   Escape         clear the loop; with no loop, quit
//   H              HUD on / off
//   T              timeline strip on / off (preview/TimelineStrip.h)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "time/FrameGrid.h"
#include "time/PlayHead.h"
#include "time/ShowTimeKeeper.h"

class Clock;
class DemoHost;
class Multisampling;
class PreviewMusic;
class ScriptEngine;
class ScriptReloader;

struct PreviewServices {
    DemoHost& host;             // the show, with its script engine
    PreviewMusic& music;
    Clock& systemClock;
    ScriptReloader& reloader;
    // What went wrong while the host read the script, if anything: shown
    // until the next reload.
    const std::vector<std::string>* startupProblems = nullptr;
    // The window's multisampling, switched off while paused; null leaves it.
    Multisampling* multisampling = nullptr;
};

enum class LoopState { Off, StartSet, On };

// What the session is about to do, shown on the frame before it does it.
enum class PreviewWork { None, Seek, Reload };

class PreviewSession {
public:
    // How often the files that are not watched are looked at, in ms of the
    // system clock.
    static constexpr uint32_t kPollInterval = 250;
    // How often, while nothing else happens, the watcher's notices are read.
    static constexpr uint32_t kNoticeInterval = 20;
    // The frames a seek draws at most before the frame it goes to, before
    // it shows that frame: with one, 93 % of the swarm's frames in the
    // shipped show come out exact, with two 99 %.
    static constexpr uint64_t kQuickWarmUpFrames = 2;
    // The frame rate whose frames seeks land on.
    static constexpr uint32_t kGridFps = 60;
    // While paused with nothing else changing, how often a frame is drawn
    // for the HUD, whose frame rate is the one thing on it that moves.
    static constexpr uint32_t kIdleHudInterval = 1000;
    static constexpr int kMaxBarDigits = 5;
    // A digit typed this long after the one before starts a new bar number,
    // so that a scene picked a while ago does not become part of it.
    static constexpr uint32_t kTypingPause = 1500;

    explicit PreviewSession(const PreviewServices& services);

    // Once the host has started the show: the show time is where the host
    // started the timeline, and the music is there. Starts watching the
    // files as the host read them.
    void Begin();

    // One key press (auto-repeats included).
    void KeyPressed(int32_t key);

    // Before each of the host's frames: looks at the files when it is time,
    // brings the show to a frame sought, moves the show time on, wraps the
    // loop, stops at the show's end, and works out the frame's time.
    void PrepareFrame();

    // The show time of the frame that PrepareFrame prepared.
    uint32_t FrameTime() const { return frameTime; }

    // Whether the frame that PrepareFrame prepared is to be drawn: false
    // while the preview is paused on a frame already drawn, which is held.
    bool DrawsShow() const { return drawsShow; }

    // The preview's show could not show the frame held (the window's size
    // changed): the frame is brought back by a seek.
    void HeldPictureLost();

    // The work waiting, which the frame prepared shows a notice of, and
    // where a seek goes.
    PreviewWork Work() const;
    // False while a paused preview holds a frame that it is still drawing
    // again in full (after a quick seek).
    bool FrameIsExact() const { return !refining && !seekPending; }

    // Something outside the session changed what the window shows (a key,
    // an exposure, a new size): the next turn draws a frame.
    void RequestFrame() { frameRequested = true; }

    // Before the run loop draws a frame: for how many ms nothing on screen
    // would change, because the preview is paused, nothing asked for a
    // frame, and the files (looked at here when it is time) are as they
    // were; 0 when a frame is due. While the HUD is on, a frame is due once
    // every kIdleHudInterval.
    uint32_t IdleMilliseconds();

    // Moves the show to the first frame of the 60 fps grid at or after
    // `milliseconds` (the last one before the show's end at most). The show
    // is brought there before the next frame: of several seeks between two
    // frames only the last one replays the show.
    void SeekTo(uint32_t milliseconds);
    // A seek from the timeline strip's pointer.
    void ScrubTo(uint32_t milliseconds) { SeekTo(milliseconds); }

    // The show time, or the time of the frame a seek goes to before the
    // next frame.
    uint32_t ShowTime() const;

    bool QuitRequested() const { return quit; }
    bool Paused() const { return paused; }
    bool HudVisible() const { return hudVisible; }
    bool TimelineVisible() const { return timelineVisible; }
    int32_t SelectedScene() const { return selectedScene; }
    LoopState Loop() const { return loop; }
    uint32_t LoopStart() const { return loopStart; }
    uint32_t LoopEnd() const { return loopEnd; }
    // The bar number typed so far, "" for none.
    const char* TypedBar() const { return typedBar; }
    int32_t FramesPerSecond() const { return framesPerSecond; }
    int32_t ReloadCount() const { return reloadCount; }
    // True while the show time stands at the show's end.
    bool AtEnd() const;

private:
    void TogglePause();
    void Pause();
    void Resume();
    void SeekByUnits(double unit, int32_t units);
    void LoopKey();
    uint32_t BarAt(uint32_t milliseconds) const;
    uint32_t BarTime(uint32_t bar) const;
    uint32_t LastTime() const;
    void CountFrame(uint32_t systemNow);
    // Looks for saved files: the watcher's notices, and the files it cannot
    // watch when it is time to look at them. True when changes wait.
    bool LookAtFiles(uint32_t systemNow);
    // Takes the saved files; seeks again where the show changed under it.
    void TakeChanges();
    // Seeks where the show stands, for a show that changed under it; the
    // music plays on unless a seek waiting for the next frame moves it.
    void SeekAgain();
    // Brings the show quickly to the frame sought; the time of that frame.
    uint32_t FinishSeek();
    // One frame of the full seek of a paused preview, drawn under the frame
    // held; once it has come to the frame sought, that frame is to be
    // drawn, at `target`.
    void Refine(uint32_t& target);
    ScriptEngine& Script() const;

    PreviewServices services;
    PlayHead playHead;
    ShowTimeKeeper keeper;
    uint32_t frameTime = 0;
    bool paused = false;
    bool quit = false;
    bool hudVisible = true;
    bool timelineVisible = false;
    bool drawsShow = true;
    bool seekPending = false;
    bool seekMovesMusic = false;
    uint64_t seekFrame = 0;     // on the play head's grid
    bool changesWaiting = false;  // saved files to take
    bool announced = false;       // the work waiting has been shown
    bool refining = false;        // drawing seekFrame again, in full
    bool refineStarted = false;
    int32_t selectedScene = 0;
    LoopState loop = LoopState::Off;
    uint32_t loopStartBar = 0;
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    char typedBar[kMaxBarDigits + 1] = {};
    int32_t typedDigits = 0;
    uint32_t lastDigitTime = 0;
    uint32_t lastPoll = 0;
    uint32_t lastFrame = 0;  // system time of the last frame prepared
    bool frameRequested = true;
    uint32_t fpsWindowStart = 0;
    int32_t fpsFrames = 0;
    int32_t framesPerSecond = 0;
    int32_t reloadCount = 0;
};
