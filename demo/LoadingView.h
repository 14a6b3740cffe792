// What the demo host and the script engine need of the loading screen: a
// picture that fades in, grows one step for every script line read, and
// fades out once the show is ready.
#pragma once

#include "script/LoadProgress.h"

class LoadingView : public LoadProgress {
public:
    virtual bool Load(const char* path) = 0;
    virtual void FadeIn() = 0;
    virtual void FadeOut() = 0;
};
