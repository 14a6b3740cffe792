#include "content/ShowPictures.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "content/XorShift.h"
#include "render/BitmapFont.h"

namespace {

// Why the last picture could not be written.
std::string lastWriteError;

struct Colour {
    float r, g, b, a;
};

class Picture {
public:
    Picture(int width, int height) : width(width), height(height), pixels(size_t(width) * height) {}

    void Fill(Colour c) { std::fill(pixels.begin(), pixels.end(), c); }

    // Blends `c` over the pixel at (x, y), y counted from the top.
    void Blend(int x, int y, Colour c, float coverage = 1.0f) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        Colour& p = pixels[size_t(y) * width + x];
        // Porter-Duff "over" with straight (not premultiplied) colours, so
        // that soft edges over a transparent ground keep their colour.
        const float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
        const float below = p.a * (1 - a);
        const float out = a + below;
        if (out <= 0.0f) return;
        p.r = (c.r * a + p.r * below) / out;
        p.g = (c.g * a + p.g * below) / out;
        p.b = (c.b * a + p.b * below) / out;
        p.a = out;
    }

    template <typename Shader>
    void Shade(Shader shader) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels[size_t(y) * width + x] = shader(x, y);
    }

    bool Write(const std::string& path, bool withAlpha) const {
        std::vector<uint8_t> bytes;
        const int channels = withAlpha ? 4 : 3;
        bytes.reserve(pixels.size() * channels);
        for (const Colour& p : pixels) {
            bytes.push_back(ToByte(p.r));
            bytes.push_back(ToByte(p.g));
            bytes.push_back(ToByte(p.b));
            if (withAlpha) bytes.push_back(ToByte(p.a));
        }
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(width);
        image.height = static_cast<png_uint_32>(height);
        image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr)) {
            lastWriteError = "cannot write " + path + ": " + image.message;
            return false;
        }
        return true;
    }

    const int width;
    const int height;

private:
    static uint8_t ToByte(float v) {
        return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    }
    std::vector<Colour> pixels;
};

// Text centred on (centreX, top) in the show's bitmap font, with each font
// pixel drawn as a `cell` square; a soft halo around the strokes makes it
// glow.
void DrawText(Picture& picture, const std::string& text, int centreX, int top, int cell, Colour ink,
              Colour halo) {
    using namespace bitmap_font;
    const int advance = kAdvance * cell;
    const int left = centreX - (static_cast<int>(text.size()) * advance - cell) / 2;
    auto forEachCell = [&](auto draw) {
        for (size_t i = 0; i < text.size(); ++i) {
            const uint8_t* rows = GlyphRows(text[i]);
            if (!rows) continue;
            for (int row = 0; row < kGlyphHeight; ++row)
                for (int col = 0; col < kGlyphWidth; ++col)
                    if (rows[row] & (0x10 >> col))
                        draw(left + static_cast<int>(i) * advance + col * cell, top + row * cell);
        }
    };
    const int reach = cell * 2;
    forEachCell([&](int x0, int y0) {
        for (int y = y0 - reach; y < y0 + cell + reach; ++y)
            for (int x = x0 - reach; x < x0 + cell + reach; ++x) {
                const float dx = std::max({0.0f, float(x0 - x), float(x - (x0 + cell - 1))});
                const float dy = std::max({0.0f, float(y0 - y), float(y - (y0 + cell - 1))});
                const float d = std::sqrt(dx * dx + dy * dy) / reach;
                if (d > 0 && d < 1) picture.Blend(x, y, halo, (1 - d) * (1 - d) * 0.35f);
            }
    });
    forEachCell([&](int x0, int y0) {
        for (int y = y0; y < y0 + cell; ++y)
            for (int x = x0; x < x0 + cell; ++x) picture.Blend(x, y, ink);
    });
}

