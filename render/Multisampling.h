// Whether the window's multisampling applies to what is drawn next. A
// window made with sample buffers (app/GlWindow.h) multisamples whatever is
// drawn; with it off, each pixel is covered as in a window without them,
// to the byte, which is how the capture draws, its window never having
// any. It matters most to the glow: its pass is 16 x 16 pixels, in which a
// copy of the swarm covers part of a pixel, and a multisampled pass lights
// the pixels it partly covers where a single-sampled one does not.
#pragma once

class Multisampling {
public:
    virtual ~Multisampling() = default;
    // On: the window's sample buffers, where it has them, are used.
    virtual void Use(bool on) = 0;
};

// On the current GL context, of a window made with sample buffers or not;
// one without is left alone.
class GlMultisampling : public Multisampling {
public:
    explicit GlMultisampling(bool windowMultisampled) : windowMultisampled(windowMultisampled) {}
    void Use(bool on) override;

private:
    bool windowMultisampled;
};
