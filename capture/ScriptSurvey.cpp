#include "capture/ScriptSurvey.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "capture/CaptureOptions.h"

namespace {

bool IsReadableFile(const char* path, std::string& why) {
    struct stat info;
    if (stat(path, &info) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        why = "it is a directory";
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        why = std::strerror(errno);
        return false;
    }
    std::fclose(file);
    return true;
}

}  // namespace

ScriptSurvey::ScriptSurvey(MessageBoxes& boxes) : engine(boxes, music) {}

bool ScriptSurvey::Load(const char* path, std::string& error) {
    std::string why;
    if (!IsReadableFile(path, why)) {
        error = std::string("cannot read the script ") + path + ": " + why;
        return false;
    }
    if (!engine.Load(path, &textures)) {
        error = std::string("the script ") + path + " has errors (above)";
        return false;
    }
    if (!textureFactory.Problems().empty()) {
        error = "cannot read the pictures that the script names:";
        for (const std::string& problem : textureFactory.Problems()) error += "\n  " + problem;
        return false;
    }
    return true;
}

bool ScriptSurvey::ResolveTime(std::string_view text, uint32_t& milliseconds,
                               std::string& error) const {
    // Built piece by piece: GCC 12 warns wrongly about "literal" + string.
    std::string quoted(1, '"');
    quoted.append(text);
    quoted += '"';
    if (!IsCaptureTime(text)) {
        error = quoted + " is not a time: write #bars.beats or =milliseconds";
        return false;
    }
    const int32_t value = engine.ParseTime(text);
    if (value < 0) {
        error = quoted + " is too late a time";
        return false;
    }
    milliseconds = static_cast<uint32_t>(value);
    return true;
}
