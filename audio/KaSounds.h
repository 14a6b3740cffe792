// The show's music player: one music stream from the audio library, opened
// from the script, started when the show starts and moved to the show's
// start position.
//
// Construction opens the default sound output, or the no-sound device when
// that fails, without a word; destruction frees the library. A stream that
// cannot be opened is reported in an error box that names the operation and
// the library's error.
#pragma once

#include <cstdint>
#include <string>

#include "audio/AudioLibrary.h"
#include "audio/MusicPlayer.h"

class MessageBoxes;

class KaSounds : public MusicPlayer {
public:
    static constexpr uint32_t kFrequency = 44100;

    KaSounds(AudioLibrary& library, MessageBoxes& boxes);
    ~KaSounds() override;

    KaSounds(const KaSounds&) = delete;
    KaSounds& operator=(const KaSounds&) = delete;

    // Opens the music file at `path` in place of the current stream, which
    // stays with the library until it is freed. False, after an error box
    // when the library names an error, when the file cannot be opened.
    bool LoadStream(const char* path) override;
    std::string LoadProblem() const override { return loadProblem; }
    // Plays the stream from its beginning; a missing stream plays nothing.
    void Play() override;
    // Moves the stream to `milliseconds`; the library's answer.
    bool SetPosition(uint32_t milliseconds) override;

    // Holds the stream where it is; the library's answer.
    bool Pause();
    // Plays the stream on from where it stands; the library's answer.
    bool Resume();
    // True while the stream plays: not paused, not over, and open.
    bool IsPlaying();
    // Where the stream is, in whole milliseconds; -1 when no stream is open
    // or the library cannot tell.
    int64_t PositionMilliseconds();
    // How long the stream plays, in whole milliseconds; -1 when no stream is
    // open or the library cannot tell.
    int64_t DurationMilliseconds();

    // The current stream; 0 when none is open.
    AudioLibrary::StreamHandle Stream() const { return stream; }

private:
    // Shows the library's last error, if it has one, as a failure of
    // `operation`.
    void ReportError(const char* operation);

    AudioLibrary& library;
    MessageBoxes& boxes;
    AudioLibrary::StreamHandle stream = 0;
    std::string loadProblem;
};

// The user's description of a library error code; empty for the codes the
// user is not told about.
const char* AudioErrorDescription(int32_t code);
