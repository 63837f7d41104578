// Draws the 31 x 26 weather pictures of the forecast tile and writes
// each as a baseline JPEG (4:2:0, JFIF 1.01, 96 dpi) into the folder named
// on the command line. The shapes are painted at four times the size and
// averaged down, so the small pictures keep smooth edges.
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kWidth = 31, kHeight = 26, kScale = 4;
constexpr float kPi = 3.14159265f;

struct Colour {
    float r, g, b;
};

Colour Mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

using Shape = std::function<bool(float, float)>;  // in picture pixels

class Canvas {
public:
    Canvas() : px_(size_t(kWidth * kScale * kHeight * kScale)) {}

    void Sky(Colour top, Colour bottom) {
        for (int y = 0; y < kHeight * kScale; ++y)
            for (int x = 0; x < kWidth * kScale; ++x) At(x, y) = Mix(top, bottom, (y + 0.5f) / (kHeight * kScale));
    }

    void Paint(const Shape& inside, Colour c) {
        for (int y = 0; y < kHeight * kScale; ++y)
            for (int x = 0; x < kWidth * kScale; ++x)
                if (inside((x + 0.5f) / kScale, (y + 0.5f) / kScale)) At(x, y) = c;
    }

    // Paints with a colour that changes from top to bottom of the band y0..y1.
    void PaintShaded(const Shape& inside, Colour top, Colour bottom, float y0, float y1) {
        for (int y = 0; y < kHeight * kScale; ++y) {
            float fy = (y + 0.5f) / kScale;
            Colour c = Mix(top, bottom, std::clamp((fy - y0) / (y1 - y0), 0.0f, 1.0f));
            for (int x = 0; x < kWidth * kScale; ++x)
                if (inside((x + 0.5f) / kScale, fy)) At(x, y) = c;
        }
    }

    std::vector<unsigned char> Rgb() const {
        std::vector<unsigned char> out(size_t(kWidth * kHeight * 3));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                Colour sum{0, 0, 0};
                for (int sy = 0; sy < kScale; ++sy)
                    for (int sx = 0; sx < kScale; ++sx) {
                        const Colour& c = px_[size_t((y * kScale + sy) * kWidth * kScale + x * kScale + sx)];
                        sum.r += c.r;
                        sum.g += c.g;
                        sum.b += c.b;
                    }
                float n = kScale * kScale;
                unsigned char* p = &out[size_t((y * kWidth + x) * 3)];
                p[0] = (unsigned char)std::lround(std::clamp(sum.r / n, 0.0f, 255.0f));
                p[1] = (unsigned char)std::lround(std::clamp(sum.g / n, 0.0f, 255.0f));
                p[2] = (unsigned char)std::lround(std::clamp(sum.b / n, 0.0f, 255.0f));
            }
        return out;
    }

private:
    Colour& At(int x, int y) { return px_[size_t(y * kWidth * kScale + x)]; }
    std::vector<Colour> px_;
};

// --- shapes ------------------------------------------------------------------

