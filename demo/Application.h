// The interface that the run loop drives, and the codes it speaks in.
//
// The demo host implements it; Run (app/RunLoop.h) calls Init once, Frame
// once per displayed frame and Uninit once.
#pragma once

#include <cstdint>

// Results of Application::Frame.
namespace frame_result {
constexpr int32_t kGoOn = 0;
constexpr int32_t kRuntimeError = 1;
constexpr int32_t kShowOver = 2;
constexpr int32_t kStop = 3;  // as if the user had asked
}  // namespace frame_result

class Application {
public:
    virtual int32_t Init() = 0;    // 0 = success, anything else = failure
    virtual int32_t Frame() = 0;   // a frame_result value; others mean go on
    virtual int32_t Uninit() = 0;  // 0 = success, anything else = failure

protected:
    ~Application() = default;
};