// The loading picture: a warm ring of light with the word LOADING.
bool MakeLoading(const std::string& dir) {
    Picture picture(512, 256);
    picture.Shade([](int x, int y) {
        const float dx = (x - 256.0f) / 256.0f;
        const float dy = (y - 128.0f) / 128.0f;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float glow = std::exp(-r * r * 2.5f);
        return Colour{0.05f + 0.25f * glow, 0.04f + 0.15f * glow, 0.08f + 0.1f * glow, 1.0f};
    });
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const float d = std::hypot(x - 256.0f, (y - 128.0f) * 1.0f);
            const float ring = std::exp(-std::pow((d - 96.0f) / 5.0f, 2.0f));
            picture.Blend(x, y, Colour{1.0f, 0.75f, 0.35f, 1.0f}, ring * 0.9f);
        }
    DrawText(picture, "LOADING", 256, 110, 5, Colour{1.0f, 0.95f, 0.85f, 1.0f},
             Colour{1.0f, 0.6f, 0.2f, 1.0f});
    return picture.Write(dir + "/loading.png", false);
}

// Fixed-seed numbers, so that every run draws the same pictures.
class Random {
public:
    explicit Random(uint32_t seed) : source(seed) {}
    // Uniform in [0, 1).
    float Unit() { return (source.Next() >> 8) * (1.0f / 16777216.0f); }

private:
    XorShift32 source;
};

