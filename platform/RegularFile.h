// Opening the show's input files. Each is opened once, and only a regular
// file is read: a device such as /dev/zero never ends, and a pipe gives its
// bytes to one open only and may keep a reader waiting for ever. Opening
// never waits for a pipe's writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Why OpenRegularFile refused a file, for callers that say it in their own
// words.
enum class FileRefusal { None, CannotOpen, Folder, NotRegular, TooLarge };

// Opens `path` for reading bytes. Null, with `problem` saying why, for a
// file that is missing or cannot be opened, a folder, anything that is not
// a regular file, and a file larger than `maxBytes`; otherwise `size` is the
// file's size. `refusal`, when given, gets the kind of reason; for
// CannotOpen, errno holds the system's.
FileHandle OpenRegularFile(const char* path, uint64_t maxBytes, uint64_t& size,
                           std::string& problem, FileRefusal* refusal = nullptr);

// The whole regular file at `path`, opened as above, in `bytes`; never more
// than `maxBytes`, even when the file grows while it is read.
bool ReadRegularFile(const char* path, uint64_t maxBytes, std::string& bytes, std::string& problem);
