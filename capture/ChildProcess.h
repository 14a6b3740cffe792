// A program run as a child process that reads, through a pipe on its
// standard input, what we write to it; its standard error is ours, and its
// standard output either ours or read into a string. The capture feeds
// ffmpeg so and reads ffprobe's findings so, and this unit is the only code
// of the capture that makes, waits for and ends processes. Each system has its own
// implementation (ChildProcessPosix.cpp, ChildProcessWin32.cpp); the
// compiler's target picks one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess();
    // Ends a child that still runs, as Terminate does.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    enum class StartResult { Started, NotFound, Failed };
    // Where the child's standard output goes: to ours, or into Output().
    enum class StandardOutput { Ours, Read };
    // Starts the program `arguments[0]`, looked up on PATH (on Windows as
    // NAME.exe), with the rest as its arguments, in a process group of its
    // own: a Ctrl-C at the terminal then reaches us alone, and we stop the
    // child ourselves. When it is not Started, `error` says why.
    StartResult Start(const std::vector<std::string>& arguments, std::string& error,
                      StandardOutput output = StandardOutput::Ours);
    // True from a successful Start until the child has been waited for.
    bool Running() const;
    // Writes all `size` bytes to the child; false once it has stopped
    // reading (the program goes on, on POSIX systems once SIGPIPE is
    // ignored).
    bool Write(const uint8_t* data, size_t size);
    // Closes the pipe, waits for the child to end and returns its exit
    // status: -1 when none runs or it did not exit normally. While it runs,
    // `stopRequested` (when given) is asked every 10 ms; once it says so,
    // the child is asked to end (SIGTERM) and killed when it has not within
    // two seconds. Windows has no request to end that every program hears,
    // so there the child is ended at once. Its standard output, when it is
    // read, is read meanwhile.
    int Wait(bool (*stopRequested)() = nullptr);
    // Ends the child at once and waits for it.
    void Terminate();

    // With StandardOutput::Read, what the child wrote to its standard
    // output, read while Wait waits: its first kMaxOutputBytes, the rest
    // read and dropped.
    const std::string& Output() const { return output; }
    static constexpr size_t kMaxOutputBytes = 64 * 1024;

private:
    struct Native;
    std::unique_ptr<Native> native;
    std::string output;

    void KeepOutput(const char* bytes, size_t size) {
        output.append(bytes, std::min(size, kMaxOutputBytes - std::min(kMaxOutputBytes, output.size())));
    }
};

// This process's id, and whether the process `id` still runs (also when it
// is another user's).
long OwnProcessId();
bool ProcessRuns(long id);

// Processor time used so far by this process's threads and by its children
// that have been waited for, in seconds.
double ProcessorSeconds();

// `arguments` as one Windows command line, quoted so that the C library's
// parsing of the child gives back each argument unchanged.
std::string WindowsCommandLine(const std::vector<std::string>& arguments);
