// What the script engine tells whoever shows its progress while it reads a
// script, such as the loading screen: one tick for every line read, and the
// end of the script after its last line.
#pragma once

class LoadProgress {
public:
    virtual ~LoadProgress() = default;
    virtual void Tick() = 0;
    virtual void Finish() = 0;
};
