// The GL work that the host does around each render pass: resetting the
// current matrix before the effects draw, flushing the pipeline after them.
#pragma once

class FrameHooks {
public:
    virtual ~FrameHooks() = default;
    virtual void BeginPass() = 0;
    virtual void EndPass() = 0;
};

// The hooks as the show uses them, on the current GL context.
class GlFrameHooks : public FrameHooks {
public:
    void BeginPass() override;
    void EndPass() override;
};
