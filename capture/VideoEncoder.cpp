#include "capture/VideoEncoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace {

// --- ffmpeg as a child process ------------------------------------------
// The only code of the capture that makes, waits for and ends processes.

// Starts `arguments` (the program first, looked up on PATH) with `input` as
// its standard input, in a process group of its own: a Ctrl-C at the
// terminal then reaches the capture alone, which stops ffmpeg itself.
// 0, or the error number of the failure.
int StartChild(const std::vector<std::string>& arguments, int input, pid_t& child) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // `input` becomes the standard input; dup2 clears its close-on-exec
    // flag, and the original closes on exec.
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) child = -1;
    return spawned;
}

// Waits for `child` to end: its exit status, or -1 when it did not exit
// normally. While it runs, `stopRequested` (when given) is asked every
// 10 ms; once it says so, the child is asked to end, and killed when it
// has not within two seconds.
int WaitForChild(pid_t child, bool (*stopRequested)()) {
    constexpr timespec kPoll{0, 10 * 1000 * 1000};
    constexpr int kPollsBeforeKill = 200;
    int status = 0;
    int pollsSinceStop = -1;
    for (;;) {
        const pid_t waited = waitpid(child, &status, stopRequested ? WNOHANG : 0);
        if (waited == child) break;
        if (waited < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (pollsSinceStop < 0 && stopRequested()) {
            kill(child, SIGTERM);
            pollsSinceStop = 0;
        } else if (pollsSinceStop >= 0 && ++pollsSinceStop == kPollsBeforeKill) {
            kill(child, SIGKILL);
        }
        nanosleep(&kPoll, nullptr);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Ends `child` at once and waits for it.
void EndChild(pid_t child) {
    kill(child, SIGTERM);
    WaitForChild(child, nullptr);
}

long OwnProcessId() { return static_cast<long>(getpid()); }

// Whether a process `id` still runs (one of another user's counts).
bool ProcessRuns(long id) {
    return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

// --- names ----------------------------------------------------------------

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
        arguments.insert(arguments.end(), {"-f", "concat", "-safe", "0", "-i", "file:" + settings.concatList});
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
    const int reserved = open(partialPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (reserved < 0) {
        error = "cannot create " + partialPath + ": " + std::strerror(errno);
        return false;
    }
    close(reserved);
    started = true;

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        Abandon();
        return false;
    }
    const int spawned = StartChild(FfmpegArguments(settings, partialPath), ends[0], child);
    close(ends[0]);
    if (spawned != 0) {
        close(ends[1]);
        if (spawned == ENOENT) {
            error = "ffmpeg is not installed (or not on PATH); install it with: "
                    "sudo apt-get install ffmpeg";
        } else {
            error = std::string("cannot start ffmpeg: ") + std::strerror(spawned);
        }
        Abandon();
        return false;
    }
    pipeToChild = ends[1];
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

void VideoEncoder::ClosePipe() {
    if (pipeToChild >= 0) {
        close(pipeToChild);
        pipeToChild = -1;
    }
}

bool VideoEncoder::Finish(std::string& error) {
    if (!started || finished || child < 0) {
        error = "ffmpeg is not running";
        return false;
    }
    ClosePipe();
    const int status = WaitForChild(child, stopRequested);
    child = -1;
    finished = true;
    struct stat written {};
    if (stopRequested && stopRequested()) {
        error = "stopped before ffmpeg had finished";
    } else if (status != 0) {
        error = DescribeExit(status);
    } else if (stat(partialPath.c_str(), &written) != 0 || written.st_size == 0) {
        error = "ffmpeg ended without error but wrote no video";
    } else if (std::rename(partialPath.c_str(), settings.output.c_str()) != 0) {
        error = "cannot rename " + partialPath + " to " + settings.output + ": " +
                std::strerror(errno);
    } else {
        return true;
    }
    unlink(partialPath.c_str());
    return false;
}

void VideoEncoder::Cancel(std::string& error) {
    error.clear();
    if (!started || finished) return;
    ClosePipe();
    if (child >= 0) {
        const int status = WaitForChild(child, stopRequested);
        child = -1;
        if (status != 0) error = DescribeExit(status);
    }
    unlink(partialPath.c_str());
    finished = true;
}

void VideoEncoder::Abandon() {
    if (!started || finished) return;
    ClosePipe();
    if (child >= 0) {
        EndChild(child);
        child = -1;
    }
    unlink(partialPath.c_str());
    finished = true;
}
