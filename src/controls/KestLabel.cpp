#include "controls/KestLabel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/DateTime.h"
#include "base/modMisc.h"
#include "controls/Drawing.h"

namespace nimbrel::controls {

namespace {

constexpr int kMaxBufferPixels = 16384;

int RoundToInt(double v) {
    return int(RoundHalfEven(v));
}

void DrawRectangle(gdi::HDC dc, int left, int top, int right, int bottom, gdi::COLORREF brushColour,
                   gdi::COLORREF penColour, int penWidth, bool noFill) {
    gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, penWidth, penColour);
    gdi::HGDIOBJ oldPen = gdi::SelectObject(dc, pen);
    gdi::HBRUSH brush = nullptr;
    gdi::HGDIOBJ oldBrush = nullptr;
    if (!noFill) {
        brush = gdi::CreateSolidBrush(brushColour);
        oldBrush = gdi::SelectObject(dc, brush);
    }
    gdi::Rectangle(dc, left, top, right, bottom);
    gdi::SelectObject(dc, oldPen);
    gdi::DeleteObject(pen);
    if (brush) {
        gdi::SelectObject(dc, oldBrush);
        gdi::DeleteObject(brush);
    }
}

void FillWithWindowColour(gdi::HDC dc, int w, int h) {
    if (w <= 0 || h <= 0) return;
    gdi::HBRUSH brush = gdi::CreateSolidBrush(gdi::GetSysColor(gdi::COLOR_WINDOW));
    gdi::RECT r{0, 0, w, h};
    gdi::FillRect(dc, &r, brush);
    gdi::DeleteObject(brush);
}

}  // namespace

KestLabel::KestLabel(ControlSite* site) : UserControl(site) {
    ownFont_ = std::make_shared<Font>();
    labelFont_ = ownFont_;
    SetBackColor(gdi::GetSysColor(gdi::COLOR_WINDOW));
    bufferDC_ = gdi::CreateCompatibleDC(nullptr);
    bufferDefault_ = gdi::GetCurrentBitmap(bufferDC_);
    // The buffer's own fill is transparent, like the surface's.
    gdi::SelectObject(bufferDC_, gdi::GetStockObject(gdi::NULL_BRUSH));
}

KestLabel::~KestLabel() {
    SetBufferPixels(0, 0);
    gdi::DeleteDC(bufferDC_);
}

// --- helpers -----------------------------------------------------------------

std::string KestLabel::GetField(const std::string& text, char delimiter, int n) {
    if (n < 1 || n > INT16_MAX) return {};
    return nimbrel::GetField(text, std::string(1, delimiter), static_cast<int16_t>(n));
}

void KestLabel::SplitColour(int64_t colour, int& red, int& green, int& blue) {
    // By the hexadecimal text, so that values beyond 24 bits split the same
    // way every time: red from the last two digits, green from the third
    // and fourth, blue from the first two.
    char hex[24];
    std::snprintf(hex, sizeof hex, "%06X", unsigned(uint32_t(colour)));
    std::string s = hex;
    auto part = [&](size_t pos) { return int(std::strtol(s.substr(pos, 2).c_str(), nullptr, 16)); };
    red = part(s.size() - 2);
    green = part(2);
    blue = part(0);
}

void KestLabel::BuildStopLists() {
    std::string l = std::to_string(lightColour_), n = std::to_string(normalColour_), s = std::to_string(shadeColour_);
    twoColourStops_ = "0," + l + "#100," + s;
    triColourStops_ = "0," + l + "#33," + n + "#66," + n + "#100," + s;
    stopsBuilt_ = true;
}

void KestLabel::SizeBuffer() {
    // A size that cannot be given (negative, too large) leaves that
    // dimension as it was.
    auto assign = [](double twips, double twipsPerPixel, double& keptTwips, int& px) {
        if (!std::isfinite(twips) || twips < 0 || !(twipsPerPixel > 0)) return;
        double p = RoundHalfEven(twips / twipsPerPixel);
        if (p > kMaxBufferPixels) return;
        keptTwips = twips;
        px = int(p);
    };
    int w = bufferW_, h = bufferH_;
    assign(resolution_ / 100.0 * Width(), TwipsPerPixelX(), bufferWidthTwips_, w);
    assign(resolution_ / 100.0 * Height(), TwipsPerPixelY(), bufferHeightTwips_, h);
    SetBufferPixels(w, h);
}

