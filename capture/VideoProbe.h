// Reads what a finished video holds with ffprobe, which comes with ffmpeg:
// its first video stream's frame count, frame rate and duration, and the
// file's comment. ffmpeg can exit with 0 and leave a video that is not whole
// (a full disk loses the index written last), and joined videos can miss or
// repeat frames: the capture checks its output so before it replaces
// anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct VideoFacts {
    uint64_t frames = 0;     // packets of the video stream, one a frame
    std::string frameRate;   // as ffprobe writes it: "60/1"
    double seconds = -1.0;   // the video stream's duration; negative where the
                             // container states none (Matroska)
    std::string comment;
};

// ffprobe's whole command line for `path`, program name first.
std::vector<std::string> FfprobeArguments(const std::string& path);

// Reads ffprobe's key=value lines; false when they hold no video stream.
bool ReadVideoFacts(const std::string& text, VideoFacts& facts);

// Runs ffprobe on `path`. False, with `error` saying why, when ffprobe is
// missing, cannot read the file as a video (its own message is then on
// standard error), or `stopRequested` said to stop.
bool ProbeVideo(const std::string& path, VideoFacts& facts, std::string& error,
                bool (*stopRequested)() = nullptr);

// Whether ffprobe can be run; false, with `error` saying how to install it,
// when it cannot.
bool FfprobeRuns(std::string& error);

// Whether `facts` are those of `frames` frames at `fps`, lasting frames /
// fps seconds to within half a frame; false with `error` saying what
// differs.
bool HasFrames(const VideoFacts& facts, uint64_t frames, uint32_t fps, std::string& error);
