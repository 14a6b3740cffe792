#include "capture/ScriptSurvey.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
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
    bool wellFormed = false;
    if (text.size() > 1 && text[0] == '=') {
        wellFormed = AllDigits(text.substr(1));
    } else if (text.size() > 1 && text[0] == '#') {
        // Bars, then optionally a full stop and the beats, which may have a
        // fraction of their own: #2, #2.1, #2.1.5.
        const std::string_view rest = text.substr(1);
        const size_t stop = rest.find('.');
        if (stop == std::string_view::npos) {
            wellFormed = AllDigits(rest);
        } else {
            const std::string_view beats = rest.substr(stop + 1);
            const size_t fraction = beats.find('.');
            wellFormed = AllDigits(rest.substr(0, stop)) &&
                         (fraction == std::string_view::npos
                              ? AllDigits(beats)
                              : AllDigits(beats.substr(0, fraction)) &&
                                    AllDigits(beats.substr(fraction + 1)));
        }
    }
    // Built piece by piece: GCC 12 warns wrongly about "literal" + string.
    std::string quoted(1, '"');
    quoted.append(text);
    quoted += '"';
    if (!wellFormed) {
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
