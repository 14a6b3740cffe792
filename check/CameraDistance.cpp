#include "check/CameraDistance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "scenes/SceneParameters.h"
#include "timeline/TimelineModel.h"

namespace {

constexpr int32_t kCameraScene = 1;
constexpr int32_t kModelScene = 2;

// A lane's value along the piece in force at `from`, carried on to `time`
// (so that the end of a stretch is read on the stretch's own piece).
double OnPieceAt(const ParameterLane* lane, uint32_t from, uint32_t time) {
    if (!lane) return 0.0;
    const auto after = std::upper_bound(lane->pieces.begin(), lane->pieces.end(), from,
                                        [](uint32_t t, const ValuePiece& piece) { return t < piece.start; });
    if (after == lane->pieces.begin()) return 0.0;
    return (after - 1)->At(time);
}

// The least distance from the origin of the straight path from `a` to `b`.
double NearestOnPath(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    std::array<double, 3> step{};
    double stepSquared = 0.0, along = 0.0;
    for (size_t i = 0; i < 3; ++i) {
        step[i] = b[i] - a[i];
        stepSquared += step[i] * step[i];
        along -= a[i] * step[i];
    }
    const double t = stepSquared > 0.0 ? std::clamp(along / stepSquared, 0.0, 1.0) : 0.0;
    double squared = 0.0;
    for (size_t i = 0; i < 3; ++i) squared += (a[i] + t * step[i]) * (a[i] + t * step[i]);
    return std::sqrt(squared);
}

}  // namespace

NearestEye NearestEyeToTheModel(const ParsedScript& script) {
    const TimelineModel timeline(script);
    const auto lane = [&](int32_t scene, ParamKind kind, int32_t index) -> const ParameterLane* {
        const int32_t found = timeline.FindLane(ParameterId{scene, kind, index});
        return found < 0 ? nullptr : &timeline.Lanes()[static_cast<size_t>(found)];
    };
    const ParameterLane* drawn = lane(kModelScene, ParamKind::Bool, kRunning.index);
    const ParameterLane* scripted = lane(kCameraScene, ParamKind::Bool, camera_param::kScriptedEye.index);
    const std::array<const ParameterLane*, 3> eye = {lane(kCameraScene, ParamKind::Dbl, camera_param::kEyeX.index),
                                                     lane(kCameraScene, ParamKind::Dbl, camera_param::kEyeY.index),
                                                     lane(kCameraScene, ParamKind::Dbl, camera_param::kEyeZ.index)};

    // Between two of these times every value runs along one piece.
    const uint32_t start = timeline.StartTime();
    const uint32_t end = timeline.EndTime() == NO_TIME ? timeline.Extent() : timeline.EndTime();
    std::vector<uint32_t> times = {start, end};
    for (const ParameterLane* each : {drawn, scripted, eye[0], eye[1], eye[2]}) {
        if (!each) continue;
        for (const ValuePiece& piece : each->pieces) {
            if (piece.start > start && piece.start < end) times.push_back(piece.start);
        }
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());

    NearestEye nearest{camera_param::kOrbitRadius, false};
    bool seen = false;
    for (size_t i = 0; i + 1 < times.size(); ++i) {
        const uint32_t from = times[i];
        const uint32_t to = times[i + 1];
        if (OnPieceAt(drawn, from, from) == 0.0) continue;
        double distance = camera_param::kOrbitRadius;
        const bool byScript = OnPieceAt(scripted, from, from) != 0.0;
        if (byScript) {
            std::array<double, 3> first{}, last{};
            for (size_t axis = 0; axis < 3; ++axis) {
                first[axis] = OnPieceAt(eye[axis], from, from);
                last[axis] = OnPieceAt(eye[axis], from, to);
            }
            distance = NearestOnPath(first, last);
        }
        if (!seen || distance < nearest.distance) nearest = NearestEye{distance, byScript};
        seen = true;
    }
    return nearest;
}
