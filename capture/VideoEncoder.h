// Encodes the captured frames into a video with Debian's ffmpeg, run as a
// child process that reads raw RGB frames from a pipe on its standard input:
// H.264 in yuv420p at the capture's frame rate, and the show's music from
// the capture's start, cut to the video's length, as AAC.
//
// The video is written to a temporary file of this capture's own beside
// OUTPUT, created exclusively and named after the capture's process id, and
// renamed to OUTPUT only once ffmpeg has finished it without error and
// ffprobe finds in it every frame, at the frame rate, for the length they
// make (ffmpeg exits with 0 from a full disk, leaving a video without its
// index). So a failed or stopped capture never leaves a truncated
// OUTPUT behind or destroys an older one, and two captures into the same
// OUTPUT do not write into one file: the one that finishes last gives
// OUTPUT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/ChildProcess.h"
#include "capture/FrameRing.h"

struct VideoSettings {
    std::string output;  // the video file; its extension picks the container
    int width = 0;
    int height = 0;
    uint32_t fps = 60;
    uint64_t frameCount = 0;
    std::string musicPath;    // empty: a video without sound
    uint32_t musicStart = 0;  // ms into the music of the first frame
    // Not empty: no frames are sent; the picture is the videos that this
    // ffconcat list (its text, sent down the pipe) names, one after the
    // other, copied without encoding again (their sound is left out).
    std::string concatList;
    std::string comment;  // the file's comment; empty: none
};

// The fewest frames a video needs to be joined to others by copying: the
// encoder stores frames up to two places out of the order shown, and a
// shorter video starts its decoding times elsewhere, which breaks the
// joined video's time stamps.
constexpr uint64_t kFewestFramesToJoin = 3;

// The temporary file of the capture run by process `owner`: OUTPUT with
// ".partial-OWNER" before its extension ("show.partial-4711.mp4"), or after
// the name without one.
std::string PartialVideoPath(const std::string& output, long owner);

// Readies OUTPUT's place before anything is drawn: makes its folder when it
// is missing, refuses an OUTPUT that is a folder, and removes the temporary
// files beside it that captures whose process is gone have left. False,
// with `error` saying why, when OUTPUT cannot be written there.
bool PrepareVideoOutput(const std::string& output, std::string& error);

// ffmpeg's whole command line, program name first, writing to `partialPath`.
std::vector<std::string> FfmpegArguments(const VideoSettings& settings,
                                         const std::string& partialPath);

class VideoEncoder : public FrameSink {
public:
    // `stopRequested`, when given, is asked while Finish waits for ffmpeg;
    // once it says so, ffmpeg is stopped and nothing replaces OUTPUT.
    explicit VideoEncoder(VideoSettings settings, bool (*stopRequested)() = nullptr);
    // Stops ffmpeg and removes the partial file unless Finish or Cancel ran.
    ~VideoEncoder() override;

    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Creates the partial file and starts ffmpeg; false, with `error` saying
    // why (and how to install ffmpeg when it or ffprobe is missing), when it
    // cannot.
    bool Start(std::string& error);
    // Sends one frame down the pipe; false once ffmpeg has stopped reading.
    bool WriteFrame(const uint8_t* pixels, uint64_t index) override;
    // Closes the pipe, waits for ffmpeg, checks the video and moves it into
    // place. False, with `error` saying why, when ffmpeg failed, wrote
    // nothing or not the video asked for, or was stopped.
    bool Finish(std::string& error);
    // Closes the pipe, waits for ffmpeg and removes the partial video, for a
    // capture that did not get all its frames to ffmpeg. `error` says how
    // ffmpeg ended when it failed, and is left empty otherwise.
    void Cancel(std::string& error);
    // Stops ffmpeg at once and removes the partial video, for a capture
    // that was told to stop.
    void Abandon();

private:
    // Whether ffprobe finds the partial video to be the one asked for.
    bool CheckVideo(std::string& error) const;

    VideoSettings settings;
    bool (*stopRequested)();
    std::string partialPath;
    size_t frameBytes;
    ChildProcess ffmpeg;
    bool started = false;  // the partial file is ours
    bool finished = false;
};
