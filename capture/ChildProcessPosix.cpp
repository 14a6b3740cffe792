// The child process on POSIX systems: posix_spawnp with a pipe.
#if !defined(_WIN32)

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "capture/ChildProcess.h"

extern char** environ;

struct ChildProcess::Native {
    int pipe = -1;
    pid_t child = -1;

    void ClosePipe() {
        if (pipe >= 0) close(pipe);
        pipe = -1;
    }
};

ChildProcess::ChildProcess() : native(std::make_unique<Native>()) {}

ChildProcess::~ChildProcess() { Terminate(); }

ChildProcess::StartResult ChildProcess::Start(const std::vector<std::string>& arguments,
                                              std::string& error) {
    // A child that stops reading closes the pipe; writing to it must report
    // EPIPE, not end the program.
    signal(SIGPIPE, SIG_IGN);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return StartResult::Failed;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The read end becomes the child's standard input; dup2 clears its
    // close-on-exec flag, and both original ends close on exec.
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const int spawned =
        posix_spawnp(&native->child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[0]);
    if (spawned != 0) {
        close(ends[1]);
        native->child = -1;
        error = std::string("cannot start ") + arguments[0] + ": " + std::strerror(spawned);
        return spawned == ENOENT ? StartResult::NotFound : StartResult::Failed;
    }
    native->pipe = ends[1];
    return StartResult::Started;
}

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

int ChildProcess::Wait() {
    native->ClosePipe();
    if (native->child < 0) return -1;
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(native->child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    native->child = -1;
    if (waited < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void ChildProcess::Terminate() {
    native->ClosePipe();
    if (native->child < 0) return;
    kill(native->child, SIGTERM);
    Wait();
}

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
