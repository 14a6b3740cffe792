// A loading screen that shows nothing, for running the host without a
// picture to show.
#pragma once

#include <memory>

#include "demo/DemoHost.h"
#include "demo/LoadingView.h"

class NullLoadingView : public LoadingView {
public:
    bool Load(const char*) override { return true; }
    void FadeIn() override {}
    void FadeOut() override {}
    void Tick() override {}
    void Finish() override {}
};

class NullLoadingViewFactory : public LoadingViewFactory {
public:
    std::unique_ptr<LoadingView> NewLoadingView() override {
        return std::make_unique<NullLoadingView>();
    }
};
