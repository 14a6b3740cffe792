#include "textures/TextureLevels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

int32_t PowerOfTwoTextureSide(int32_t pictureSide, int32_t maxTextureSize) {
    if (pictureSide < 1 || maxTextureSize < 1) return 0;
    int32_t cap = 1;
    while (cap <= maxTextureSize / 2) cap *= 2;
    int32_t side = 1;
    while (side < pictureSide && side < cap) side *= 2;
    return side;
}

namespace {

// For each destination index along one axis: the first source index it
// reads, how many it reads, and their weights (summing to 1).
struct AxisTaps {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<float> weights;  // `stride` slots per destination index
    int32_t stride = 0;
};

AxisTaps MakeAxisTaps(int32_t sourceSize, int32_t destinationSize) {
    const double scale = static_cast<double>(sourceSize) / destinationSize;
    // The tent reaches one source pixel each way when enlarging and one
    // destination pixel's footprint each way when shrinking.
    const double radius = std::max(1.0, scale);
    AxisTaps taps;
    taps.stride = 2 * static_cast<int32_t>(std::ceil(radius)) + 1;
    taps.first.resize(destinationSize);
    taps.count.resize(destinationSize);
    taps.weights.assign(static_cast<size_t>(destinationSize) * taps.stride, 0.0f);
    for (int32_t i = 0; i < destinationSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int32_t low = static_cast<int32_t>(std::ceil(centre - radius));
        const int32_t high = static_cast<int32_t>(std::floor(centre + radius));
        const int32_t first = std::clamp(low, 0, sourceSize - 1);
        const int32_t last = std::clamp(high, 0, sourceSize - 1);
        float* weights = &taps.weights[static_cast<size_t>(i) * taps.stride];
        double sum = 0.0;
        for (int32_t j = low; j <= high; ++j) {
            const double weight = 1.0 - std::abs(j - centre) / radius;
            if (weight <= 0.0) continue;
            weights[std::clamp(j, 0, sourceSize - 1) - first] += static_cast<float>(weight);
            sum += weight;
        }
        // The nearest source pixel always has a weight of at least 1/2.
        for (int32_t k = 0; k <= last - first; ++k) {
            weights[k] = static_cast<float>(weights[k] / sum);
        }
        taps.first[i] = first;
        taps.count[i] = last - first + 1;
    }
    return taps;
}

// Blends one row of `blended` (source width, all channels, the rows
// already blended) along the row into `destinationWidth` pixels at `out`.
// With the channel count known at compile time, the channels of a pixel are
// summed side by side; each sample still adds its taps in the same order,
// so the result is the same to the bit whichever way it is built.
template <int32_t kChannels>
void BlendAlongRow(const AxisTaps& columns, const float* blended, int32_t destinationWidth,
                   int32_t channels, uint8_t* out) {
    for (int32_t x = 0; x < destinationWidth; ++x) {
        const float* weights = &columns.weights[static_cast<size_t>(x) * columns.stride];
        const float* in = &blended[static_cast<size_t>(columns.first[x]) * channels];
        const int32_t count = columns.count[x];
        if constexpr (kChannels > 0) {
            float sums[kChannels] = {};
            for (int32_t k = 0; k < count; ++k) {
                for (int32_t c = 0; c < kChannels; ++c) sums[c] += weights[k] * in[k * kChannels + c];
            }
            for (int32_t c = 0; c < kChannels; ++c) {
                out[c] = static_cast<uint8_t>(std::clamp(sums[c] + 0.5f, 0.0f, 255.0f));
            }
        } else {
            for (int32_t c = 0; c < channels; ++c) {
                float sum = 0.0f;
                for (int32_t k = 0; k < count; ++k) sum += weights[k] * in[k * channels + c];
                out[c] = static_cast<uint8_t>(std::clamp(sum + 0.5f, 0.0f, 255.0f));
            }
        }
        out += channels;
    }
}

}  // namespace

