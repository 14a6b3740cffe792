#include "capture/VideoEncoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "capture/VideoProbe.h"
#include "platform/MoveIntoPlace.h"

namespace {

#if defined(_WIN32)
constexpr const char* kFfmpegMissing =
    "ffmpeg.exe is not on PATH; put the folder that holds ffmpeg.exe on PATH, or capture PNG "
    "frames with --frames DIR";
// Not handed down to ffmpeg; written as bytes.
constexpr int kOwnFile = O_NOINHERIT | O_BINARY;
constexpr const char* kFolderSeparators = "/\\";
#else
constexpr const char* kFfmpegMissing =
    "ffmpeg is not installed (or not on PATH); install it with: sudo apt-get install ffmpeg";
constexpr int kOwnFile = O_CLOEXEC;
constexpr const char* kFolderSeparators = "/";
#endif

// Where the file name's extension starts, or npos without one. A leading
// dot (".mp4" as a whole name) is not an extension.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.find_last_of(kFolderSeparators);
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart || dot + 1 == path.size()) {
        return std::string::npos;
    }
    return dot;
}

// A temporary file's name is head + owner's process id + tail.
struct PartialName {
    std::string head;  // OUTPUT up to its extension, then ".partial-"
    std::string tail;  // OUTPUT's extension, with its dot; empty without
};

PartialName PartialNameOf(const std::string& output) {
    const size_t extension = ExtensionStart(output);
    if (extension == std::string::npos) return {output + ".partial-", ""};
    return {output.substr(0, extension) + ".partial-", output.substr(extension)};
}

// Removes the temporary files beside `output` whose owner has ended. This
// process has not made its own yet, so one named after it is an old one.
void RemoveStalePartials(const std::string& output) {
    namespace fs = std::filesystem;
    const PartialName partial = PartialNameOf(output);
    const fs::path head(partial.head);
    const std::string headName = head.filename().string();
    const fs::path folder = head.has_parent_path() ? head.parent_path() : fs::path(".");
    std::error_code failure;
    for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end;
         entry.increment(failure)) {
        const std::string name = entry->path().filename().string();
        if (name.size() <= headName.size() + partial.tail.size() ||
            name.compare(0, headName.size(), headName) != 0 ||
            name.compare(name.size() - partial.tail.size(), partial.tail.size(), partial.tail) != 0) {
            continue;
        }
        const std::string owner =
            name.substr(headName.size(), name.size() - headName.size() - partial.tail.size());
        if (owner.size() > 9 || owner.find_first_not_of("0123456789") != std::string::npos) continue;
        const long id = std::stol(owner);
        if (id == OwnProcessId() || !ProcessRuns(id)) {
            std::error_code ignored;
            fs::remove(entry->path(), ignored);
        }
    }
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

std::string PartialVideoPath(const std::string& output, long owner) {
    const PartialName partial = PartialNameOf(output);
    return partial.head + std::to_string(owner) + partial.tail;
}

bool PrepareVideoOutput(const std::string& output, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::path path(output);
    if (fs::is_directory(path, failure)) {
        error = output + " is a folder: give the video a file name";
        return false;
    }
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), failure);
        if (failure) {
            error = "cannot create the folder " + path.parent_path().string() + ": " +
                    failure.message();
            return false;
        }
    }
    RemoveStalePartials(output);
    return true;
}

std::vector<std::string> FfmpegArguments(const VideoSettings& settings,
                                         const std::string& partialPath) {
    const double duration = static_cast<double>(settings.frameCount) / settings.fps;
    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    // "file:" keeps ffmpeg from reading a name as an option or a protocol.
    std::vector<std::string> arguments = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y"};
    const bool joining = !settings.concatList.empty();
    if (joining) {
        // The list comes down the pipe and names files by absolute path.
        arguments.insert(arguments.end(), {"-f", "concat", "-safe", "0", "-protocol_whitelist", "file,pipe",
                                           "-i", "pipe:0"});
    } else {
        arguments.insert(arguments.end(), {"-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size,
                                           "-framerate", std::to_string(settings.fps), "-i", "pipe:0"});
    }
    const bool music = !settings.musicPath.empty();
    if (music) {
        arguments.insert(arguments.end(),
                         {"-ss", Seconds(settings.musicStart / 1000.0), "-t", Seconds(duration),
                          "-i", "file:" + settings.musicPath});
    }
    arguments.insert(arguments.end(), {"-map", "0:v:0"});
    if (music) arguments.insert(arguments.end(), {"-map", "1:a:0"});
    if (joining) {
        arguments.insert(arguments.end(), {"-c:v", "copy"});
    } else {
        // The frames arrive bottom row first, as GL reads them.
        arguments.insert(arguments.end(), {"-vf", "vflip", "-c:v", "libx264", "-preset", "veryfast",
                                           "-crf", "18", "-pix_fmt", "yuv420p"});
    }
    if (music) {
        // Music that ends before the video is padded with silence, so that
        // sound and picture always last equally long.
        arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "192k", "-af",
                                           "apad=whole_dur=" + Seconds(duration)});
    }
    if (!settings.comment.empty()) {
        arguments.insert(arguments.end(), {"-metadata", "comment=" + settings.comment});
    }
    if (ExtensionStart(settings.output) == std::string::npos) {
        arguments.insert(arguments.end(), {"-f", "mp4"});
    }
    arguments.push_back("file:" + partialPath);
    return arguments;
}