void KestLabel::SetBufferPixels(int w, int h) {
    if (w == bufferW_ && h == bufferH_ && (bufferBitmap_ || w == 0 || h == 0)) return;
    gdi::HBITMAP fresh = nullptr;
    if (w > 0 && h > 0) {
        fresh = gdi::CreateCompatibleBitmap(bufferDC_, w, h);
        if (!fresh) return;
    }
    gdi::SelectObject(bufferDC_, fresh ? fresh : bufferDefault_);
    if (bufferBitmap_) gdi::DeleteObject(bufferBitmap_);
    bufferBitmap_ = fresh;
    bufferW_ = w;
    bufferH_ = h;
}

int KestLabel::PixelsOf(int twips) const {
    return RoundToInt(double(twips) / pixelFactor_);
}

// --- setters -----------------------------------------------------------------

void KestLabel::Changed(const char* name) {
    needsRedraw_ = true;
    Redraw();
    NotifyPropertyChanged(name);
}

void KestLabel::SetCaption(const std::string& value) {
    caption_ = value;
    Changed("Caption");
}
void KestLabel::SetNormalColour(int32_t value) {
    normalColour_ = TranslateColour(value);
    BuildStopLists();
    Changed("NormalColour");
}
void KestLabel::SetGradientDirection(int32_t value) {
    gradientDirection_ = value;
    Changed("GradientDirection");
}
void KestLabel::SetBorderColour(int32_t value) {
    borderColour_ = TranslateColour(value);
    BuildStopLists();
    Changed("BorderColour");
}
void KestLabel::SetResolution(int16_t value) {
    resolution_ = value;
    SizeBuffer();
    Changed("Resolution");
}
void KestLabel::SetLightColour(int32_t value) {
    lightColour_ = TranslateColour(value);
    BuildStopLists();
    Changed("LightColour");
}
void KestLabel::SetShadeColour(int32_t value) {
    shadeColour_ = TranslateColour(value);
    BuildStopLists();
    Changed("ShadeColour");
}
void KestLabel::SetLabelFont(FontRef value) {
    labelFont_ = std::move(value);
    Changed("LabelFont");
}
void KestLabel::SetDrawBorder(bool value) {
    drawBorder_ = value;
    Changed("DrawBorder");
}
void KestLabel::SetAlignment(int32_t value) {
    alignment_ = value;
    Changed("Alignment");
}
void KestLabel::SetTriColour(bool value) {
    triColour_ = value;
    Changed("TriColour");
}
void KestLabel::SetOuterColour(int32_t value) {
    outerColour_ = TranslateColour(value);
    Changed("OuterColour");
}
void KestLabel::SetDrawOuter(bool value) {
    drawOuter_ = value;
    Changed("DrawOuter");
}
void KestLabel::SetAngle(int16_t value) {
    int r = value % 360;  // truncating: the sign of the value
    if (r < 0) r += 360;
    angle_ = int16_t(r);
    Changed("Angle");
}
void KestLabel::SetManualAlign(bool value) {
    manualAlign_ = value;
    Changed("ManualAlign");
}
void KestLabel::SetTextColour(int32_t value) {
    textColour_ = value;
    Changed("TextColour");
}

// --- lifecycle ---------------------------------------------------------------

void KestLabel::InitProperties() {
    caption_ = kDefaultCaption;
    normalColour_ = kDefaultNormalColour;
    gradientDirection_ = kDefaultGradientDirection;
    borderColour_ = kDefaultBorderColour;
    resolution_ = kDefaultResolution;
    lightColour_ = kDefaultLightColour;
    shadeColour_ = kDefaultShadeColour;
    labelFont_ = ownFont_;
    drawBorder_ = false;
    alignment_ = 0;
    triColour_ = false;
    outerColour_ = kDefaultOuterColour;
    drawOuter_ = false;
    angle_ = 0;
    manualAlign_ = false;
    textColour_ = kDefaultTextColour;
}

