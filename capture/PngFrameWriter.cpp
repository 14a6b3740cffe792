#include "capture/PngFrameWriter.h"

#include <png.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kFrameName = "%s/frame-%06" PRIu64 ".png";
// Room for the folder, the name and the widest 64-bit frame number.
constexpr size_t kNameRoom = 48;

// Whether `name` is a frame's file name: "frame-", at least six digits,
// ".png".
bool IsFrameName(const std::string& name) {
    constexpr std::string_view kPrefix = "frame-";
    constexpr std::string_view kSuffix = ".png";
    if (name.size() < kPrefix.size() + 6 + kSuffix.size() || name.rfind(kPrefix, 0) != 0 ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
        return false;
    }
    const std::string digits =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    return digits.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

PngFrameWriter::PngFrameWriter(std::string directory, int width, int height, uint64_t firstNumber)
    : directory(std::move(directory)), width(width), height(height), firstNumber(firstNumber),
      path(this->directory.size() + kNameRoom) {}

bool PrepareFrameFolder(const std::string& directory, bool overwrite, FolderLock& lock, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::create_directories(directory, failure);
    if (failure) {
        why = "cannot create the folder " + directory + ": " + failure.message();
        return false;
    }
    if (!fs::is_directory(directory, failure)) {
        why = directory + " is not a folder";
        return false;
    }
    // Before anything in it is looked at, or removed.
    if (!lock.Take(directory, why)) return false;
    std::vector<fs::path> frames;
    for (fs::directory_iterator entry(directory, failure), end; !failure && entry != end;
         entry.increment(failure)) {
        if (IsFrameName(entry->path().filename().string())) frames.push_back(entry->path());
    }
    if (failure) {
        why = "cannot read the folder " + directory + ": " + failure.message();
        return false;
    }
    if (frames.empty()) return true;
    if (!overwrite) {
        why = directory + " already holds " + std::to_string(frames.size()) +
              " frames of an earlier capture; give another folder, or --overwrite to remove them";
        return false;
    }
    for (const fs::path& frame : frames) {
        if (!fs::remove(frame, failure) && failure) {
            why = "cannot remove the earlier frame " + frame.string() + ": " + failure.message();
            return false;
        }
    }
    return true;
}

bool PngFrameWriter::WriteFrame(const uint8_t* pixels, uint64_t index) {
    std::snprintf(path.data(), path.size(), kFrameName, directory.c_str(), firstNumber + index);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // Frames are working files for an editor: libpng's fast setting writes
    // them about three times as fast, about 1.5 times as large.
    image.flags = PNG_IMAGE_FLAG_FAST;
    // A negative stride tells libpng that the bottom row comes first.
    const png_int_32 stride = -static_cast<png_int_32>(width * 3);
    if (!png_image_write_to_file(&image, path.data(), 0, pixels, stride, nullptr)) {
        error = std::string("cannot write ") + path.data() + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}
