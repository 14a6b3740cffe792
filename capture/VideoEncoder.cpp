#include "capture/VideoEncoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

#if defined(_WIN32)
constexpr const char* kFfmpegMissing =
    "ffmpeg.exe is not on PATH; put the folder that holds ffmpeg.exe on PATH, or capture PNG "
    "frames with --frames DIR";
#else
constexpr const char* kFfmpegMissing =
    "ffmpeg is not installed (or not on PATH); install it with: sudo apt-get install ffmpeg";
#endif

// Where the file name's extension starts, or npos without one. A leading
// dot (".mp4" as a whole name) is not an extension.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart || dot + 1 == path.size()) {
        return std::string::npos;
    }
    return dot;
}

std::string DescribeExit(int status) {
    return status < 0 ? "ffmpeg did not finish normally"
                      : "ffmpeg failed with exit status " + std::to_string(status);
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

}  // namespace

std::string PartialVideoPath(const std::string& output) {
    const size_t extension = ExtensionStart(output);
    if (extension == std::string::npos) return output + ".partial";
    return output.substr(0, extension) + ".partial" + output.substr(extension);
}

std::vector<std::string> FfmpegArguments(const VideoSettings& settings,
                                         const std::string& partialPath) {
    const double duration = static_cast<double>(settings.frameCount) / settings.fps;
    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    // "file:" keeps ffmpeg from reading a name as an option or a protocol.
    std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size,
        "-framerate", std::to_string(settings.fps), "-i", "pipe:0"};
    const bool music = !settings.musicPath.empty();
    if (music) {
        arguments.insert(arguments.end(),
                         {"-ss", Seconds(settings.musicStart / 1000.0), "-t", Seconds(duration),
                          "-i", "file:" + settings.musicPath});
    }
    arguments.insert(arguments.end(), {"-map", "0:v:0"});
    if (music) arguments.insert(arguments.end(), {"-map", "1:a:0"});
    // The frames arrive bottom row first, as GL reads them.
    arguments.insert(arguments.end(), {"-vf", "vflip", "-c:v", "libx264", "-preset", "veryfast",
                                       "-crf", "18", "-pix_fmt", "yuv420p"});
    if (music) {
        // Music that ends before the video is padded with silence, so that
        // sound and picture always last equally long.
        arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "192k", "-af",
                                           "apad=whole_dur=" + Seconds(duration)});
    }
    if (ExtensionStart(settings.output) == std::string::npos) {
        arguments.insert(arguments.end(), {"-f", "mp4"});
    }
    arguments.push_back("file:" + partialPath);
    return arguments;
}

VideoEncoder::VideoEncoder(VideoSettings settings)
    : settings(std::move(settings)),
      partialPath(PartialVideoPath(this->settings.output)),
      frameBytes(static_cast<size_t>(this->settings.width) * this->settings.height * 3) {}

VideoEncoder::~VideoEncoder() {
    if (started && !finished) Abandon();
}

bool VideoEncoder::Start(std::string& error) {
    switch (ffmpeg.Start(FfmpegArguments(settings, partialPath), error)) {
        case ChildProcess::StartResult::Started:
            started = true;
            return true;
        case ChildProcess::StartResult::NotFound:
            error = kFfmpegMissing;
            return false;
        case ChildProcess::StartResult::Failed:
            return false;
    }
    return false;
}

bool VideoEncoder::WriteFrame(const uint8_t* pixels, uint64_t) {
    // False once ffmpeg has stopped reading; Finish tells why.
    return ffmpeg.Write(pixels, frameBytes);
}

bool VideoEncoder::Finish(std::string& error) {
    if (!started || finished) {
        error = "ffmpeg is not running";
        return false;
    }
    const int status = ffmpeg.Wait();
    finished = true;
    if (status != 0) {
        error = DescribeExit(status);
        std::remove(partialPath.c_str());
        return false;
    }
    if (std::rename(partialPath.c_str(), settings.output.c_str()) != 0) {
        error = "cannot rename " + partialPath + " to " + settings.output + ": " +
                std::strerror(errno);
        std::remove(partialPath.c_str());
        return false;
    }
    return true;
}

void VideoEncoder::Cancel(std::string& error) {
    error.clear();
    if (!started || finished) return;
    const int status = ffmpeg.Wait();
    if (status != 0) error = DescribeExit(status);
    std::remove(partialPath.c_str());
    finished = true;
}

void VideoEncoder::Abandon() {
    ffmpeg.Terminate();
    std::remove(partialPath.c_str());
    finished = true;
}
