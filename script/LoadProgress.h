// What the script engine tells whoever shows its progress while it reads a
// script, such as the loading screen: one tick for every line read, and the
// end of the script after its last line. Also where the loading screen's
// picture lies, which the checker looks at too.
#pragma once

// Shown while the show loads; the show loads without it when it cannot be
// read.
inline constexpr char kLoadingPicturePath[] = "data/png/loading.png";

class LoadProgress {
public:
    virtual ~LoadProgress() = default;
    virtual void Tick() = 0;
    virtual void Finish() = 0;
};
