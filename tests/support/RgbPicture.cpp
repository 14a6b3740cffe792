#include "support/RgbPicture.h"

#include <png.h>

#include <cstdlib>
#include <cstring>

namespace {

png_image NewImage() {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

}  // namespace

bool ReadRgbPng(const std::string& path, RgbPicture& picture) {
    png_image image = NewImage();
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

bool WriteRgbPng(const std::string& path, const RgbPicture& picture) {
    png_image image = NewImage();
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}

RgbPicture HalfSize(const RgbPicture& full) {
    RgbPicture half;
    half.width = full.width / 2;
    half.height = full.height / 2;
    half.rgb.resize(static_cast<size_t>(half.width) * half.height * 3);
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int sum = full.At(2 * x, 2 * y, c) + full.At(2 * x + 1, 2 * y, c) +
                                full.At(2 * x, 2 * y + 1, c) + full.At(2 * x + 1, 2 * y + 1, c);
                half.rgb[(static_cast<size_t>(y) * half.width + x) * 3 + c] =
                    static_cast<uint8_t>((sum + 2) / 4);
            }
        }
    }
    return half;
}

PictureDifference Compare(const RgbPicture& picture, const RgbPicture& reference) {
    PictureDifference difference;
    difference.samples = picture.rgb.size();
    double total = 0.0;
    for (size_t i = 0; i < picture.rgb.size(); ++i) {
        const int apart = std::abs(int(picture.rgb[i]) - int(reference.rgb[i]));
        total += apart;
        if (apart > 24) ++difference.far;
    }
    difference.mean = difference.samples ? total / static_cast<double>(difference.samples) : 0.0;
    return difference;
}
