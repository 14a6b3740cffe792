// Where the window's current viewport size comes from: the 4:3 viewport
// that the window's resize handling last set.
#pragma once

#include <cstdint>

class ViewportSize {
public:
    virtual int32_t GetViewportWidth() const = 0;
    virtual int32_t GetViewportHeight() const = 0;

protected:
    ~ViewportSize() = default;
};
