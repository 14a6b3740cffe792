// The music as the preview drives it: paused and played from any time, and
// asked where it is so that the preview's clock can follow it.
//
// The preview talks to this interface; KaSoundsPreviewMusic puts it over the
// show's music player, and tests use a double.
#pragma once

#include <cstdint>

class KaSounds;

class PreviewMusic {
public:
    virtual ~PreviewMusic() = default;
    // True while the music plays; its position is then the show's time.
    virtual bool IsPlaying() = 0;
    // Where the music is, in milliseconds; -1 when it cannot tell.
    virtual int64_t PositionMilliseconds() = 0;
    // Holds the music where it is.
    virtual void Pause() = 0;
    // Moves the music to `milliseconds` and plays it from there. Music that
    // is shorter plays nothing.
    virtual void PlayFrom(uint32_t milliseconds) = 0;
};

class KaSoundsPreviewMusic : public PreviewMusic {
public:
    explicit KaSoundsPreviewMusic(KaSounds& music) : music(music) {}
    bool IsPlaying() override;
    int64_t PositionMilliseconds() override;
    void Pause() override;
    void PlayFrom(uint32_t milliseconds) override;

private:
    KaSounds& music;
};