void KestLabel::ReadProperties(const PropertyBag& bag) {
    // Stored as read: a saved colour is already translated and a saved angle
    // is kept as it was saved.
    caption_ = bag.ReadString("Caption", kDefaultCaption);
    normalColour_ = bag.ReadLong("NormalColour", kDefaultNormalColour);
    gradientDirection_ = bag.ReadLong("GradientDirection", kDefaultGradientDirection);
    borderColour_ = bag.ReadLong("BorderColour", kDefaultBorderColour);
    resolution_ = bag.ReadInt("Resolution", kDefaultResolution);
    lightColour_ = bag.ReadLong("LightColour", kDefaultLightColour);
    shadeColour_ = bag.ReadLong("ShadeColour", kDefaultShadeColour);
    labelFont_ = bag.ReadFont("LabelFont", ownFont_);
    drawBorder_ = bag.ReadBool("DrawBorder", false);
    alignment_ = bag.ReadLong("Alignment", 0);
    triColour_ = bag.ReadBool("TriColour", false);
    outerColour_ = bag.ReadLong("OuterColour", kDefaultOuterColour);
    drawOuter_ = bag.ReadBool("DrawOuter", false);
    angle_ = bag.ReadInt("Angle", 0);
    manualAlign_ = bag.ReadBool("ManualAlign", false);
    textColour_ = bag.ReadLong("TextColour", kDefaultTextColour);

    BuildStopLists();
    OnResize();
    SizeBuffer();
}

void KestLabel::WriteProperties(PropertyBag& bag) const {
    bag.WriteString("Caption", caption_, kDefaultCaption);
    bag.WriteLong("NormalColour", normalColour_, kDefaultNormalColour);
    bag.WriteLong("GradientDirection", gradientDirection_, kDefaultGradientDirection);
    bag.WriteLong("BorderColour", borderColour_, kDefaultBorderColour);
    bag.WriteInt("Resolution", resolution_, kDefaultResolution);
    bag.WriteLong("LightColour", lightColour_, kDefaultLightColour);
    bag.WriteLong("ShadeColour", shadeColour_, kDefaultShadeColour);
    bag.WriteFont("LabelFont", labelFont_, ownFont_);
    bag.WriteBool("DrawBorder", drawBorder_, false);
    bag.WriteLong("Alignment", alignment_, 0);
    bag.WriteBool("TriColour", triColour_, false);
    bag.WriteLong("OuterColour", outerColour_, kDefaultOuterColour);
    bag.WriteBool("DrawOuter", drawOuter_, false);
    bag.WriteInt("Angle", angle_, 0);
    bag.WriteBool("ManualAlign", manualAlign_, false);
    bag.WriteLong("TextColour", textColour_, kDefaultTextColour);
}

void KestLabel::OnResize() {
    pixelFactor_ = int16_t(std::clamp<double>(RoundHalfEven(TwipsPerPixelX()), 0, 32767));
    clientArea_ = gdi::RECT{0, 0, ScaleWidth(), ScaleHeight()};
    SizeBuffer();
    if (stopsBuilt_) {
        needsRedraw_ = true;
        Redraw();
    }
}

void KestLabel::Show() {
    if (!stopsBuilt_) BuildStopLists();
    needsRedraw_ = true;
    Redraw();
}

void KestLabel::HostClick(int, int) {
    Click();
}

// --- drawing -----------------------------------------------------------------

void KestLabel::Redraw() {
    if (!needsRedraw_) return;
    // Never sized: there is no surface and no factor to size the drawing
    // by. The request stays pending; the first resize draws.
    if (pixelFactor_ <= 0) return;
    DrawGradient(triColour_ ? triColourStops_ : twoColourStops_, gradientDirection_);
    needsRedraw_ = false;
    DrawCaption();
    if (drawBorder_)
        DrawRectangle(hDC(), 0, 0, PixelsOf(Width()), PixelsOf(Height()), 0, gdi::COLORREF(borderColour_), 2, true);
    RequestShow();
}

