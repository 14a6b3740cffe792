// Writing a file whole or not at all: the new contents go to a partial
// file of this process's own beside the target, which replaces the target
// once it is written whole. The partial file is created exclusively, under
// a name of this process's own, so that nothing already there is written
// through: neither another program's file nor a link planted to send the
// write somewhere else.
#pragma once

#include <cstddef>
#include <string>

#include "platform/RegularFile.h"

// Creates and opens for writing TARGET.partial-PID (PID this process's
// id), or TARGET.partial-PID-2, -3, ... when that name is taken. Null,
// with `problem` saying why, when none can be made; otherwise `path` names
// it.
FileHandle CreatePartialFile(const std::string& target, std::string& path, std::string& problem);

// Writes `size` bytes at `data` to `target` whole or not at all: through a
// partial file made by CreatePartialFile, moved over `target` once it is
// written and closed. False, with `problem` saying why, when it could not
// be; an earlier `target` is then as it was and no partial file is left.
bool WriteFileWhole(const std::string& target, const void* data, size_t size, std::string& problem);
