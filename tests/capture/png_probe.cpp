// png-probe: looks at captured PNG frames for the capture tests.
//
//   png-probe golden FRAME REFERENCE   FRAME halved (2 x 2 averages) against a
//                                      half-size reference frame, with the
//                                      golden-frame tests' tolerance
//   png-probe same FRAME OTHER         FRAME against OTHER, a frame of the same
//                                      size (another build's), with the same
//                                      tolerance
//   png-probe mean FRAME               mean brightness (0 to 255) of FRAME
//
// Exit status: 0 for a match (golden, same) or a printed value (mean), 1 for a
// frame that does not match, 2 when a file cannot be read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/RgbPicture.h"

namespace {

bool Read(const char* path, RgbPicture& picture) {
    if (ReadRgbPng(path, picture)) return true;
    std::fprintf(stderr, "png-probe: cannot read %s\n", path);
    return false;
}

// 0 when `picture` matches `reference` by the golden-frame tests' tolerance.
int Matches(const RgbPicture& picture, const char* path, const RgbPicture& reference) {
    if (picture.width != reference.width || picture.height != reference.height) {
        std::printf("%s is %dx%d, the reference %dx%d\n", path, picture.width, picture.height,
                    reference.width, reference.height);
        return 1;
    }
    const PictureDifference difference = Compare(picture, reference);
    std::printf("mean difference %.3f, %zu of %zu values differ by more than 24\n",
                difference.mean, difference.far, difference.samples);
    return difference.Matches() ? 0 : 1;
}

int Golden(const char* framePath, const char* referencePath) {
    RgbPicture frame, reference;
    if (!Read(framePath, frame) || !Read(referencePath, reference)) return 2;
    return Matches(HalfSize(frame), framePath, reference);
}

int Same(const char* framePath, const char* otherPath) {
    RgbPicture frame, other;
    if (!Read(framePath, frame) || !Read(otherPath, other)) return 2;
    return Matches(frame, framePath, other);
}

int Mean(const char* framePath) {
    RgbPicture frame;
    if (!Read(framePath, frame)) return 2;
    double sum = 0;
    for (const uint8_t value : frame.rgb) sum += value;
    std::printf("%.2f\n", frame.rgb.empty() ? 0.0 : sum / frame.rgb.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "golden") == 0) return Golden(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "same") == 0) return Same(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "mean") == 0) return Mean(argv[2]);
    std::fprintf(stderr,
                 "usage: png-probe golden FRAME REFERENCE | png-probe same FRAME OTHER | "
                 "png-probe mean FRAME\n");
    return 2;
}
