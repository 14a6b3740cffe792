#include "capture/SegmentJoin.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "capture/CaptureOptions.h"
#include "capture/VideoProbe.h"
#include "platform/RegularFile.h"

namespace {

// Far more than the most segments a capture makes, each named at length.
constexpr uint64_t kMaxListBytes = 4 * 1024 * 1024;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

size_t SkipSpaces(const std::string& text, size_t at) {
    while (at < text.size() && IsSpace(text[at])) ++at;
    return at;
}

// One word as ffmpeg reads it from a list: up to a space, with '...'
// taken as it stands and a backslash taking the character after it. False
// for a quote left open.
bool ReadWord(const std::string& text, size_t& at, std::string& word) {
    word.clear();
    while (at < text.size() && !IsSpace(text[at])) {
        const char c = text[at++];
        if (c == '\\' && at < text.size()) {
            word += text[at++];
        } else if (c == '\'') {
            const size_t close = text.find('\'', at);
            if (close == std::string::npos) return false;
            word.append(text, at, close - at);
            at = close + 1;
        } else {
            word += c;
        }
    }
    return true;
}

std::string Stamped(const SegmentStamp& stamp) {
    return "segment " + std::to_string(stamp.part) + "/" + std::to_string(stamp.parts);
}

std::string Frames(uint64_t first, uint64_t end) {
    return std::to_string(first) + "-" + std::to_string(end);
}

}  // namespace

bool ParseJoinList(const std::string& text, const std::string& listPath,
                   std::vector<JoinEntry>& entries, std::string& error) {
    namespace fs = std::filesystem;
    entries.clear();
    const fs::path folder = fs::path(listPath).parent_path();
    bool first = true;
    int lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const std::string where = listPath + ":" + std::to_string(lineNumber);
        size_t at = SkipSpaces(line, 0);
        if (at == line.size() || line[at] == '#') continue;
        std::string keyword;
        ReadWord(line, at, keyword);
        if (first && keyword == "ffconcat") {
            first = false;
            std::string version;
            ReadWord(line, at = SkipSpaces(line, at), version);
            if (version != "version") {
                error = where + ": the list's first line should read: ffconcat version 1.0";
                return false;
            }
            continue;
        }
        first = false;
        if (keyword != "file") {
            error = where + ": a join list holds only lines 'file NAME', one a segment video, not '" +
                    keyword + "'";
            return false;
        }
        std::string name;
        at = SkipSpaces(line, at);
        if (!ReadWord(line, at, name)) {
            error = where + ": a quote is not closed";
            return false;
        }
        if (name.empty() || SkipSpaces(line, at) != line.size()) {
            error = where + ": give one name after 'file', quoted when it holds spaces: file 'my take.mp4'";
            return false;
        }
        const fs::path path(name);
        entries.push_back({(path.is_absolute() ? path : folder / path).string(), where});
    }
    if (entries.empty()) {
        error = listPath + " names no video to join";
        return false;
    }
    return true;
}

bool ReadJoinList(const std::string& listPath, std::vector<JoinEntry>& entries, std::string& error) {
    std::string text, problem;
    if (!ReadRegularFile(listPath.c_str(), kMaxListBytes, text, problem)) {
        error = "cannot read the join list " + listPath + ": " + problem;
        return false;
    }
    return ParseJoinList(text, listPath, entries, error);
}

std::string ConcatList(const std::vector<JoinEntry>& entries, const FrameSchedule& whole) {
    std::string list = "ffconcat version 1.0\n";
    const uint64_t parts = entries.size();
    for (uint64_t part = 1; part <= parts; ++part) {
        const JoinEntry& entry = entries[part - 1];
        std::error_code failure;
        const std::filesystem::path absolute = std::filesystem::absolute(entry.path, failure);
        // A quote ends the quoted name; an escaped one stands between two.
        list += "file 'file:";
        for (const char c : failure ? entry.path : absolute.string()) {
            list += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        list += "'\n";
        char duration[64];
        std::snprintf(duration, sizeof duration, "duration %.9f\n",
                      static_cast<double>(whole.Segment(part, parts).FrameCount()) / whole.Fps());
        list += duration;
    }
    return list;
}

std::string SegmentComment(const FrameSchedule& segment, uint32_t part, uint32_t parts) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "demo-capture segment %" PRIu32 "/%" PRIu32 " of frames %" PRIu64 "-%" PRIu64 " at %" PRIu32
                  " fps from =%" PRIu32,
                  part, parts, segment.FirstFrame(), segment.FirstFrame() + segment.FrameCount(),
                  segment.Fps(), segment.Grid().Origin());
    return text;
}

