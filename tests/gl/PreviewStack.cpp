#include "gl/PreviewStack.h"

#include <cmath>
#include <vector>

bool ToneDecoder::DecodeFile(const char*, SoundSink& sink, std::string&) {
    sink.Begin(1000, 1);
    std::vector<int16_t> samples(30000, 0);
    for (size_t i = 0; i < 20000; ++i) {
        const int16_t level = i < 10000 ? 16000 : 8000;
        samples[i] = static_cast<int16_t>(i % 2 == 0 ? level : -level);
    }
    sink.Take(samples.data(), samples.size());
    return true;
}

namespace {

ShowSetup PreviewSetup(GlWindow& window, MusicPlayer& music, MessageBoxes& boxes, LoadingViewFactory& loadingViews,
                       const char* scriptPath) {
    ShowSetup setup{window, window, music, boxes};
    setup.scriptPath = scriptPath;
    setup.stopOnScriptErrors = false;
    setup.loadingViews = &loadingViews;
    return setup;
}

}  // namespace

PreviewStack::PreviewStack(GlWindow& window, const char* scriptPath)
    : assembly(PreviewSetup(window, music, messages, loadingViews, scriptPath)),
      held(window),
      multisampling(window.IsMultisampleReady()) {
    host = &assembly.Host();
    reloader = std::make_unique<ScriptReloader>(scriptPath, host->Textures());
    PreviewServices services{*host, previewMusic, systemClock, *reloader};
    services.startupProblems = &startupFindings;
    services.multisampling = &multisampling;
    session = std::make_unique<PreviewSession>(services);
    show = std::make_unique<PreviewShow>(*host, *session, held);
    hud = std::make_unique<HudOverlay>(*session, host->Script(), *reloader, window);
    timeline = std::make_unique<TimelineStrip>(*session, host->Script(), window, &decoder);
    hud->KeepAbove(*timeline);
    overlays = std::make_unique<OverlayStack>(*timeline, *hud);
}

PreviewStack::~PreviewStack() {
    if (started) host->Uninit();
}

bool PreviewStack::Start(uint32_t at) {
    started = show->Init() == 0;
    session->Begin();
    session->SeekTo(at);
    return started;
}

void PreviewStack::Frame(bool withOverlays) {
    systemClock.now += 16;
    session->PrepareFrame();
    show->Frame();
    if (withOverlays) overlays->Draw();
}

std::vector<uint8_t> ReadWindowPixels() {
    std::vector<uint8_t> pixels(800 * 600 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<uint8_t> ReadTexture(Texture* texture) {
    glBindTexture(GL_TEXTURE_2D, texture->glName);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

std::vector<float> GlStateSnapshot() {
    std::vector<float> state(16 * 2 + 4 + 4);
    glGetFloatv(GL_MODELVIEW_MATRIX, state.data());
    glGetFloatv(GL_PROJECTION_MATRIX, state.data() + 16);
    glGetFloatv(GL_CURRENT_COLOR, state.data() + 32);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int i = 0; i < 4; ++i) state[36 + i] = static_cast<float>(viewport[i]);
    GLint value = 0;
    for (const GLenum query : {GL_MATRIX_MODE, GL_TEXTURE_BINDING_2D, GL_BLEND_SRC, GL_BLEND_DST, GL_POLYGON_MODE}) {
        glGetIntegerv(query, &value);
        state.push_back(static_cast<float>(value));
    }
    for (const GLenum capability : {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE}) {
        state.push_back(glIsEnabled(capability) ? 1.0f : 0.0f);
    }
    return state;
}

void SetUnusualGlState() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_DEPTH_TEST);
    glViewport(10, 20, 512, 256);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glTranslatef(1.0f, 2.0f, 3.0f);
}
