// The child process on POSIX systems: posix_spawnp with a pipe.
#if !defined(_WIN32)

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "capture/ChildProcess.h"

extern char** environ;

struct ChildProcess::Native {
    int pipe = -1;
    int output = -1;  // the read end of the child's standard output, non-blocking
    pid_t child = -1;

    void ClosePipe() {
        if (pipe >= 0) close(pipe);
        pipe = -1;
    }
    void CloseOutput() {
        if (output >= 0) close(output);
        output = -1;
    }
};

namespace {

// Reads what the child has written so far into `keep`, closing `fd` at its
// end.
template <typename Keep>
void ReadAvailable(int& fd, Keep keep) {
    char buffer[4096];
    while (fd >= 0) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            keep(buffer, static_cast<size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && errno == EAGAIN) {
            return;
        } else {
            close(fd);
            fd = -1;
        }
    }
}

}  // namespace

ChildProcess::ChildProcess() : native(std::make_unique<Native>()) {}

ChildProcess::~ChildProcess() { Terminate(); }

ChildProcess::StartResult ChildProcess::Start(const std::vector<std::string>& arguments,
                                              std::string& error, StandardOutput outputTo) {
    output.clear();
    int ends[2];
    int outputEnds[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = "cannot make a pipe to " + arguments[0] + ": " + std::strerror(errno);
        return StartResult::Failed;
    }
    if (outputTo == StandardOutput::Read && pipe2(outputEnds, O_CLOEXEC) != 0) {
        error = "cannot make a pipe from " + arguments[0] + ": " + std::strerror(errno);
        close(ends[0]);
        close(ends[1]);
        return StartResult::Failed;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end becomes the child's standard input (and the write end of
    // the other pipe its output); dup2 clears their close-on-exec flag, and
    // the original ends close on exec.
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    if (outputEnds[1] >= 0) posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const int spawned =
        posix_spawnp(&native->child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (outputEnds[1] >= 0) close(outputEnds[1]);
    if (spawned != 0) {
        close(ends[1]);
        if (outputEnds[0] >= 0) close(outputEnds[0]);
        native->child = -1;
        error = "cannot start " + arguments[0] + ": " + std::strerror(spawned);
        return spawned == ENOENT ? StartResult::NotFound : StartResult::Failed;
    }
    native->pipe = ends[1];
    native->output = outputEnds[0];
    if (native->output >= 0) fcntl(native->output, F_SETFL, O_NONBLOCK);
    return StartResult::Started;
}

bool ChildProcess::Running() const { return native->child >= 0; }

bool ChildProcess::Write(const uint8_t* data, size_t size) {
    if (native->pipe < 0) return false;
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = write(native->pipe, data + done, size - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;  // EPIPE: the child has stopped reading
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

int ChildProcess::Wait(bool (*stopRequested)()) {
    native->ClosePipe();
    const auto keep = [this](const char* bytes, size_t size) { KeepOutput(bytes, size); };
    if (native->child < 0) {
        native->CloseOutput();
        return -1;
    }
    constexpr int kPollMilliseconds = 10;
    constexpr int kPollsBeforeKill = 200;
    const pid_t child = native->child;
    int status = 0;
    int pollsSinceStop = -1;
    for (;;) {
        const bool polling = stopRequested || native->output >= 0;
        const pid_t waited = waitpid(child, &status, polling ? WNOHANG : 0);
        if (waited == child) break;
        if (waited < 0) {
            if (errno == EINTR) continue;
            native->child = -1;
            native->CloseOutput();
            return -1;
        }
        if (stopRequested && pollsSinceStop < 0 && stopRequested()) {
            kill(child, SIGTERM);
            pollsSinceStop = 0;
        } else if (pollsSinceStop >= 0 && ++pollsSinceStop == kPollsBeforeKill) {
            kill(child, SIGKILL);
        }
        // Waits for the child's output, or for the next look.
        if (native->output >= 0) {
            pollfd readable{native->output, POLLIN, 0};
            poll(&readable, 1, kPollMilliseconds);
            ReadAvailable(native->output, keep);
        } else {
            const timespec pause{0, kPollMilliseconds * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
    }
    // What it wrote last is in the pipe.
    ReadAvailable(native->output, keep);
    native->CloseOutput();
    native->child = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::Terminate() {
    native->ClosePipe();
    if (native->child < 0) return;
    kill(native->child, SIGTERM);
    Wait();
}

long OwnProcessId() { return static_cast<long>(getpid()); }

bool ProcessRuns(long id) { return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM; }

double ProcessorSeconds() {
    double total = 0.0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec * 1e-6;
    }
    return total;
}

#endif
