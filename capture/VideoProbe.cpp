#include "capture/VideoProbe.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "capture/ChildProcess.h"

namespace {

#if defined(_WIN32)
constexpr const char* kFfprobeMissing =
    "ffprobe.exe, which checks the finished video, is not on PATH; put the folder that holds "
    "ffmpeg.exe and ffprobe.exe on PATH";
#else
constexpr const char* kFfprobeMissing =
    "ffprobe, which checks the finished video, is not installed (or not on PATH); install "
    "ffmpeg, which brings it: sudo apt-get install ffmpeg";
#endif

// A whole number of decimal digits only.
bool ReadWhole(const std::string& text, uint64_t& value) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

std::string Decimal(double value, int places) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

// Starts ffprobe with its output read; false, with `error` saying why
// (how to install it when it is missing), when it cannot.
bool StartFfprobe(ChildProcess& ffprobe, const std::vector<std::string>& arguments, std::string& error) {
    switch (ffprobe.Start(arguments, error, ChildProcess::StandardOutput::Read)) {
        case ChildProcess::StartResult::Started:
            return true;
        case ChildProcess::StartResult::NotFound:
            error = kFfprobeMissing;
            return false;
        case ChildProcess::StartResult::Failed:
            break;
    }
    return false;
}

}  // namespace

std::vector<std::string> FfprobeArguments(const std::string& path) {
    // Counting packets reads the file through without decoding it.
    return {"ffprobe", "-hide_banner", "-v", "error", "-select_streams", "v:0", "-count_packets",
            "-show_entries", "stream=nb_read_packets,r_frame_rate,duration:format_tags=comment",
            "-of", "default=noprint_wrappers=1", "file:" + path};
}

bool ReadVideoFacts(const std::string& text, VideoFacts& facts) {
    facts = VideoFacts();
    bool counted = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "nb_read_packets") {
            counted = ReadWhole(value, facts.frames);
        } else if (key == "r_frame_rate") {
            facts.frameRate = value;
        } else if (key == "duration") {
            char* stop = nullptr;
            const double seconds = std::strtod(value.c_str(), &stop);
            if (!value.empty() && *stop == '\0' && std::isfinite(seconds) && seconds >= 0) {
                facts.seconds = seconds;
            }
        } else if (key == "TAG:comment" || key == "TAG:COMMENT") {  // Matroska's tags are in capitals
            facts.comment = value;
        }
    }
    return counted && !facts.frameRate.empty();
}

bool ProbeVideo(const std::string& path, VideoFacts& facts, std::string& error,
                bool (*stopRequested)()) {
    ChildProcess ffprobe;
    if (!StartFfprobe(ffprobe, FfprobeArguments(path), error)) return false;
    const int status = ffprobe.Wait(stopRequested);
    if (stopRequested && stopRequested()) {
        error = "stopped while ffprobe read " + path;
    } else if (status != 0) {
        error = "ffprobe cannot read " + path + " as a video (its message is above)";
    } else if (!ReadVideoFacts(ffprobe.Output(), facts)) {
        error = "ffprobe finds no video stream in " + path;
    } else {
        return true;
    }
    return false;
}

bool FfprobeRuns(std::string& error) {
    ChildProcess ffprobe;
    if (!StartFfprobe(ffprobe, {"ffprobe", "-hide_banner", "-version"}, error)) return false;
    if (ffprobe.Wait() != 0) {
        error = "ffprobe -version failed; reinstall ffmpeg, which brings ffprobe";
        return false;
    }
    return true;
}

bool HasFrames(const VideoFacts& facts, uint64_t frames, uint32_t fps, std::string& error) {
    const double seconds = static_cast<double>(frames) / fps;
    if (facts.frames != frames) {
        error = "it holds " + std::to_string(facts.frames) + " frames, not " + std::to_string(frames);
    } else if (facts.frameRate != std::to_string(fps) + "/1") {
        error = "its frame rate is " + facts.frameRate + ", not " + std::to_string(fps) + "/1";
    } else if (facts.seconds >= 0 && std::fabs(facts.seconds - seconds) > 0.5 / fps) {
        error = "it lasts " + Decimal(facts.seconds, 3) + " s, not " + Decimal(seconds, 3) + " s";
    } else {
        return true;
    }
    return false;
}
