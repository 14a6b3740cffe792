// The operations the show needs from its music player: open the script's
// music, start it from its beginning, and move it to a time.
//
// The player reports its own failures; callers do not look at the results.
#pragma once

#include <cstdint>
#include <string>

class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    // Opens the music file at `path` as the one stream to play.
    virtual bool LoadStream(const char* path) = 0;
    // Why the last LoadStream failed, in words for the show's author (such
    // as "it is a folder"); empty when it did not fail or nobody knows.
    virtual std::string LoadProblem() const { return {}; }
    // Plays the stream from its beginning.
    virtual void Play() = 0;
    // Moves the stream to `milliseconds` from its beginning.
    virtual bool SetPosition(uint32_t milliseconds) = 0;
};

// A player that takes every file and plays nothing: for reading a script,
// or playing its timeline, without sound.
class SilentMusicPlayer : public MusicPlayer {
public:
    bool LoadStream(const char*) override { return true; }
    void Play() override {}
    bool SetPosition(uint32_t) override { return true; }
};