bool ResamplePixels(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight,
                    int32_t channels, uint8_t* destination, int32_t destinationWidth,
                    int32_t destinationHeight) {
    if (sourceWidth < 1 || sourceHeight < 1 || channels < 1 || destinationWidth < 1 ||
        destinationHeight < 1) {
        return false;
    }
    const AxisTaps columns = MakeAxisTaps(sourceWidth, destinationWidth);
    const AxisTaps rows = MakeAxisTaps(sourceHeight, destinationHeight);
    const size_t sourceRowSamples = static_cast<size_t>(sourceWidth) * channels;
    const size_t destinationRowSamples = static_cast<size_t>(destinationWidth) * channels;

    // Each destination row: blend the source rows it covers into one row of
    // full width, then blend along that row.
    std::vector<float> blended(sourceRowSamples);
    for (int32_t y = 0; y < destinationHeight; ++y) {
        const float* rowWeights = &rows.weights[static_cast<size_t>(y) * rows.stride];
        std::fill(blended.begin(), blended.end(), 0.0f);
        for (int32_t k = 0; k < rows.count[y]; ++k) {
            const float weight = rowWeights[k];
            if (weight == 0.0f) continue;
            const uint8_t* sourceRow =
                source + static_cast<size_t>(rows.first[y] + k) * sourceRowSamples;
            for (size_t s = 0; s < sourceRowSamples; ++s) blended[s] += weight * sourceRow[s];
        }
        uint8_t* out = destination + static_cast<size_t>(y) * destinationRowSamples;
        const float* row = blended.data();
        switch (channels) {
            case 1: BlendAlongRow<1>(columns, row, destinationWidth, channels, out); break;
            case 2: BlendAlongRow<2>(columns, row, destinationWidth, channels, out); break;
            case 3: BlendAlongRow<3>(columns, row, destinationWidth, channels, out); break;
            case 4: BlendAlongRow<4>(columns, row, destinationWidth, channels, out); break;
            default: BlendAlongRow<0>(columns, row, destinationWidth, channels, out); break;
        }
    }
    return true;
}

void HalvePixelsInPlace(uint8_t* pixels, int32_t* width, int32_t* height, int32_t channels) {
    const int32_t oldWidth = *width;
    const int32_t oldHeight = *height;
    if (oldWidth <= 1 && oldHeight <= 1) return;
    const int32_t newWidth = std::max(1, oldWidth / 2);
    const int32_t newHeight = std::max(1, oldHeight / 2);
    const size_t oldRow = static_cast<size_t>(oldWidth) * channels;
    // Every source sample of new pixel n lies at or after sample 2n, so
    // writing in increasing order never overwrites a sample still needed.
    uint8_t* out = pixels;
    if (oldWidth > 1 && oldHeight > 1) {
        for (int32_t y = 0; y < newHeight; ++y) {
            const uint8_t* top = pixels + static_cast<size_t>(2 * y) * oldRow;
            const uint8_t* bottom = top + oldRow;
            for (int32_t x = 0; x < newWidth; ++x) {
                for (int32_t c = 0; c < channels; ++c) {
                    const int32_t sum =
                        top[c] + top[channels + c] + bottom[c] + bottom[channels + c];
                    out[c] = static_cast<uint8_t>((sum + 2) >> 2);
                }
                top += 2 * channels;
                bottom += 2 * channels;
                out += channels;
            }
        }
    } else {
        // A single row or column: average neighbouring pairs.
        const int32_t newCount = newWidth * newHeight;
        const uint8_t* in = pixels;
        for (int32_t n = 0; n < newCount; ++n) {
            for (int32_t c = 0; c < channels; ++c) {
                out[c] = static_cast<uint8_t>((in[c] + in[channels + c] + 1) >> 1);
            }
            in += 2 * channels;
            out += channels;
        }
    }
    *width = newWidth;
    *height = newHeight;
}
