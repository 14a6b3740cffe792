// png-probe: looks at captured PNG frames for the capture tests.
//
//   png-probe golden FRAME REFERENCE   FRAME halved (2 x 2 averages) against a
//                                      half-size reference frame, with the
//                                      golden-frame tests' tolerance
//   png-probe mean FRAME               mean brightness (0 to 255) of FRAME
//
// Exit status: 0 for a match (golden) or a printed value (mean), 1 for a
// frame that does not match, 2 when a file cannot be read.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first
    int At(int x, int y, int channel) const { return rgb[(size_t(y) * width + x) * 3 + channel]; }
};

bool ReadPng(const char* path, Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

// Half size, each pixel the rounded average of a 2 x 2 block, as the
// reference frames are stored.
Picture Half(const Picture& full) {
    Picture half;
    half.width = full.width / 2;
    half.height = full.height / 2;
    half.rgb.resize(size_t(half.width) * half.height * 3);
    for (int y = 0; y < half.height; ++y)
        for (int x = 0; x < half.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sum = full.At(2 * x, 2 * y, c) + full.At(2 * x + 1, 2 * y, c) +
                                full.At(2 * x, 2 * y + 1, c) + full.At(2 * x + 1, 2 * y + 1, c);
                half.rgb[(size_t(y) * half.width + x) * 3 + c] = static_cast<uint8_t>((sum + 2) / 4);
            }
    return half;
}

int Golden(const char* framePath, const char* referencePath) {
    Picture frame, reference;
    if (!ReadPng(framePath, frame)) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", framePath);
        return 2;
    }
    if (!ReadPng(referencePath, reference)) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", referencePath);
        return 2;
    }
    const Picture half = Half(frame);
    if (half.width != reference.width || half.height != reference.height) {
        std::printf("half of %s is %dx%d, the reference %dx%d\n", framePath, half.width,
                    half.height, reference.width, reference.height);
        return 1;
    }
    // The golden-frame tests' tolerance: software rasterisers differ a
    // little between processors, but not into a different picture.
    size_t far = 0;
    double total = 0;
    for (size_t i = 0; i < half.rgb.size(); ++i) {
        const int difference = std::abs(int(half.rgb[i]) - int(reference.rgb[i]));
        total += difference;
        if (difference > 24) ++far;
    }
    const double mean = total / half.rgb.size();
    std::printf("mean difference %.3f, %zu of %zu values differ by more than 24\n", mean, far,
                half.rgb.size());
    return mean < 2.0 && far < half.rgb.size() / 100 ? 0 : 1;
}

int Mean(const char* framePath) {
    Picture frame;
    if (!ReadPng(framePath, frame)) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", framePath);
        return 2;
    }
    double sum = 0;
    for (const uint8_t value : frame.rgb) sum += value;
    std::printf("%.2f\n", frame.rgb.empty() ? 0.0 : sum / frame.rgb.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "golden") == 0) return Golden(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "mean") == 0) return Mean(argv[2]);
    std::fprintf(stderr, "usage: png-probe golden FRAME REFERENCE | png-probe mean FRAME\n");
    return 2;
}
