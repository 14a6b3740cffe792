// RGB pictures for the tests that look at whole frames: reading and writing
// them as PNG, halving them as the reference frames are stored, and the
// tolerance by which a frame matches its reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first, no padding
    uint8_t At(int x, int y, int channel) const {
        return rgb[(static_cast<size_t>(y) * width + x) * 3 + channel];
    }
};

bool ReadRgbPng(const std::string& path, RgbPicture& picture);
bool WriteRgbPng(const std::string& path, const RgbPicture& picture);

// Half size, each pixel the rounded average of a 2 x 2 block.
RgbPicture HalfSize(const RgbPicture& full);

// How far a frame is from its reference, sample by sample.
struct PictureDifference {
    double mean = 0.0;      // mean absolute difference, 0 to 255
    size_t far = 0;         // samples that differ by more than 24
    size_t samples = 0;
    // Software rasterisers differ a little between processors: small
    // differences pass, a different picture does not.
    bool Matches() const { return mean < 2.0 && far < samples / 100; }
};

// Both pictures must have the same size.
PictureDifference Compare(const RgbPicture& picture, const RgbPicture& reference);
