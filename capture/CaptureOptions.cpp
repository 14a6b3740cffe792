#include "capture/CaptureOptions.h"

#include <cstring>
#include <string_view>

const char* const kCaptureUsage =
    "usage: demo-capture [options] [OUTPUT]\n"
    "Renders the show offline, frame-exact, to a video (OUTPUT, default show.mp4;\n"
    "the container follows the extension, MP4 without one) or to PNG frames.\n"
    "  --fps N          frames per second, 1 to 1000 (default 60)\n"
    "  --from TIME      first frame's show time (default: where the script starts)\n"
    "  --to TIME        the capture stops before this time (default: the script's End)\n"
    "  --frames DIR     write DIR/frame-000000.png, ... instead of a video\n"
    "  --overwrite      with --frames: remove the frames of an earlier capture\n"
    "                   from DIR first (without it, such a DIR is refused)\n"
    "  --script FILE    the show's script (default data/script.txt)\n"
    "  --segment K/N    only the K-th of N equal runs of the frames: a video without\n"
    "                   sound, or PNG frames numbered as in the whole\n"
    "  --join LIST      join the segment videos that the ffconcat file LIST names\n"
    "                   into OUTPUT, with the music once for the whole, without\n"
    "                   drawing (tools/capture-split.sh does all of it)\n"
    "  --benchmark      draw the frames once without read-back first, and report\n"
    "                   both speeds\n"
    "TIME is #bars.beats or =milliseconds, as in the script (quote a leading #\n"
    "from the shell: --from '#8.0'). --help and --version answer and end.\n";

const std::string& CaptureOptions::VideoPath() const {
    static const std::string defaultOutput = kDefaultOutput;
    return output.empty() ? defaultOutput : output;
}

namespace {

// A whole number from 1 to `most`, digits only.
bool ParseCount(std::string_view text, uint32_t most, uint32_t& count) {
    if (text.empty() || text.size() > 9) return false;
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > most) return false;
    count = value;
    return true;
}

// "K/N" with 1 <= K <= N <= kMaxSegments.
bool ParseSegment(std::string_view text, CaptureOptions& options) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return false;
    uint32_t part = 0, parts = 0;
    if (!ParseCount(text.substr(slash + 1), CaptureOptions::kMaxSegments, parts) ||
        !ParseCount(text.substr(0, slash), parts, part)) {
        return false;
    }
    options.segmentPart = part;
    options.segmentParts = parts;
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

bool IsCaptureTime(std::string_view text) {
    if (text.size() > 1 && text[0] == '=') return AllDigits(text.substr(1));
    if (text.size() < 2 || text[0] != '#') return false;
    // Bars, then optionally a full stop and the beats, which may have a
    // fraction of their own.
    const std::string_view rest = text.substr(1);
    const size_t stop = rest.find('.');
    if (stop == std::string_view::npos) return AllDigits(rest);
    const std::string_view beats = rest.substr(stop + 1);
    const size_t fraction = beats.find('.');
    if (!AllDigits(rest.substr(0, stop))) return false;
    if (fraction == std::string_view::npos) return AllDigits(beats);
    return AllDigits(beats.substr(0, fraction)) && AllDigits(beats.substr(fraction + 1));
}

bool ParseCaptureOptions(int argc, const char* const argv[], CaptureOptions& options,
                         std::string& error) {
    bool haveOutput = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
            if (haveOutput) {
                error = "only one OUTPUT may be given";
                return false;
            }
            if (word.empty()) {
                error = "OUTPUT is empty";
                return false;
            }
            options.output = word;
            haveOutput = true;
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            options.help = true;
            continue;
        }
        if (word == "--benchmark") {
            options.benchmark = true;
            continue;
        }
        if (word == "--overwrite") {
            options.overwrite = true;
            continue;
        }

        std::string_view name = word;
        std::string_view value;
        bool haveValue = false;
        if (const size_t equals = word.find('='); equals != std::string_view::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
            haveValue = true;
        }
        std::string* target = nullptr;
        if (name == "--from") {
            target = &options.from;
        } else if (name == "--to") {
            target = &options.to;
        } else if (name == "--frames") {
            target = &options.framesDir;
        } else if (name == "--script") {
            target = &options.script;
        } else if (name == "--join") {
            target = &options.joinList;
        } else if (name != "--fps" && name != "--segment") {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (!haveValue && i + 1 < argc) value = argv[++i];
        if (value.empty()) {
            error = std::string(name) + " needs a value";
            // An unquoted #bar.beat starts a comment in the shell, which
            // drops it before the capture sees it.
            if (target == &options.from || target == &options.to) error += " (quote a #bar.beat time: '#1.0')";
            return false;
        }
        if ((target == &options.from || target == &options.to) && !IsCaptureTime(value)) {
            // Built piece by piece: GCC 12 warns wrongly about "literal" + string.
            error = std::string(name);
            error += " \"";
            error.append(value);
            error += "\" is not a time: write #bars.beats or =milliseconds";
            return false;
        }
        if (target) {
            *target = value;
        } else if (name == "--segment") {
            if (!ParseSegment(value, options)) {
                error = "--segment must be K/N, the K-th of N runs (1 <= K <= N <= " +
                        std::to_string(CaptureOptions::kMaxSegments) + "), not \"" +
                        std::string(value) + "\"";
                return false;
            }
        } else if (!ParseCount(value, CaptureOptions::kMaxFps, options.fps)) {
            error = "--fps must be a whole number from 1 to 1000, not \"" + std::string(value) + "\"";
            return false;
        }
    }
    if (haveOutput && !options.framesDir.empty()) {
        error = "give either --frames DIR or OUTPUT, not both";
        return false;
    }
    if (!options.joinList.empty() &&
        (!options.framesDir.empty() || options.segmentParts != 0 || options.benchmark)) {
        error = "--join makes one video of segments: it takes no --frames, --segment or --benchmark";
        return false;
    }
    return true;
}