VideoEncoder::VideoEncoder(VideoSettings settings, bool (*stopRequested)())
    : settings(std::move(settings)),
      stopRequested(stopRequested),
      partialPath(PartialVideoPath(this->settings.output, OwnProcessId())),
      frameBytes(static_cast<size_t>(this->settings.width) * this->settings.height * 3) {}

VideoEncoder::~VideoEncoder() {
    if (started && !finished) Abandon();
}

bool VideoEncoder::Start(std::string& error) {
    // The name is taken before ffmpeg writes to it: no other capture, and
    // no file already there, is written over.
    const int reserved = open(partialPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOwnFile, 0666);
    if (reserved < 0) {
        error = "cannot create " + partialPath + ": " + std::strerror(errno);
        return false;
    }
    close(reserved);
    started = true;

    switch (ffmpeg.Start(FfmpegArguments(settings, partialPath), error)) {
        case ChildProcess::StartResult::Started:
            // The video is checked once made; the checker must be there.
            if (!FfprobeRuns(error)) break;
            if (!settings.concatList.empty() &&
                !ffmpeg.Write(reinterpret_cast<const uint8_t*>(settings.concatList.data()),
                              settings.concatList.size())) {
                error = "ffmpeg stopped before it had read the list of videos to join";
                break;
            }
            return true;
        case ChildProcess::StartResult::NotFound:
            error = kFfmpegMissing;
            break;
        case ChildProcess::StartResult::Failed:
            break;
    }
    Abandon();
    return false;
}

bool VideoEncoder::WriteFrame(const uint8_t* pixels, uint64_t) {
    // False once ffmpeg has stopped; Finish tells why.
    return ffmpeg.Write(pixels, frameBytes);
}

bool VideoEncoder::Finish(std::string& error) {
    namespace fs = std::filesystem;
    if (!started || finished || !ffmpeg.Running()) {
        error = "ffmpeg is not running";
        return false;
    }
    const int status = ffmpeg.Wait(stopRequested);
    finished = true;
    std::error_code failure;
    if (stopRequested && stopRequested()) {
        error = "stopped before ffmpeg had finished";
    } else if (status != 0) {
        error = DescribeExit(status);
    } else if (const uintmax_t size = fs::file_size(partialPath, failure); failure || size == 0) {
        error = "ffmpeg ended without error but wrote no video";
    } else if (!CheckVideo(error)) {
        if (stopRequested && stopRequested()) error = "stopped before the video was checked";
    } else if (const int moveError = MoveIntoPlace(partialPath.c_str(), settings.output.c_str()); moveError != 0) {
        error = "cannot rename " + partialPath + " to " + settings.output + ": " + std::strerror(moveError);
    } else {
        return true;
    }
    std::remove(partialPath.c_str());
    return false;
}

bool VideoEncoder::CheckVideo(std::string& error) const {
    VideoFacts facts;
    std::string why;
    if (ProbeVideo(partialPath, facts, why, stopRequested) &&
        HasFrames(facts, settings.frameCount, settings.fps, why)) {
        return true;
    }
    error = "ffmpeg ended without error, but the video it made is not whole (is the disk full?): " + why +
            "; " + settings.output + " was not replaced";
    return false;
}

void VideoEncoder::Cancel(std::string& error) {
    error.clear();
    if (!started || finished) return;
    if (ffmpeg.Running()) {
        const int status = ffmpeg.Wait(stopRequested);
        if (status != 0) error = DescribeExit(status);
    }
    std::remove(partialPath.c_str());
    finished = true;
}

void VideoEncoder::Abandon() {
    if (!started || finished) return;
    ffmpeg.Terminate();
    std::remove(partialPath.c_str());
    finished = true;
}
