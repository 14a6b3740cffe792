// png-probe: looks at captured PNG frames for the capture tests.
//
//   png-probe golden FRAME REFERENCE   FRAME against REFERENCE with the
//                                      golden-frame tests' tolerance; FRAME
//                                      is halved (2 x 2 averages) first for
//                                      a half-size reference
//   png-probe mean FRAME               mean brightness (0 to 255) of FRAME
//
// Exit status: 0 for a match (golden) or a printed value (mean), 1 for a
// frame that does not match, 2 when a file cannot be read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/RgbPicture.h"

namespace {

int Golden(const char* framePath, const char* referencePath) {
    RgbPicture frame, reference;
    if (!ReadRgbPng(framePath, frame)) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", framePath);
        return 2;
    }
    if (!ReadRgbPng(referencePath, reference)) {
        std::fprintf(stderr, "png-probe: cannot read %s\n", referencePath);
        return 2;
    }
    const bool sameSize = frame.width == reference.width && frame.height == reference.height;
    const RgbPicture compared = sameSize ? frame : HalfSize(frame);
    if (compared.width != reference.width || compared.height != reference.height) {
        std::printf("%s is %dx%d, the reference %dx%d\n", framePath, frame.width, frame.height,
                    reference.width, reference.height);
        return 1;
    }
    // The golden-frame tests' tolerance.
    const PictureDifference difference = Compare(compared, reference);
    std::printf("mean difference %.3f, %zu of %zu values differ by more than 24\n",
                difference.mean, difference.far, difference.samples);
    return difference.Matches() ? 0 : 1;
}

int Mean(const char* framePath) {
    RgbPicture frame;
    if (!ReadRgbPng(framePath, frame)) {
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
