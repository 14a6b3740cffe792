// The preview's HUD on a real GL context: the text lands where the font
// puts it, drawing it leaves the GL state as it was, and the show under it
// draws exactly as without it, in the window outside the HUD and in its
// render targets. A preview frame, HUD included, allocates nothing.
#include <GL/gl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/GlWindow.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "demo/NullLoadingView.h"
#include "demo/SteppedClock.h"
#include "effects/ShowEffects.h"
#include "gl/GlTestContext.h"
#include "platform/ConsoleMessageBoxes.h"
#include "preview/HudOverlay.h"
#include "preview/PreviewMusic.h"
#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "render/RenderToolkit.h"
#include "render/TextOverlay.h"
#include "support/AllocationCounter.h"
#include "support/Doubles.h"
#include "textures/gl/GlTextures.h"

namespace {

class SilentMusic : public PreviewMusic {
public:
    bool IsPlaying() override { return false; }
    int64_t PositionMilliseconds() override { return -1; }
    void Pause() override {}
    void PlayFrom(uint32_t) override {}
};

// The show as the preview plays it, without a window system of its own:
// the real host and effects on the test's GL context, against a system
// clock that moves 16 ms a frame.
class PreviewStack {
public:
    explicit PreviewStack(GlWindow& window) : toolkit(window) {
        HostServices services{frameClock, music, messages, textureFactory, loadingViews, frameHooks};
        services.toolkit = &toolkit;
        services.stopOnScriptErrors = false;
        host = std::make_unique<DemoHost>(services);
        effects.RegisterWith(*host);
        reloader = std::make_unique<ScriptReloader>("data/script.txt", host->Textures());
        session = std::make_unique<PreviewSession>(PreviewServices{
            host->Script(), previewMusic, systemClock, frameClock, *reloader});
        hud = std::make_unique<HudOverlay>(*session, host->Script(), *reloader, window);
    }
    ~PreviewStack() {
        if (started) host->Uninit();
    }

    bool Start(uint32_t at) {
        started = host->Init() == 0;
        session->Begin();
        session->SeekTo(at);
        return started;
    }
    void Frame(bool withHud) {
        systemClock.now += 16;
        session->PrepareFrame();
        host->Frame();
        if (withHud) hud->Draw();
    }

    ManualClock systemClock;
    SteppedClock frameClock;
    RecordingMusicPlayer music;
    SilentMusic previewMusic;
    ConsoleMessageBoxes messages{nullptr};
    GlTextureFactory textureFactory;
    NullLoadingViewFactory loadingViews;
    GlFrameHooks frameHooks;
    RenderToolkit toolkit;
    std::unique_ptr<DemoHost> host;
    ShowEffects effects;  // after the host: destroyed before it
    std::unique_ptr<ScriptReloader> reloader;
    std::unique_ptr<PreviewSession> session;
    std::unique_ptr<HudOverlay> hud;
    bool started = false;
};

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

class PreviewHud : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(SHOW_SOURCE_DIR), 0);
        Window().Resize(kWidth, kHeight);
    }
};

}  // namespace