bool ReadSegmentComment(const std::string& comment, SegmentStamp& stamp) {
    SegmentStamp read;
    int length = -1;
    const int fields = std::sscanf(comment.c_str(),
                                   "demo-capture segment %" SCNu32 "/%" SCNu32 " of frames %" SCNu64
                                   "-%" SCNu64 " at %" SCNu32 " fps from =%" SCNu32 "%n",
                                   &read.part, &read.parts, &read.firstFrame, &read.endFrame, &read.fps,
                                   &read.origin, &length);
    if (fields != 6 || length != static_cast<int>(comment.size()) || read.part == 0 ||
        read.part > read.parts || read.parts > CaptureOptions::kMaxSegments ||
        read.endFrame < read.firstFrame || read.fps == 0) {
        return false;
    }
    stamp = read;
    return true;
}

bool CheckSegmentOrder(const std::vector<JoinEntry>& entries, const std::vector<SegmentStamp>& stamps,
                       const FrameSchedule& whole, std::string& error) {
    const size_t count = stamps.size();
    // "LIST:LINE: PATH, segment K/N,"
    const auto named = [&](size_t i) {
        return entries[i].where + ": " + entries[i].path + ", " + Stamped(stamps[i]) + ",";
    };
    for (size_t i = 0; i < count; ++i) {
        const SegmentStamp& stamp = stamps[i];
        if (stamp.fps != whole.Fps()) {
            error = named(i) + " was captured at " + std::to_string(stamp.fps) +
                    " fps, and this join is at " + std::to_string(whole.Fps()) +
                    " fps: join segments of one frame rate, with their --fps";
            return false;
        }
        if (stamp.origin != whole.Grid().Origin()) {
            error = named(i) + " is of a show that starts at =" + std::to_string(stamp.origin) +
                    ", and this script starts at =" + std::to_string(whole.Grid().Origin()) +
                    ": join with the segments' --script";
            return false;
        }
        for (size_t earlier = 0; earlier < i; ++earlier) {
            if (stamps[earlier].part == stamp.part && stamps[earlier].parts == stamp.parts) {
                error = named(i) + " is listed twice, also at " + entries[earlier].where;
                return false;
            }
        }
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t parts = stamps[i].parts;
        if (parts == count) continue;
        error = named(i) + " is one of " + std::to_string(parts) + ", and the list names " +
                std::to_string(count) + " videos: ";
        if (parts < count) {
            error += "it holds segments of different splits";
            return false;
        }
        // No segment is listed twice: some are missing. The first few.
        std::vector<bool> listed(parts + 1, false);
        for (const SegmentStamp& other : stamps) {
            if (other.parts == parts) listed[other.part] = true;
        }
        error += "it lacks segment";
        int shown = 0;
        for (uint32_t part = 1; part <= parts && shown < 5; ++part) {
            if (listed[part]) continue;
            error += (shown++ ? ", " : " ") + std::to_string(part) + "/" + std::to_string(parts);
        }
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const SegmentStamp& stamp = stamps[i];
        const uint32_t place = static_cast<uint32_t>(i + 1);
        const std::string placeName = std::to_string(place) + "/" + std::to_string(count);
        if (stamp.part != place) {
            error = named(i) + " stands where segment " + placeName + " belongs: list the segments in order";
            return false;
        }
        const FrameSchedule expected = whole.Segment(place, count);
        const uint64_t first = expected.FirstFrame();
        const uint64_t end = first + expected.FrameCount();
        if (stamp.firstFrame != first || stamp.endFrame != end) {
            error = named(i) + " holds frames " + Frames(stamp.firstFrame, stamp.endFrame) +
                    ", and segment " + placeName + " of this join holds " + Frames(first, end) +
                    ": join with the --from and --to the segments were captured with";
            return false;
        }
    }
    return true;
}

bool CheckJoinSegments(const std::vector<JoinEntry>& entries, const FrameSchedule& whole,
                       bool (*stopRequested)(), std::string& error) {
    std::vector<SegmentStamp> stamps;
    for (const JoinEntry& entry : entries) {
        std::error_code failure;
        if (!std::filesystem::is_regular_file(entry.path, failure)) {
            const bool exists = std::filesystem::exists(entry.path, failure);
            error = entry.where + ": " + entry.path + (exists ? " is not a video file" : " does not exist");
            return false;
        }
        VideoFacts facts;
        if (!ProbeVideo(entry.path, facts, error, stopRequested)) {
            error = entry.where + ": " + error;
            return false;
        }
        SegmentStamp stamp;
        if (!ReadSegmentComment(facts.comment, stamp)) {
            error = entry.where + ": " + entry.path + " is not a segment's video from demo-capture --segment";
            return false;
        }
        std::string why;
        if (!HasFrames(facts, stamp.endFrame - stamp.firstFrame, stamp.fps, why)) {
            error = entry.where + ": " + entry.path + ", " + Stamped(stamp) + ", is not whole: " + why;
            return false;
        }
        stamps.push_back(stamp);
    }
    return CheckSegmentOrder(entries, stamps, whole, error);
}
