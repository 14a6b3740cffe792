// Test doubles for the seams of the show's logic: they record what the code
// under test asked of them and answer as the test tells them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/MusicPlayer.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "demo/LoadingView.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/MessageQueue.h"
#include "render/WindowSurface.h"
#include "textures/TextureFactory.h"

// Records every box; answers questions with `answer`.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Box {
        std::string text;
        std::string caption;
        MessageBoxIcon icon;
        MessageBoxButtons buttons;
    };
    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override {
        boxes.push_back({std::string(text), std::string(caption), icon, buttons});
        if (log) log->push_back("box:" + std::string(text));
        return buttons == MessageBoxButtons::YesNoDefaultNo ? answer : MessageBoxAnswer::Ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& box : boxes) texts.push_back(box.text);
        return texts;
    }
    std::vector<Box> boxes;
    MessageBoxAnswer answer = MessageBoxAnswer::No;
    std::vector<std::string>* log = nullptr;  // optional shared call log
};

// Records every call; LoadStream answers `loadResult`.
class RecordingMusicPlayer : public MusicPlayer {
public:
    bool LoadStream(const char* path) override {
        loaded.push_back(path);
        if (log) log->push_back(std::string("music:load:") + path);
        return loadResult;
    }
    void Play() override {
        ++playCount;
        if (log) log->push_back("music:play");
    }
    bool SetPosition(uint32_t milliseconds) override {
        positions.push_back(milliseconds);
        if (log) log->push_back("music:position:" + std::to_string(milliseconds));
        return true;
    }
    std::vector<std::string> loaded;
    std::vector<uint32_t> positions;
    int playCount = 0;
    bool loadResult = true;
    std::vector<std::string>* log = nullptr;
};

// Makes textures that record the file and wrap mode they were loaded with.
class RecordingTextureFactory : public TextureFactory {
public:
    class FakeTexture : public Texture {
    public:
        explicit FakeTexture(RecordingTextureFactory& owner) : owner(owner) {}
        ~FakeTexture() override { ++owner.destroyed; }
        bool Load(const char* fileName, int32_t wrapMode) override {
            file = fileName;
            wrap = wrapMode;
            owner.loads.push_back(fileName);
            const bool unreadable = std::find(owner.unreadable.begin(), owner.unreadable.end(), file) !=
                                    owner.unreadable.end();
            loadProblem = unreadable ? file + ": unreadable" : "";
            return true;
        }
        void Bind() override {}
        RecordingTextureFactory& owner;
        std::string file;
        int32_t wrap = 0;
    };
    std::unique_ptr<Texture> NewImageTexture() override {
        return std::make_unique<FakeTexture>(*this);
    }
    std::unique_ptr<Texture> NewTargetTexture(int32_t side, int32_t, int32_t wrapMode) override {
        auto texture = std::make_unique<FakeTexture>(*this);
        texture->width = side;
        texture->height = side;
        texture->wrap = wrapMode;
        return texture;
    }
    std::vector<std::string> loads;
    // Pictures whose loads leave the texture without its image.
    std::vector<std::string> unreadable;
    int destroyed = 0;
};

// A clock that moves only when told to; Sleep advances it.
class ManualClock : public Clock {
public:
    uint32_t Milliseconds() override {
        const uint32_t reading = now;
        now += autoAdvance;
        return reading;
    }
    void Sleep(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        if (log) log->push_back("sleep:" + std::to_string(milliseconds));
        now += milliseconds;
    }
    uint32_t now = 0;
    uint32_t autoAdvance = 0;  // added after every reading
    std::vector<uint32_t> sleeps;
    std::vector<std::string>* log = nullptr;
};

class RecordingFrameHooks : public FrameHooks {
public:
    void BeginPass() override {
        ++begins;
        if (log) log->push_back("begin-pass");
    }
    void EndPass() override {
        ++ends;
        if (log) log->push_back("end-pass");
    }
    int begins = 0;
    int ends = 0;
    std::vector<std::string>* log = nullptr;
};

