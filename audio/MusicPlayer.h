// The operations the show needs from its music player: open the script's
// music, start it from its beginning, and move it to a time.
//
// The player reports its own failures; callers do not look at the results.
#pragma once

#include <cstdint>

class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    // Opens the music file at `path` as the one stream to play.
    virtual bool LoadStream(const char* path) = 0;
    // Plays the stream from its beginning.
    virtual void Play() = 0;
    // Moves the stream to `milliseconds` from its beginning.
    virtual bool SetPosition(uint32_t milliseconds) = 0;
};
