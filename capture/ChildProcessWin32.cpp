// The child process on Windows: CreateProcess with an anonymous pipe.
#if defined(_WIN32)

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

#include "capture/ChildProcess.h"

namespace {

// Processor time of the children waited for, in 100-ns steps.
std::atomic<uint64_t> endedChildrenSteps{0};

uint64_t Steps(const FILETIME& time) {
    return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

uint64_t ProcessorStepsOf(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return Steps(kernel) + Steps(user);
}

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

// The program file NAME.exe in one of PATH's folders, or "" when none has it.
std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path || !*path) return "";
    char found[MAX_PATH];
    const DWORD length = SearchPathA(path, name.c_str(), ".exe", MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(found, length) : "";
}

}  // namespace

struct ChildProcess::Native {
    HANDLE pipe = nullptr;
    HANDLE output = nullptr;  // the read end of the child's standard output
    HANDLE process = nullptr;

    void ClosePipe() {
        if (pipe) CloseHandle(pipe);
        pipe = nullptr;
    }
    void CloseOutput() {
        if (output) CloseHandle(output);
        output = nullptr;
    }
};

namespace {

// Reads what the child has written so far into `keep`, without waiting,
// closing `pipe` at its end.
template <typename Keep>
void ReadAvailable(HANDLE& pipe, Keep keep) {
    char buffer[4096];
    while (pipe) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            CloseHandle(pipe);  // the child's end is closed: all is read
            pipe = nullptr;
            return;
        }
        if (available == 0) return;
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr)) {
            CloseHandle(pipe);
            pipe = nullptr;
            return;
        }
        keep(buffer, got);
    }
}

}  // namespace

ChildProcess::ChildProcess() : native(std::make_unique<Native>()) {}

ChildProcess::~ChildProcess() { Terminate(); }

ChildProcess::StartResult ChildProcess::Start(const std::vector<std::string>& arguments,
                                              std::string& error, StandardOutput outputTo) {
    output.clear();
    const std::string program = FindOnPath(arguments[0]);
    if (program.empty()) {
        error = "cannot find " + arguments[0] + ".exe on PATH";
        return StartResult::NotFound;
    }
    // Only the read end is inherited, so that the child sees the end of its
    // input once we close the write end.
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0) ||
        !SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0)) {
        error = "cannot make a pipe to " + arguments[0] + ": " + SystemMessage(GetLastError());
        if (readEnd) CloseHandle(readEnd);
        if (writeEnd) CloseHandle(writeEnd);
        return StartResult::Failed;
    }
    // Its output, when read, the other way round: only the write end is
    // inherited.
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    if (outputTo == StandardOutput::Read &&
        (!CreatePipe(&outputRead, &outputWrite, &inherited, 0) ||
         !SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0))) {
        error = "cannot make a pipe from " + arguments[0] + ": " + SystemMessage(GetLastError());
        for (const HANDLE handle : {readEnd, writeEnd, outputRead, outputWrite}) {
            if (handle) CloseHandle(handle);
        }
        return StartResult::Failed;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = outputWrite ? outputWrite : GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = WindowsCommandLine(arguments);
    PROCESS_INFORMATION child{};
    // A group of its own, which Ctrl-C at the console does not reach.
    const bool created = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                                        &child) != 0;
    const DWORD failure = GetLastError();
    CloseHandle(readEnd);
    if (outputWrite) CloseHandle(outputWrite);
    if (!created) {
        CloseHandle(writeEnd);
        if (outputRead) CloseHandle(outputRead);
        error = "cannot start " + program + ": " + SystemMessage(failure);
        return StartResult::Failed;
    }
    CloseHandle(child.hThread);
    native->process = child.hProcess;
    native->pipe = writeEnd;
    native->output = outputRead;
    return StartResult::Started;
}

bool ChildProcess::Write(const uint8_t* data, size_t size) {
    if (!native->pipe) return false;
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        DWORD wrote = 0;
        // Fails once the child has closed its end.
        if (!WriteFile(native->pipe, data + done, chunk, &wrote, nullptr)) return false;
        done += wrote;
    }
    return true;
}

bool ChildProcess::Running() const { return native->process != nullptr; }

int ChildProcess::Wait(bool (*stopRequested)()) {
    native->ClosePipe();
    const auto keep = [this](const char* bytes, size_t size) { KeepOutput(bytes, size); };
    if (!native->process) {
        native->CloseOutput();
        return -1;
    }
    constexpr DWORD kPollMilliseconds = 10;
    DWORD waited;
    for (;;) {
        // A child whose output is read is looked at often, so that a full
        // pipe never holds it up.
        const bool polling = stopRequested || native->output;
        waited = WaitForSingleObject(native->process, polling ? kPollMilliseconds : INFINITE);
        ReadAvailable(native->output, keep);
        if (waited != WAIT_TIMEOUT) break;
        if (stopRequested && stopRequested()) TerminateProcess(native->process, 1);
    }
    native->CloseOutput();
    DWORD status = 0;
    const bool ended =
        waited == WAIT_OBJECT_0 && GetExitCodeProcess(native->process, &status) != 0;
    endedChildrenSteps += ProcessorStepsOf(native->process);
    CloseHandle(native->process);
    native->process = nullptr;
    return ended ? static_cast<int>(status) : -1;
}

void ChildProcess::Terminate() {
    native->ClosePipe();
    if (!native->process) return;
    TerminateProcess(native->process, 1);
    Wait();
}

long OwnProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool ProcessRuns(long id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    // One that we may not look at runs all the same.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

double ProcessorSeconds() {
    return (ProcessorStepsOf(GetCurrentProcess()) + endedChildrenSteps) * 1e-7;
}

#endif