Shape Disc(float cx, float cy, float r) {
    return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape Segment(float x1, float y1, float x2, float y2, float width) {
    return [=](float x, float y) {
        float dx = x2 - x1, dy = y2 - y1;
        float t = std::clamp(((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        float ex = x1 + t * dx - x, ey = y1 + t * dy - y;
        return ex * ex + ey * ey <= width * width / 4;
    };
}

Shape Union(std::vector<Shape> parts) {
    return [parts = std::move(parts)](float x, float y) {
        for (auto& p : parts)
            if (p(x, y)) return true;
        return false;
    };
}

Shape Minus(Shape a, Shape b) {
    return [=](float x, float y) { return a(x, y) && !b(x, y); };
}

// A cloud w wide whose flat base lies at baseY; grow widens it for outlines.
Shape Cloud(float cx, float baseY, float w, float grow = 0) {
    float u = w / 24;
    return Union({Disc(cx - 6.5f * u, baseY - 3.5f * u, 3.6f * u + grow),
                  Disc(cx + 0.5f * u, baseY - 5.5f * u, 5.6f * u + grow),
                  Disc(cx + 7 * u, baseY - 3.6f * u, 3.8f * u + grow),
                  [=](float x, float y) {
                      return x >= cx - 10 * u - grow && x <= cx + 10.5f * u + grow && y >= baseY - 4 * u - grow &&
                             y <= baseY + grow;
                  },
                  Disc(cx - 10 * u, baseY - 2 * u, 2 * u + grow), Disc(cx + 10.5f * u, baseY - 2 * u, 2 * u + grow)});
}

void DrawCloud(Canvas& c, float cx, float baseY, float w, Colour light, Colour dark, Colour outline) {
    c.Paint(Cloud(cx, baseY, w, 0.7f), outline);
    c.PaintShaded(Cloud(cx, baseY, w), light, dark, baseY - w * 0.45f, baseY);
}

void DrawSun(Canvas& c, float cx, float cy, float r, float rayIn, float rayOut) {
    const Colour ray{255, 185, 20}, rim{255, 170, 0}, face{255, 225, 60}, glow{255, 245, 150};
    for (int i = 0; i < 8; ++i) {
        float a = i * kPi / 4;
        c.Paint(Segment(cx + rayIn * std::cos(a), cy + rayIn * std::sin(a), cx + rayOut * std::cos(a),
                        cy + rayOut * std::sin(a), 1.7f),
                ray);
    }
    c.Paint(Disc(cx, cy, r + 0.6f), rim);
    c.Paint(Disc(cx, cy, r), face);
    c.Paint(Disc(cx - r * 0.25f, cy - r * 0.25f, r * 0.5f), glow);
}

void DrawDrops(Canvas& c, const std::vector<std::pair<float, float>>& at, float length, Colour colour) {
    for (auto [x, y] : at) c.Paint(Segment(x, y, x - length * 0.35f, y + length, 1.4f), colour);
}

void DrawFlakes(Canvas& c, const std::vector<std::pair<float, float>>& at, float r, Colour colour, Colour edge) {
    for (auto [x, y] : at) c.Paint(Disc(x, y, r + 0.7f), edge);
    for (auto [x, y] : at) {
        std::vector<Shape> arms;
        for (int i = 0; i < 3; ++i) {
            float a = i * kPi / 3 + kPi / 2;
            arms.push_back(
                Segment(x - r * std::cos(a), y - r * std::sin(a), x + r * std::cos(a), y + r * std::sin(a), 0.9f));
        }
        c.Paint(Union(arms), colour);
    }
}

const Colour kDayTop{60, 130, 225}, kDayBottom{150, 200, 250};
const Colour kWhite{250, 250, 252}, kCloudShade{200, 208, 220}, kCloudEdge{120, 130, 150};
const Colour kRain{30, 100, 230};

Canvas Sunny() {
    Canvas c;
    c.Sky(kDayTop, kDayBottom);
    DrawSun(c, 15.5f, 13, 5.8f, 7.4f, 11.5f);
    return c;
}

Canvas SunnyIntervals() {
    Canvas c;
    c.Sky(kDayTop, kDayBottom);
    DrawSun(c, 11, 10, 5, 6.5f, 9.5f);
    DrawCloud(c, 19.5f, 23, 19, kWhite, kCloudShade, kCloudEdge);
    return c;
}

Canvas Clear() {
    Canvas c;
    c.Sky({8, 12, 45}, {30, 40, 95});
    const Colour star{255, 255, 220};
    for (auto [x, y] : std::vector<std::pair<float, float>>{{4, 5}, {25, 4}, {6, 20}, {27, 21}, {12, 3.5f}}) {
        c.Paint(Union({Segment(x - 1.6f, y, x + 1.6f, y, 0.8f), Segment(x, y - 1.6f, x, y + 1.6f, 0.8f)}), star);
    }
    for (auto [x, y] : std::vector<std::pair<float, float>>{{9, 12}, {23, 13}, {15, 22}, {2, 13}, {20, 2.5f}})
        c.Paint(Disc(x, y, 0.55f), star);
    c.Paint(Minus(Disc(16.5f, 12.5f, 7), Disc(19.8f, 10, 6)), {250, 235, 160});
    return c;
}

Canvas PartlyCloudy() {
    Canvas c;
    c.Sky(kDayTop, kDayBottom);
    DrawSun(c, 20.5f, 8, 4.2f, 5.6f, 7.8f);
    DrawCloud(c, 14, 22.5f, 25, kWhite, kCloudShade, kCloudEdge);
    return c;
}

Canvas Cloudy() {
    Canvas c;
    c.Sky({120, 140, 170}, {175, 185, 200});
    DrawCloud(c, 19.5f, 14, 20, {200, 205, 215}, {160, 166, 180}, {105, 112, 128});
    DrawCloud(c, 13, 22.5f, 24, kWhite, kCloudShade, kCloudEdge);
    return c;
}

Canvas LightShowers() {
    Canvas c;
    c.Sky(kDayTop, kDayBottom);
    DrawSun(c, 10, 8, 4.2f, 5.6f, 7.8f);
    DrawCloud(c, 17, 16, 22, kWhite, kCloudShade, kCloudEdge);
    DrawDrops(c, {{12, 18.5f}, {18.5f, 18.5f}, {25, 18.5f}}, 4.5f, kRain);
    return c;
}

Canvas HeavyShowers() {
    Canvas c;
    c.Sky(kDayTop, kDayBottom);
    DrawSun(c, 8, 6.5f, 3.6f, 4.9f, 6.9f);
    DrawCloud(c, 17, 15, 24, {150, 155, 168}, {100, 105, 120}, {60, 64, 78});
    DrawDrops(c,
              {{8.5f, 17},
               {13, 17},
               {17.5f, 17},
               {22, 17},
               {26.5f, 17},
               {11, 21.5f},
               {15.5f, 21.5f},
               {20, 21.5f},
               {24.5f, 21.5f}},
              3.6f, kRain);
    return c;
}

Canvas LightRain() {
    Canvas c;
    c.Sky({135, 145, 165}, {180, 186, 198});
    DrawCloud(c, 15.5f, 15, 24, {235, 238, 242}, {190, 195, 205}, {110, 116, 130});
    DrawDrops(c, {{10, 17.5f}, {16.5f, 19}, {23, 17.5f}}, 4.5f, {20, 80, 210});
    return c;
}

Canvas HeavyRain() {
    Canvas c;
    c.Sky({75, 80, 95}, {115, 120, 135});
    DrawCloud(c, 15.5f, 13, 27, {135, 140, 152}, {90, 94, 108}, {45, 48, 60});
    DrawDrops(c,
              {{6, 14.5f},
               {10, 14.5f},
               {14, 14.5f},
               {18, 14.5f},
               {22, 14.5f},
               {26, 14.5f},
               {8.5f, 20},
               {12.5f, 20},
               {16.5f, 20},
               {20.5f, 20},
               {24.5f, 20},
               {28.5f, 20}},
              4.8f, {90, 160, 255});
    return c;
}

Canvas LightSnow() {
    Canvas c;
    c.Sky({105, 125, 160}, {150, 165, 190});
    DrawCloud(c, 15.5f, 14, 24, {240, 242, 246}, {200, 205, 215}, {95, 105, 125});
    DrawFlakes(c, {{10, 19}, {21, 18.5f}, {15.5f, 22.5f}}, 2.3f, {255, 255, 255}, {110, 130, 165});
    return c;
}

Canvas HeavySnow() {
    Canvas c;
    c.Sky({70, 80, 105}, {105, 115, 140});
    DrawCloud(c, 15.5f, 11.5f, 26, {170, 175, 188}, {125, 130, 145}, {55, 60, 75});
    DrawFlakes(c,
               {{5, 15.5f},
                {12, 15},
                {19, 15.5f},
                {26, 15},
                {8.5f, 20.5f},
                {15.5f, 20.5f},
                {22.5f, 20.5f},
                {5, 24},
                {12, 24.5f},
                {19, 24},
                {26, 24.5f}},
               1.9f, {255, 255, 255}, {70, 80, 105});
    return c;
}

const Colour kNightTop{8, 12, 45}, kNightBottom{30, 40, 95};

void DrawMoon(Canvas& c, float cx, float cy, float r) {
    c.Paint(Minus(Disc(cx, cy, r), Disc(cx + r * 0.47f, cy - r * 0.36f, r * 0.86f)), {250, 235, 160});
}

Canvas Fog() {
    Canvas c;
    c.Sky({150, 158, 170}, {196, 200, 208});
    DrawCloud(c, 15.5f, 11, 22, {222, 225, 230}, {196, 200, 208}, {160, 166, 176});
    // Banks of mist across the picture, paler towards the ground.
    const Colour bank{232, 234, 238}, edge{170, 176, 186};
    for (auto [y, x0, x1] :
         std::vector<std::tuple<float, float, float>>{{14.5f, 3, 24}, {18, 7, 28}, {21.5f, 2, 22}, {25, 9, 29}}) {
        c.Paint(Segment(x0, y, x1, y, 2.6f), edge);
        c.Paint(Segment(x0, y, x1, y, 1.7f), bank);
    }
    return c;
}

Canvas Drizzle() {
    Canvas c;
    c.Sky({135, 145, 165}, {180, 186, 198});
    DrawCloud(c, 15.5f, 15, 24, {235, 238, 242}, {190, 195, 205}, {110, 116, 130});
    // Fine drops: short, thin and many.
    for (auto [x, y] : std::vector<std::pair<float, float>>{
             {8, 17.5f}, {13, 18.5f}, {18, 17.5f}, {23, 18.5f}, {10.5f, 22}, {15.5f, 23}, {20.5f, 22}, {25.5f, 23}})
        c.Paint(Segment(x, y, x - 0.5f, y + 1.6f, 1.1f), {40, 95, 215});
    return c;
}

Canvas Sleet() {
    Canvas c;
    c.Sky({110, 125, 155}, {155, 168, 190});
    DrawCloud(c, 15.5f, 14, 24, {238, 240, 245}, {196, 202, 212}, {95, 105, 125});
    DrawDrops(c, {{9.5f, 17}, {20.5f, 17.5f}}, 4, {25, 85, 215});
    DrawFlakes(c, {{15, 20}, {25.5f, 21.5f}, {6, 22}}, 2.1f, {255, 255, 255}, {110, 130, 165});
    return c;
}

Canvas Thunder() {
    Canvas c;
    c.Sky({55, 58, 75}, {95, 98, 115});
    DrawCloud(c, 15.5f, 13, 27, {130, 134, 148}, {85, 88, 102}, {40, 42, 55});
    // The bolt: three strokes zigzagging down from under the cloud.
    const Colour bolt{255, 220, 40}, glow{255, 250, 190};
    const Shape strokes = Union({Segment(17, 13, 13.2f, 19, 2.2f), Segment(13.2f, 19, 17.4f, 18.6f, 2.0f),
                                 Segment(17.4f, 18.6f, 13.5f, 25.5f, 1.8f)});
    c.Paint(strokes, bolt);
    c.Paint(Union({Segment(16.6f, 13.6f, 13.6f, 18.6f, 0.7f), Segment(16.9f, 19.2f, 14.2f, 24, 0.6f)}), glow);
    DrawDrops(c, {{7, 15.5f}, {23.5f, 15.5f}, {9.5f, 21}, {26, 21}}, 3.6f, {110, 170, 255});
    return c;
}

Canvas PartlyCloudyNight() {
    Canvas c;
    c.Sky(kNightTop, kNightBottom);
    const Colour star{255, 255, 220};
    for (auto [x, y] : std::vector<std::pair<float, float>>{{4, 4.5f}, {12, 3}, {28, 12}})
        c.Paint(Union({Segment(x - 1.5f, y, x + 1.5f, y, 0.8f), Segment(x, y - 1.5f, x, y + 1.5f, 0.8f)}), star);
    for (auto [x, y] : std::vector<std::pair<float, float>>{{3, 13}, {8, 9}, {28, 3}}) c.Paint(Disc(x, y, 0.55f), star);
    DrawMoon(c, 20, 8.5f, 5.6f);
    DrawCloud(c, 14, 22.5f, 25, {215, 220, 232}, {160, 168, 188}, {70, 78, 105});
    return c;
}

// For a summary the tile has no picture for: a plain, quiet sky that says
// nothing about the weather, so the tile is never empty.
Canvas Neutral() {
    Canvas c;
    c.Sky({150, 160, 178}, {198, 204, 214});
    c.Paint(Segment(6, 13, 25, 13, 1.6f), {178, 186, 200});
    return c;
}

bool WriteJpeg(const std::string& path, const std::vector<unsigned char>& rgb) {
    tjhandle tj = tjInitCompress();
    if (!tj) return false;
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    int rc =
        tjCompress2(tj, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 88, TJFLAG_ACCURATEDCT);
    tjDestroy(tj);
    if (rc != 0) return false;
    // The JFIF header says 96 dots per inch, the screen density the
    // pictures are drawn for (the encoder leaves the density unspecified).
    if (size > 18 && jpeg[2] == 0xFF && jpeg[3] == 0xE0 &&
        std::string(reinterpret_cast<char*>(jpeg) + 6, 5) == std::string("JFIF\0", 5)) {
        jpeg[11] = 1;
        jpeg[12] = 1;
        jpeg[13] = 1;
        jpeg[14] = 0;
        jpeg[15] = 96;
        jpeg[16] = 0;
        jpeg[17] = 96;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(jpeg, 1, size, f) == size;
    if (f) ok = (std::fclose(f) == 0) && ok;
    tjFree(jpeg);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: weather-pictures OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::pair<const char*, Canvas (*)()> pictures[] = {
        {"imgSunny", Sunny},
        {"imgSunnyIntervals", SunnyIntervals},
        {"imgClear", Clear},
        {"imgPartlyCloudy", PartlyCloudy},
        {"imgCloudy", Cloudy},
        {"imgLightShowers", LightShowers},
        {"imgHeavyshowers", HeavyShowers},
        {"imgLightRain", LightRain},
        {"imgHeavyRain", HeavyRain},
        {"imgLightSnow", LightSnow},
        {"imgHeavySnow", HeavySnow},
        {"imgFog", Fog},
        {"imgDrizzle", Drizzle},
        {"imgSleet", Sleet},
        {"imgThunder", Thunder},
        {"imgPartlyCloudyNight", PartlyCloudyNight},
        {"imgNeutral", Neutral},
    };
    int failures = 0;
    for (auto& [name, draw] : pictures) {
        std::string path = dir + "/" + name + ".jpg";
        if (!WriteJpeg(path, draw().Rgb())) {
            std::fprintf(stderr, "weather-pictures: cannot write %s\n", path.c_str());
            ++failures;
        } else {
            std::printf("%s\n", path.c_str());
        }
    }
    return failures ? 1 : 0;
}
