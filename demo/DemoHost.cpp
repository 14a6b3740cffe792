#include "demo/DemoHost.h"

#include "audio/MusicPlayer.h"
#include "demo/FrameHooks.h"
#include "demo/LoadingView.h"
#include "platform/Clock.h"
#include "platform/ConsoleText.h"

DemoHost::DemoHost(const HostServices& services)
    : services(services),
      textures(services.textureFactory),
      script(services.boxes, services.music) {}

void DemoHost::AddEffect(Effect* effect) {
    if (!effect || effectCount >= kMaxEffects) return;
    effects[static_cast<size_t>(effectCount++)] = effect;
}

void DemoHost::TellProblem(int32_t line, std::string_view text) {
    if (!services.problems) return;
    // File names and words from the script, escaped on a terminal.
    WriteForTerminal(services.problems, EditorLine(services.scriptPath, line, FindingSeverity::Error, text));
}

int32_t DemoHost::Init() {
    initProblem.clear();
    // The loading screen lives until Init returns, whichever way it returns.
    std::unique_ptr<LoadingView> loading = services.loadingViews.NewLoadingView();
    loading->Load(services.loadingPicturePath);
    loading->FadeIn();

    script.SetLoadingScreen(loading.get());
    const bool loaded = script.Load(services.scriptPath, &textures);
    script.SetLoadingScreen(nullptr);
    for (const FileProblem& problem : script.FileProblems()) TellProblem(problem.line, problem.text);
    if (!loaded && services.stopOnScriptErrors) {
        if (!script.ReadProblem().empty()) {
            initProblem = script.ReadProblem();
            TellProblem(0, initProblem);
            return 1;
        }
        for (const ScriptFinding& finding : script.Script().findings) {
            if (finding.severity == FindingSeverity::Error) TellProblem(finding.line, finding.ReportText());
        }
        initProblem = std::string("the script ") + services.scriptPath + " has errors";
        return 1;
    }
    if (hasStartOverride) script.SetStartPosition(startOverride);

    for (int32_t i = 0; i < effectCount; ++i) {
        Effect* effect = effects[static_cast<size_t>(i)];
        effect->toolkit = services.toolkit;
        effect->textures = &textures;
        if (effect->Init() != 0) {
            initProblem = effect->initProblem.empty()
                              ? "effect " + std::to_string(i) + " could not start"
                              : effect->initProblem;
            TellProblem(0, initProblem);
            return 1;
        }
    }

    services.clock.Sleep(kReadyPause);
    loading->FadeOut();
    services.music.Play();
    lastTime = services.clock.Milliseconds();
    script.Start();
    return 0;
}

int32_t DemoHost::Frame() {
    const uint32_t reading = services.clock.Milliseconds();
    const uint32_t dt = reading - lastTime;  // right across the clock's wrap
    lastTime = reading;
    PlayFrame(dt, true);
    return FrameResult();
}

int32_t DemoHost::FrameTo(uint32_t time) {
    PlayFrame(time - script.Now(), true);
    return FrameResult();
}

bool DemoHost::ReplayFrameTo(uint32_t time) { return PlayFrame(time - script.Now(), false); }

bool DemoHost::PlayFrame(uint32_t dt, bool draw) {
    script.Step(dt);

    bool needsEarlierFrames = false;
    for (int32_t pass = 0; pass < passCount; ++pass) {
        if (draw) services.frameHooks.BeginPass();
        for (int32_t i = 0; i < effectCount; ++i) {
            Effect* effect = effects[static_cast<size_t>(i)];
            EffectParams& record = script.GetParams(i);
            effect->params = record;
            effect->pass = pass;
            effect->Update(dt);
            record.patternEvent = 0;
            if (!draw) {
                needsEarlierFrames = needsEarlierFrames || effect->NeedsEarlierFrames();
            } else if (effect->params.Running()) {
                effect->Render();
            }
        }
        if (draw) services.frameHooks.EndPass();
    }
    return needsEarlierFrames;
}

void DemoHost::Rewind() {
    script.Rewind();
    for (int32_t i = 0; i < effectCount; ++i) effects[static_cast<size_t>(i)]->Rewind();
}

int32_t DemoHost::Uninit() {
    for (int32_t i = 0; i < effectCount; ++i) {
        if (effects[static_cast<size_t>(i)]->Uninit() != 0) return 1;
    }
    return 0;
}