// Smooth value noise over a grid of `cells` x `cells`, wrapping at the edges
// so that the texture tiles.
class TiledNoise {
public:
    TiledNoise(int cells, uint32_t seed) : cells(cells), values(size_t(cells) * cells) {
        Random random(seed);
        for (float& v : values) v = random.Unit();
    }
    float At(float u, float v) const {
        const float x = u * cells, y = v * cells;
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const float fx = Smooth(x - x0), fy = Smooth(y - y0);
        auto value = [&](int i, int j) {
            i = ((i % cells) + cells) % cells;
            j = ((j % cells) + cells) % cells;
            return values[size_t(j) * cells + i];
        };
        const float top = value(x0, y0) * (1 - fx) + value(x0 + 1, y0) * fx;
        const float bottom = value(x0, y0 + 1) * (1 - fx) + value(x0 + 1, y0 + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }

private:
    static float Smooth(float t) { return t * t * (3 - 2 * t); }
    int cells;
    std::vector<float> values;
};

// The model's skin: a soft, marbled pastel with darker veins, so that the
// model's turning shows.
Picture Skin() {
    Picture picture(256, 256);
    const TiledNoise coarse(4, 11), fine(16, 23), grain(64, 37);
    picture.Shade([&](int x, int y) {
        const float u = x / 256.0f, v = y / 256.0f;
        const float n = coarse.At(u, v) * 0.6f + fine.At(u, v) * 0.3f + grain.At(u, v) * 0.1f;
        const float vein = std::pow(std::fabs(std::sin((u * 3 + n * 4) * 3.14159f)), 8.0f);
        const float base = 0.78f + 0.18f * n;
        return Colour{base, base * 0.86f - vein * 0.25f, base * 0.80f - vein * 0.1f + 0.08f * grain.At(v, u),
                      1.0f};
    });
    return picture;
}

// The noise overlay: grey grain that tiles, shown through its repeating wrap.
Picture Noise() {
    Picture picture(128, 128);
    Random random(0x5EED);
    picture.Shade([&](int, int) {
        const float v = random.Unit();
        return Colour{v, v, v, 1.0f};
    });
    return picture;
}

// A card: lines of text over a transparent background, with a thin frame,
// so that the scene shows around the words.
struct CardLine {
    std::string text;
    int cell;
    Colour ink;
};

bool MakeCard(const std::string& path, const std::vector<CardLine>& lines, Colour halo) {
    Picture picture(640, 480);
    picture.Fill(Colour{0, 0, 0, 0});
    int total = 0;
    for (const CardLine& line : lines) total += line.cell * 7 + line.cell * 4;
    int top = (480 - total) / 2;
    for (const CardLine& line : lines) {
        DrawText(picture, line.text, 320, top, line.cell, line.ink, halo);
        top += line.cell * 11;
    }
    const Colour frame{halo.r, halo.g, halo.b, 0.55f};
    for (int x = 40; x < 600; ++x) {
        picture.Blend(x, 40, frame);
        picture.Blend(x, 439, frame);
    }
    for (int y = 40; y < 440; ++y) {
        picture.Blend(40, y, frame);
        picture.Blend(599, y, frame);
    }
    return picture.Write(path, true);
}

// The show's six cards.
bool MakeShowCards(const std::string& dir) {
    const Colour white{1.0f, 0.97f, 0.92f, 1.0f};
    const Colour amber{1.0f, 0.72f, 0.3f, 1.0f};
    const Colour teal{0.45f, 0.9f, 1.0f, 1.0f};
    const Colour rose{1.0f, 0.55f, 0.7f, 1.0f};
    bool ok = true;
    ok &= MakeCard(dir + "/pic1.png", {{"PEBBLE", 14, white}, {"A REAL-TIME SHOW", 4, amber}}, amber);
    ok &= MakeCard(dir + "/pic2.png", {{"MADE", 10, white}, {"FROM SCRATCH", 6, teal}}, teal);
    ok &= MakeCard(dir + "/pic3.png", {{"125 BPM", 11, white}, {"FOUR TO THE FLOOR", 4, rose}}, rose);
    ok &= MakeCard(dir + "/pic4.png", {{"GLOW", 16, white}, {"AND REFLECTIONS", 4, amber}}, amber);
    ok &= MakeCard(dir + "/pic5.png",
                   {{"CODE MUSIC", 6, white}, {"AND PICTURES", 6, white}, {"BY THE TEAM", 4, teal}}, teal);
    ok &= MakeCard(dir + "/pic6.png", {{"THE END", 12, white}, {"THANKS FOR WATCHING", 4, rose}}, rose);
    return ok;
}

// A large "REPLACE ME" over a picture, with what the picture is for
// underneath, in dark ink with a light halo so that it reads on any ground.
void LabelToReplace(Picture& picture, const std::string& what) {
    const Colour ink{0.1f, 0.1f, 0.12f, 1.0f};
    const Colour halo{1.0f, 1.0f, 1.0f, 1.0f};
    const int cell = std::max(2, picture.width / 64);
    const int top = picture.height / 2 - cell * 9;
    DrawText(picture, "REPLACE", picture.width / 2, top, cell, ink, halo);
    DrawText(picture, "ME", picture.width / 2, top + cell * 9, cell, ink, halo);
    DrawText(picture, what, picture.width / 2, top + cell * 19, std::max(1, cell / 2), ink, halo);
}

// Six cards that say which they are and that they are there to be
// replaced.
bool MakeStarterCards(const std::string& dir) {
    const Colour white{1.0f, 0.97f, 0.92f, 1.0f};
    const Colour amber{1.0f, 0.72f, 0.3f, 1.0f};
    const Colour teal{0.45f, 0.9f, 1.0f, 1.0f};
    bool ok = true;
    for (int card = 1; card <= 6; ++card) {
        const std::string name = "pic" + std::to_string(card);
        const std::string shown = "PIC" + std::to_string(card) + ".PNG";
        ok &= MakeCard(dir + "/" + name + ".png",
                       {{"REPLACE ME", 9, white}, {shown, 5, card % 2 ? amber : teal},
                        {"640 X 480 PNG, SEE-THROUGH AROUND", 2, white}},
                       card % 2 ? amber : teal);
    }
    return ok;
}

}  // namespace

bool WriteShowPictures(const std::string& dir, std::string& error) {
    const bool ok = MakeLoading(dir) && Skin().Write(dir + "/mallow.png", false) &&
                    Noise().Write(dir + "/noise.png", false) && MakeShowCards(dir);
    if (!ok) error = lastWriteError;
    return ok;
}

bool WriteStarterPictures(const std::string& dir, std::string& error) {
    Picture skin = Skin();
    LabelToReplace(skin, "MALLOW.PNG: THE SKIN");
    Picture noise = Noise();
    LabelToReplace(noise, "NOISE.PNG");
    const bool ok = MakeLoading(dir) && skin.Write(dir + "/mallow.png", false) &&
                    noise.Write(dir + "/noise.png", false) && MakeStarterCards(dir);
    if (!ok) error = lastWriteError;
    return ok;
}