void KestLabel::DrawGradient(const std::string& list, int32_t direction) {
    if (list.empty()) return;
    std::vector<std::string> stops;
    const int32_t stopCount = CountOccurrences(list, "#") + 1;
    for (int32_t k = 1; k <= stopCount && k <= INT16_MAX; ++k) stops.push_back(GetField(list, '#', k));

    const int W = bufferW_, H = bufferH_;
    FillWithWindowColour(bufferDC_, W, H);

    int L = 0;
    if (direction == 0)
        L = W;
    else if (direction == 1)
        L = H;
    else if (direction == 2)
        L = H < W ? H : W;

    auto position = [&](const std::string& stop) {
        return RoundToInt(std::clamp(Val(GetField(stop, ',', 1)), 0.0, 100.0) * L / 100.0);
    };
    auto colour = [&](const std::string& stop, int& r, int& g, int& b) {
        // Only 32 bits of a colour mean anything; a number outside them
        // (a list the control did not write) must not overflow.
        double v = std::clamp(RoundHalfEven(Val(GetField(stop, ',', 2))), -2147483648.0, 4294967295.0);
        SplitColour(int64_t(v), r, g, b);
    };

    int p0 = position(stops[0]);
    int r0, g0, b0;
    colour(stops[0], r0, g0, b0);
    const int cx = RoundToInt(W / 2.0), cy = RoundToInt(H / 2.0);

    if (W > 0 && H > 0) {
        for (size_t k = 1; k < stops.size(); ++k) {
            int p1 = position(stops[k]);
            int r1, g1, b1;
            colour(stops[k], r1, g1, b1);
            // Two stops on one position: the single band there takes the
            // segment's start colour (the next segment draws over it).
            int span = p1 - p0;
            double dR = span != 0 ? double(r1 - r0) / span : 0.0;
            double dG = span != 0 ? double(g1 - g0) / span : 0.0;
            double dB = span != 0 ? double(b1 - b0) / span : 0.0;
            double r = r0, g = g0, b = b0;
            for (int i = p0; i <= p1; ++i) {
                gdi::COLORREF c = gdi::RGB(RoundToInt(r), RoundToInt(g), RoundToInt(b));
                if (direction == 0)
                    DrawLine(bufferDC_, i, 0, i, H, c, gdi::PS_SOLID);
                else if (direction == 1)
                    DrawLine(bufferDC_, 0, i, W, i, c, gdi::PS_SOLID);
                else if (direction == 2)
                    DrawRectangle(bufferDC_, cx - i, cy - i, cx + i, cy + i, 0, c, 1, true);
                r += dR;
                g += dG;
                b += dB;
            }
            p0 = p1;
            r0 = r1;
            g0 = g1;
            b0 = b1;
        }
    }

    const int wPx = PixelsOf(Width()), hPx = PixelsOf(Height());
    if (W > 0 && H > 0)
        gdi::StretchBlt(hDC(), 0, 0, wPx, hPx, bufferDC_, 0, 0, W, H, gdi::SRCCOPY);
    else
        // An empty buffer stretches to what it was cleared to, so the old
        // caption and border still go.
        FillWithWindowColour(hDC(), wPx, hPx);
}

void KestLabel::DrawCaption() {
    gdi::RECT r = clientArea_;
    gdi::UINT flags;
    const bool rotated = angle_ != 0;
    if (manualAlign_ || alignment_ == 0)
        flags = rotated ? 256 : 272;
    else if (alignment_ == 1)
        flags = rotated ? 258 : 274;
    else if (alignment_ == 2)
        flags = rotated ? 257 : 273;
    else
        return;
    DrawCaptionText(r, flags, caption_);
}

