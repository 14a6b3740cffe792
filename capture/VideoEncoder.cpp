#include "capture/VideoEncoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

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
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end becomes ffmpeg's standard input; dup2 clears its
    // close-on-exec flag, and both original ends close on exec.
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);

    const std::vector<std::string> arguments = FfmpegArguments(settings, partialPath);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (spawned != 0) {
        close(ends[1]);
        child = -1;
        if (spawned == ENOENT) {
            error = "ffmpeg is not installed (or not on PATH); install it with: "
                    "sudo apt-get install ffmpeg";
        } else {
            error = std::string("cannot start ffmpeg: ") + std::strerror(spawned);
        }
        return false;
    }
    pipeToChild = ends[1];
    started = true;
    return true;
}

bool VideoEncoder::WriteFrame(const uint8_t* pixels, uint64_t) {
    if (pipeToChild < 0) return false;
    size_t done = 0;
    while (done < frameBytes) {
        const ssize_t wrote = write(pipeToChild, pixels + done, frameBytes - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;  // EPIPE: ffmpeg has stopped; Finish tells why
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

int VideoEncoder::WaitForChild() {
    if (child < 0) return -1;
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    child = -1;
    if (waited < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool VideoEncoder::Finish(std::string& error) {
    if (!started || finished) {
        error = "ffmpeg is not running";
        return false;
    }
    if (pipeToChild >= 0) {
        close(pipeToChild);
        pipeToChild = -1;
    }
    const int status = WaitForChild();
    finished = true;
    if (status != 0) {
        error = DescribeExit(status);
        unlink(partialPath.c_str());
        return false;
    }
    if (std::rename(partialPath.c_str(), settings.output.c_str()) != 0) {
        error = "cannot rename " + partialPath + " to " + settings.output + ": " +
                std::strerror(errno);
        unlink(partialPath.c_str());
        return false;
    }
    return true;
}

void VideoEncoder::Cancel(std::string& error) {
    error.clear();
    if (!started || finished) return;
    if (pipeToChild >= 0) {
        close(pipeToChild);
        pipeToChild = -1;
    }
    const int status = WaitForChild();
    if (status != 0) error = DescribeExit(status);
    unlink(partialPath.c_str());
    finished = true;
}

void VideoEncoder::Abandon() {
    if (pipeToChild >= 0) {
        close(pipeToChild);
        pipeToChild = -1;
    }
    if (child >= 0) {
        kill(child, SIGTERM);
        WaitForChild();
    }
    unlink(partialPath.c_str());
    finished = true;
}
