// Encodes the captured frames into a video with ffmpeg (Debian's; on
// Windows, ffmpeg.exe from PATH), run as a child process that reads raw RGB
// frames from a pipe on its standard input:
// H.264 in yuv420p at the capture's frame rate, and the show's music from
// the capture's start, cut to the video's length, as AAC.
//
// The video is written under a temporary name beside OUTPUT and renamed to
// OUTPUT only once ffmpeg has finished it, so a failed capture never leaves
// a truncated OUTPUT behind or destroys an older one.
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
};

// The file ffmpeg writes before the rename: OUTPUT with ".partial" before
// its extension ("show.partial.mp4"), or after the name without one.
std::string PartialVideoPath(const std::string& output);

// ffmpeg's whole command line, program name first, writing to `partialPath`.
std::vector<std::string> FfmpegArguments(const VideoSettings& settings,
                                         const std::string& partialPath);

class VideoEncoder : public FrameSink {
public:
    explicit VideoEncoder(VideoSettings settings);
    // Stops ffmpeg and removes the partial file unless Finish or Cancel ran.
    ~VideoEncoder() override;

    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Starts ffmpeg; false, with `error` saying why (and how to install
    // ffmpeg when it is missing), when it cannot be started.
    bool Start(std::string& error);
    // Sends one frame down the pipe; false once ffmpeg has stopped reading.
    bool WriteFrame(const uint8_t* pixels, uint64_t index) override;
    // Closes the pipe, waits for ffmpeg and moves the video into place.
    // False, with `error` saying why, when ffmpeg failed.
    bool Finish(std::string& error);
    // Closes the pipe, waits for ffmpeg and removes the partial video, for a
    // capture that did not get all its frames to ffmpeg. `error` says how
    // ffmpeg ended when it failed, and is left empty otherwise.
    void Cancel(std::string& error);

private:
    // Stops ffmpeg at once and removes the partial video.
    void Abandon();

    VideoSettings settings;
    std::string partialPath;
    size_t frameBytes;
    ChildProcess ffmpeg;
    bool started = false;  // ffmpeg ran, so the partial file is ours
    bool finished = false;
};
