#pragma once
// A label drawn over a colour gradient that the control renders itself: the
// gradient goes into an off-screen buffer at a fraction of the control's
// size and is stretched over the whole surface, then the caption (rotated,
// with an optional one-pixel halo) and an optional border go on top.
#include <cstdint>
#include <string>

#include "controls/ControlHost.h"
#include "controls/Font.h"

namespace nimbrel::controls {

class KestLabel : public UserControl {
public:
    // Defaults of a new instance, which are also the defaults in the bag.
    static constexpr const char* kDefaultCaption = "Kest Label";
    static constexpr int32_t kDefaultNormalColour = 15725555;
    static constexpr int32_t kDefaultGradientDirection = 1;
    static constexpr int32_t kDefaultBorderColour = 7617536;
    static constexpr int16_t kDefaultResolution = 50;
    static constexpr int32_t kDefaultLightColour = 16777215;
    static constexpr int32_t kDefaultShadeColour = 12964054;
    static constexpr int32_t kDefaultOuterColour = 16777215;
    static constexpr int32_t kDefaultTextColour = 0;

    explicit KestLabel(ControlSite* site = nullptr);
    ~KestLabel() override;

    // --- properties (setters redraw and notify with the property's name) ---
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    int32_t NormalColour() const { return normalColour_; }
    void SetNormalColour(int32_t value);
    int32_t GradientDirection() const { return gradientDirection_; }  // 0 across, 1 down, 2 outwards
    void SetGradientDirection(int32_t value);
    int32_t BorderColour() const { return borderColour_; }
    void SetBorderColour(int32_t value);
    int16_t Resolution() const { return resolution_; }  // buffer size, percent
    void SetResolution(int16_t value);
    int32_t LightColour() const { return lightColour_; }
    void SetLightColour(int32_t value);
    int32_t ShadeColour() const { return shadeColour_; }
    void SetShadeColour(int32_t value);
    const FontRef& LabelFont() const { return labelFont_; }  // shared with the caller
    void SetLabelFont(FontRef value);
    bool DrawBorder() const { return drawBorder_; }
    void SetDrawBorder(bool value);
    int32_t Alignment() const { return alignment_; }  // 0 left, 1 right, 2 centred
    void SetAlignment(int32_t value);
    bool TriColour() const { return triColour_; }
    void SetTriColour(bool value);
    int32_t OuterColour() const { return outerColour_; }
    void SetOuterColour(int32_t value);
    bool DrawOuter() const { return drawOuter_; }
    void SetDrawOuter(bool value);
    int16_t Angle() const { return angle_; }  // degrees counter-clockwise
    void SetAngle(int16_t value);
    bool ManualAlign() const { return manualAlign_; }
    void SetManualAlign(bool value);
    int32_t TextColour() const { return textColour_; }
    void SetTextColour(int32_t value);

    // Raised once for every click the host reports.
    Event<> Click;

    // --- lifecycle ---
    void InitProperties() override;
    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;
    void Show() override;
    void HostClick(int x, int y) override;

    // --- drawing state, for hosts and tests ---
    const std::string& TwoColourStops() const { return twoColourStops_; }
    const std::string& TriColourStops() const { return triColourStops_; }
    bool StopsBuilt() const { return stopsBuilt_; }
    bool NeedsRedraw() const { return needsRedraw_; }
    int16_t PixelFactor() const { return pixelFactor_; }
    const gdi::RECT& ClientArea() const { return clientArea_; }
    int BufferWidth() const { return bufferW_; }  // pixels
    int BufferHeight() const { return bufferH_; }
    gdi::HDC BufferDC() const { return bufferDC_; }
    // The control's own font object, what LabelFont starts as.
    const FontRef& OwnFont() const { return ownFont_; }

    static std::string GetField(const std::string& text, char delimiter, int n);
    static void SplitColour(int64_t colour, int& red, int& green, int& blue);

protected:
    void OnResize() override;

private:
    void BuildStopLists();
    void SizeBuffer();
    void SetBufferPixels(int w, int h);
    void Changed(const char* name);  // set NeedsRedraw, Redraw, notify
    void Redraw();
    void DrawGradient(const std::string& list, int32_t direction);
    void DrawCaption();
    void DrawCaptionText(gdi::RECT r, gdi::UINT flags, const std::string& caption);
    void DrawCaptionOutline(const std::string& caption, const gdi::RECT& r, gdi::UINT flags);
    void RotateBounds(gdi::RECT& m) const;
    int PixelsOf(int twips) const;

    std::string caption_ = kDefaultCaption;
    int32_t normalColour_ = kDefaultNormalColour;
    int32_t gradientDirection_ = kDefaultGradientDirection;
    int32_t borderColour_ = kDefaultBorderColour;
    int16_t resolution_ = kDefaultResolution;
    int32_t lightColour_ = kDefaultLightColour;
    int32_t shadeColour_ = kDefaultShadeColour;
    FontRef ownFont_;
    FontRef labelFont_;
    bool drawBorder_ = false;
    int32_t alignment_ = 0;
    bool triColour_ = false;
    int32_t outerColour_ = kDefaultOuterColour;
    bool drawOuter_ = false;
    int16_t angle_ = 0;
    bool manualAlign_ = false;
    int32_t textColour_ = kDefaultTextColour;

    std::string twoColourStops_, triColourStops_;
    bool stopsBuilt_ = false;
    bool needsRedraw_ = false;
    int16_t pixelFactor_ = 0;
    gdi::RECT clientArea_{0, 0, 0, 0};
    gdi::LOGFONTA captionFont_{};

    // The off-screen gradient buffer: its size in twips as last assigned,
    // and in pixels.
    gdi::HDC bufferDC_ = nullptr;
    gdi::HBITMAP bufferBitmap_ = nullptr;
    gdi::HBITMAP bufferDefault_ = nullptr;
    double bufferWidthTwips_ = 0, bufferHeightTwips_ = 0;
    int bufferW_ = 0, bufferH_ = 0;
};

}  // namespace nimbrel::controls
