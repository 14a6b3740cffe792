// A music player that plays nothing: it accepts every stream and keeps the
// path it was given. It stands in where no audio output is wanted.
#pragma once

#include <string>

#include "audio/MusicPlayer.h"

class StandInMusicPlayer : public MusicPlayer {
public:
    bool LoadStream(const char* path) override {
        streamPath = path;
        return true;
    }
    void Play() override {}
    bool SetPosition(uint32_t) override { return true; }

    const std::string& StreamPath() const { return streamPath; }

private:
    std::string streamPath;
};
