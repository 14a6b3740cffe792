// The music player the capture gives the show: it remembers which file the
// script's LoadMusic opened, and whether it opened, so that the capture can
// mux that file into its video. It opens the file with the real player, so
// that an unreadable music file is reported exactly as the show reports it,
// but never plays it: the capture takes its sound from the file itself.
#pragma once

#include <string>

#include "audio/MusicPlayer.h"

class MusicPathRecorder : public MusicPlayer {
public:
    // `opener` may be null: then every file counts as opened.
    explicit MusicPathRecorder(MusicPlayer* opener) : opener(opener) {}

    bool LoadStream(const char* path) override {
        this->path = path ? path : "";
        opened = opener ? opener->LoadStream(path) : true;
        return opened;
    }
    std::string LoadProblem() const override { return opener ? opener->LoadProblem() : std::string(); }
    void Play() override {}
    bool SetPosition(uint32_t) override { return true; }

    // The path of the last LoadStream; empty when the script has no music.
    const std::string& Path() const { return path; }
    bool HasMusic() const { return !path.empty(); }
    // Whether the last LoadStream succeeded.
    bool Opened() const { return opened; }

private:
    MusicPlayer* opener;
    std::string path;
    bool opened = false;
};
