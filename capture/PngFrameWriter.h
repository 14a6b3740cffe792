// Writes each captured frame as DIR/frame-000000.png, frame-000001.png, ...:
// 8-bit RGB, top row first, compressed for speed rather than size. The same
// pixels always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/FrameRing.h"

class PngFrameWriter : public FrameSink {
public:
    PngFrameWriter(std::string directory, int width, int height);

    // Creates the folder (and its parents) if it is missing. False, with
    // `error` saying why, when it cannot.
    bool Prepare(std::string& error);

    bool WriteFrame(const uint8_t* pixels, uint64_t index) override;

    // Why the last write failed.
    const std::string& Error() const { return error; }

private:
    std::string directory;
    int width;
    int height;
    std::vector<char> path;  // sized once for every frame's name
    std::string error;
};