void KestLabel::DrawCaptionText(gdi::RECT r, gdi::UINT flags, const std::string& caption) {
    if (caption.empty() || !labelFont_) return;
    const Font& font = *labelFont_;
    gdi::HDC dc = hDC();

    // The font object is the caller's: a size that is no number draws at the
    // font's default height, and one beyond any screen at the largest.
    const double height = RoundHalfEven(-(font.Size * 20.0 / TwipsPerPixelY()));
    captionFont_.lfHeight = std::isnan(height) ? 0 : gdi::LONG(std::clamp(height, -32767.0, 32767.0));
    // The escapement of any angle, as its equivalent within one turn, so an
    // angle loaded from a bag beyond 16 bits of tenths still draws turned by
    // the angle it stands for.
    int turn = angle_ % 360;
    if (turn < 0) turn += 360;
    captionFont_.lfEscapement = turn * 10;
    captionFont_.lfWeight = font.Bold ? gdi::FW_BOLD : gdi::FW_NORMAL;
    captionFont_.lfItalic = font.Italic ? 1 : 0;
    captionFont_.lfUnderline = font.Underline ? 1 : 0;
    captionFont_.lfStrikeOut = font.Strikethrough ? 1 : 0;
    captionFont_.lfQuality = gdi::ANTIALIASED_QUALITY;
    size_t n = std::min<size_t>(font.Name.size() + 1, gdi::LF_FACESIZE);
    std::memcpy(captionFont_.lfFaceName, font.Name.c_str(), n);

    gdi::HFONT hFont = gdi::CreateFontIndirectA(&captionFont_);
    gdi::HGDIOBJ displaced = gdi::SelectObject(dc, hFont);

    gdi::RECT m = r;
    gdi::DrawTextA(dc, caption.c_str(), -1, &m, flags + gdi::DT_CALCRECT);
    if (angle_ != 0) RotateBounds(m);
    const int h = std::abs(m.bottom - m.top);
    const int w = std::abs(m.right - m.left);

    if (angle_ == 0)
        r.top = (r.bottom - r.top - h) / 2;
    else
        r.top = (r.bottom - r.top + h) / 2;
    r.bottom = r.top + h;

    if (manualAlign_) {
        if (alignment_ == 0) {
            r.right = r.left + w;
        } else if (alignment_ == 1) {
            r.left = r.right - w;
        } else if (alignment_ == 2) {
            r.left = (r.right - r.left - w) / 2;
            r.right = r.left + w;
        }
    }

    if (drawOuter_) DrawCaptionOutline(caption, r, flags);
    // A system colour reference is kept as set; what it draws is the colour
    // it refers to at the time of drawing.
    gdi::SetTextColor(dc, gdi::COLORREF(TranslateColour(textColour_)));
    gdi::DrawTextA(dc, caption.c_str(), -1, &r, flags);

    gdi::SelectObject(dc, displaced);
    gdi::DeleteObject(hFont);
}

void KestLabel::DrawCaptionOutline(const std::string& caption, const gdi::RECT& r, gdi::UINT flags) {
    gdi::HDC dc = hDC();
    gdi::SetTextColor(dc, gdi::COLORREF(outerColour_));
    static constexpr int kOffsets[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    for (const auto& o : kOffsets) {
        gdi::RECT s{r.left + o[0], r.top + o[1], r.right + o[0], r.bottom + o[1]};
        gdi::DrawTextA(dc, caption.c_str(), -1, &s, flags);
    }
}

void KestLabel::RotateBounds(gdi::RECT& m) const {
    const float radians = float(-angle_ * 0.0174532925199433);
    const float s = std::sin(radians), c = std::cos(radians);
    const gdi::POINT corners[4] = {{m.left, m.top}, {m.right, m.top}, {m.right, m.bottom}, {m.left, m.bottom}};
    int minX = 1000, minY = 1000, maxX = 0, maxY = 0;
    for (const auto& p : corners) {
        float fx = float(p.x), fy = float(p.y);
        int x = RoundToInt(c * fx - s * fy);
        int y = RoundToInt(c * fy + s * fx);
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    m = gdi::RECT{minX, minY, maxX, maxY};
}

}  // namespace nimbrel::controls
