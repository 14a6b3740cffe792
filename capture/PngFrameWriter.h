// Writes each captured frame as DIR/frame-000000.png, frame-000001.png, ...:
// 8-bit RGB, top row first, compressed for speed rather than size. The same
// pixels always give the same bytes. A part of a longer capture numbers its
// frames from where it lies in the whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/FolderLock.h"
#include "capture/FrameRing.h"

// Readies `directory` for a capture's frames before anything is drawn:
// creates it (and its parents) when it is missing, and takes `lock` in it,
// which a capture that is writing there holds. A folder that already
// holds frames (frame-NNNNNN.png) is refused, so that an earlier, longer
// capture's frames are not left after the new ones, unless `overwrite`
// says to remove them first. False, with `error` saying why, otherwise.
bool PrepareFrameFolder(const std::string& directory, bool overwrite, FolderLock& lock,
                        std::string& error);

class PngFrameWriter : public FrameSink {
public:
    // The first frame written is number `firstNumber`.
    PngFrameWriter(std::string directory, int width, int height, uint64_t firstNumber = 0);

    bool WriteFrame(const uint8_t* pixels, uint64_t index) override;

    // Why the last write failed.
    const std::string& Error() const { return error; }

private:
    std::string directory;
    int width;
    int height;
    uint64_t firstNumber;
    std::vector<char> path;  // sized once for every frame's name
    std::string error;
};
