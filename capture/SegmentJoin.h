// Joining segment videos (demo-capture --segment K/N) into the whole: the
// list that names them, what each segment says of itself, and the check
// that the list gives every segment of the join's frames once, in order,
// at its frame rate, before anything is joined.
//
// A segment's video carries its place in its comment: "demo-capture
// segment K/N of frames FIRST-END at FPS fps from =ORIGIN", FIRST and END
// (not included) being frame numbers of the frame grid at FPS from ORIGIN.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "time/FrameSchedule.h"

// One video that a join list names: its path (relative names taken from
// the list's folder, as ffmpeg takes them) and where the list names it
// ("LIST:LINE").
struct JoinEntry {
    std::string path;
    std::string where;
};

// Reads an ffconcat list as tools/capture-split.sh writes it: an optional
// "ffconcat version 1.0", then one "file NAME" line a video, NAME quoted
// or escaped as ffmpeg reads it ('it'\''s', it\'s); blank lines and
// comments (#) aside. False, with `error` naming the list and the line, for
// anything else, and for a list that names no video.
bool ParseJoinList(const std::string& text, const std::string& listPath,
                   std::vector<JoinEntry>& entries, std::string& error);

// Reads the list file itself, a regular file only: a device or a pipe is
// refused, not read for ever.
bool ReadJoinList(const std::string& listPath, std::vector<JoinEntry>& entries, std::string& error);

// The list for ffmpeg's concat demuxer, naming `entries`, which are
// `whole`'s segments in order, by absolute path, each with its exact
// length: without it the demuxer takes a segment's length from its
// container, a little longer than its frames, and the pictures after it
// slip off the frame grid (4-frame segments at 12 fps joined at 11.99 fps).
std::string ConcatList(const std::vector<JoinEntry>& entries, const FrameSchedule& whole);

struct SegmentStamp {
    uint32_t part = 0;
    uint32_t parts = 0;
    uint64_t firstFrame = 0;
    uint64_t endFrame = 0;  // the frame after its last
    uint32_t fps = 0;
    uint32_t origin = 0;
};

// The comment of segment `part` of `parts`, holding `segment`'s frames.
std::string SegmentComment(const FrameSchedule& segment, uint32_t part, uint32_t parts);
// False when `comment` is not a segment's.
bool ReadSegmentComment(const std::string& comment, SegmentStamp& stamp);

// Whether `stamps`, in the list's order, are segments 1 to N of N of
// `whole`, each once, at its frame rate. False, with `error` saying what is
// missing, repeated, out of order or of other frames, naming the entry.
bool CheckSegmentOrder(const std::vector<JoinEntry>& entries, const std::vector<SegmentStamp>& stamps,
                       const FrameSchedule& whole, std::string& error);

// Reads every listed video with ffprobe and checks that it is a whole
// segment (its frame count, rate and duration are those its comment
// gives) and that together they are `whole`'s segments in order. False,
// with `error` saying why, otherwise, or when `stopRequested` said to stop.
bool CheckJoinSegments(const std::vector<JoinEntry>& entries, const FrameSchedule& whole,
                       bool (*stopRequested)(), std::string& error);