// Loading views that write their calls into a shared log.
class RecordingLoadingViewFactory : public LoadingViewFactory {
public:
    class View : public LoadingView {
    public:
        explicit View(RecordingLoadingViewFactory& owner) : owner(owner) {}
        ~View() override { owner.log.push_back("loading:destroyed"); }
        bool Load(const char* path) override {
            owner.log.push_back(std::string("loading:load:") + path);
            return true;
        }
        void FadeIn() override { owner.log.push_back("loading:fade-in"); }
        void FadeOut() override { owner.log.push_back("loading:fade-out"); }
        void Tick() override {
            ++owner.ticks;
            owner.log.push_back("loading:tick");
        }
        void Finish() override {}
        RecordingLoadingViewFactory& owner;
    };
    explicit RecordingLoadingViewFactory(std::vector<std::string>& log) : log(log) {}
    std::unique_ptr<LoadingView> NewLoadingView() override { return std::make_unique<View>(*this); }
    std::vector<std::string>& log;
    int ticks = 0;
};

// Every service a demo host needs, as doubles, for a host without a window
// or GL: a manual clock, no sound, pictures that load as nothing.
struct HeadlessHostServices {
    HostServices Services(const char* scriptPath) {
        HostServices services{clock, music, boxes, textureFactory, loadingViews, frameHooks};
        services.scriptPath = scriptPath;
        return services;
    }
    std::vector<std::string> log;
    ManualClock clock;
    RecordingMusicPlayer music;
    RecordingMessageBoxes boxes;
    RecordingTextureFactory textureFactory;
    RecordingLoadingViewFactory loadingViews{log};
    RecordingFrameHooks frameHooks;
};

// Hands out the messages the test queued; records posted quits.
class ScriptedMessageQueue : public MessageQueue {
public:
    bool Peek(Message& out) override {
        if (pending.empty()) {
            if (!quitPosted) return false;
            quitPosted = false;
            out = Message{0x0012, static_cast<uintptr_t>(quitCode), 0};
            return true;
        }
        out = pending.front();
        pending.pop_front();
        return true;
    }
    // Records the wait; `onWait`, when set, may let time pass and queue
    // what arrives meanwhile.
    bool WaitForMessage(uint32_t milliseconds) override {
        waits.push_back(milliseconds);
        if (onWait) onWait(milliseconds);
        return !pending.empty() || quitPosted;
    }
    void PostQuit(int exitCode) override {
        quitPosted = true;
        quitCode = exitCode;
        ++quitsPosted;
    }
    intptr_t DefaultProcedure(const Message& message) override {
        defaulted.push_back(message);
        return defaultResult;
    }
    std::deque<Message> pending;
    std::vector<uint32_t> waits;
    std::function<void(uint32_t milliseconds)> onWait;
    std::vector<Message> defaulted;
    intptr_t defaultResult = 0;
    bool quitPosted = false;
    int quitCode = 0;
    int quitsPosted = 0;
};

class RecordingWindowSurface : public WindowSurface {
public:
    void Swap() override {
        ++swaps;
        if (log) log->push_back("swap");
    }
    void Resize(int32_t width, int32_t height) override {
        resizes.push_back({width, height});
    }
    int32_t RefreshRate() override { return 0; }
    struct Size {
        int32_t width;
        int32_t height;
    };
    int swaps = 0;
    std::vector<Size> resizes;
    std::vector<std::string>* log = nullptr;
};

// A script written to a fresh temporary file, removed again at the end of
// the test.
class TempScript {
public:
    explicit TempScript(const std::string& text);
    ~TempScript();
    TempScript(const TempScript&) = delete;
    TempScript& operator=(const TempScript&) = delete;
    const char* Path() const { return path.c_str(); }

private:
    std::string path;
};