TEST_F(PreviewHud, DrawingTextLeavesEveryGlStateAsItFoundIt) {
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

    auto snapshot = [] {
        std::vector<float> state(16 * 2 + 4 + 4);
        glGetFloatv(GL_MODELVIEW_MATRIX, state.data());
        glGetFloatv(GL_PROJECTION_MATRIX, state.data() + 16);
        glGetFloatv(GL_CURRENT_COLOR, state.data() + 32);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        for (int i = 0; i < 4; ++i) state[36 + i] = static_cast<float>(viewport[i]);
        GLint value = 0;
        for (const GLenum query : {GL_MATRIX_MODE, GL_TEXTURE_BINDING_2D, GL_BLEND_SRC, GL_BLEND_DST,
                                   GL_POLYGON_MODE}) {
            glGetIntegerv(query, &value);
            state.push_back(static_cast<float>(value));
        }
        for (const GLenum capability : {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE}) {
            state.push_back(glIsEnabled(capability) ? 1.0f : 0.0f);
        }
        return state;
    };
    const std::vector<float> before = snapshot();
    const TextOverlay::Line lines[] = {{"#12.3  23040 ms  60 fps", 1.0f, 1.0f, 0.8f}};
    TextOverlay::Draw(lines, 1, kWidth, kHeight);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PreviewHud, TextLandsInTheFontAndNothingOutsideItsExtentChanges) {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // "|" is the middle column of its cell, all seven rows; "." two by two
    // at the bottom right of the second cell.
    const TextOverlay::Line lines[] = {{"|", 1.0f, 0.0f, 0.0f}, {"x.", 0.0f, 1.0f, 0.0f}};
    TextOverlay::Draw(lines, 2, kWidth, kHeight);
    int32_t width = 0, height = 0;
    TextOverlay::Extent(lines, 2, width, height);
    EXPECT_EQ(width, 2 * TextOverlay::kMargin + 2 * bitmap_font::kAdvance * TextOverlay::kScale);
    EXPECT_EQ(height, TextOverlay::kMargin + 2 * TextOverlay::kLineHeight - TextOverlay::kScale);

    // Pixels from the top left; GL counts rows from the bottom.
    const auto at = [this](int x, int y) { return PixelAt(x, kHeight - 1 - y); };
    const int s = TextOverlay::kScale;
    const int left = TextOverlay::kMargin;
    const int top = TextOverlay::kMargin;
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(at(left + 2 * s, top + row * s), (std::array<uint8_t, 4>{255, 0, 0, 255})) << row;
        // Beside the stroke, the band darkens the grey.
        const auto band = at(left, top + row * s);
        EXPECT_LT(band[0], 0x80);
        EXPECT_EQ(band[0], band[1]);
    }
    const int secondTop = top + TextOverlay::kLineHeight;
    const int dotLeft = left + bitmap_font::kAdvance * s;
    EXPECT_EQ(at(dotLeft + 2 * s, secondTop + 5 * s), (std::array<uint8_t, 4>{0, 255, 0, 255}));
    EXPECT_NE(at(dotLeft + 2 * s, secondTop + 4 * s)[1], 255);

    // Outside the extent the frame is as it was.
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{
             {width, 0}, {width + 5, 10}, {0, height}, {width - 1, height}, {799, 599}}) {
        EXPECT_EQ(at(x, y), (std::array<uint8_t, 4>{128, 128, 128, 255})) << x << "," << y;
    }
}

TEST_F(PreviewHud, TheShowUnderTheHudDrawsAsWithoutIt) {
    // From bar 16: the swarm, the beat and the glow all at work.
    constexpr uint32_t kStart = 16 * 1920;
    constexpr int kFrames = 40;

    std::srand(1);
    PreviewStack plain(Window());
    ASSERT_TRUE(plain.Start(kStart)) << testing::PrintToString(plain.messages.Texts());
    for (int i = 0; i < kFrames; ++i) plain.Frame(false);
    const std::vector<uint8_t> plainWindow = ReadWindowPixels();
    const std::vector<uint8_t> plainBuffer = ReadTexture(plain.host->Textures().Find("buffer"));
    const std::vector<uint8_t> plainGlow = ReadTexture(plain.host->Textures().Find("glowbuffer"));

    std::srand(1);
    PreviewStack withHud(Window());
    ASSERT_TRUE(withHud.Start(kStart));
    for (int i = 0; i < kFrames; ++i) withHud.Frame(true);
    const std::vector<uint8_t> hudWindow = ReadWindowPixels();
    EXPECT_EQ(ReadTexture(withHud.host->Textures().Find("buffer")), plainBuffer);
    EXPECT_EQ(ReadTexture(withHud.host->Textures().Find("glowbuffer")), plainGlow);
    ASSERT_EQ(withHud.host->Script().Now(), plain.host->Script().Now());

    const HudText& text = withHud.hud->Text();
    ASSERT_GE(text.count, 3);
    std::vector<TextOverlay::Line> lines;
    for (int32_t i = 0; i < text.count; ++i) lines.push_back({text.lines[i].text, 1, 1, 1});
    int32_t width = 0, height = 0;
    TextOverlay::Extent(lines.data(), text.count, width, height);

    size_t differentInside = 0;
    size_t differentOutside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = (static_cast<size_t>(y) * kWidth + x) * 4;
            const bool same = std::equal(&hudWindow[at], &hudWindow[at] + 3, &plainWindow[at]);
            const bool inside = x < width && kHeight - 1 - y < height;
            if (!same) ++(inside ? differentInside : differentOutside);
        }
    }
    EXPECT_EQ(differentOutside, 0u);
    EXPECT_GT(differentInside, 1000u);
}

TEST_F(PreviewHud, APreviewFrameWithItsHudAllocatesNothing) {
    std::srand(1);
    PreviewStack stack(Window());
    ASSERT_TRUE(stack.Start(16 * 1920));
    stack.session->KeyPressed('2');  // the model's scene, with parameters set
    for (int i = 0; i < 10; ++i) stack.Frame(true);

    // A second of frames: the files are looked at four times.
    size_t allocations = 0;
    {
        CountingAllocations counter;
        for (int i = 0; i < 63; ++i) stack.Frame(true);
        allocations = counter.Count();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_GE(stack.hud->Text().count, 4);
}
