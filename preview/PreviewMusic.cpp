#include "preview/PreviewMusic.h"

#include "audio/KaSounds.h"

bool KaSoundsPreviewMusic::IsPlaying() { return music.IsPlaying(); }

int64_t KaSoundsPreviewMusic::PositionMilliseconds() { return music.PositionMilliseconds(); }

void KaSoundsPreviewMusic::Pause() {
    if (music.IsPlaying()) music.Pause();
}

void KaSoundsPreviewMusic::PlayFrom(uint32_t milliseconds) {
    // A time past the music's end stops it; then there is nothing to play.
    if (!music.SetPosition(milliseconds)) {
        if (music.IsPlaying()) music.Pause();
        return;
    }
    if (!music.IsPlaying()) music.Resume();
}
