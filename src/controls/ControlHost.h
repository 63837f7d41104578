#pragma once
// How a control meets its host without a window toolkit. The host (a Qt
// widget in the program, the test itself in tests) creates the control,
// gives it a site, delivers the lifecycle notifications, sizes it in twips,
// forwards clicks and shows the control's persistent surface whenever the
// control asks. The control draws synchronously on that surface and never
// needs a paint event: the surface keeps what was drawn.
//
// Order a host follows: SetSite, then InitProperties (a new instance) or
// ReadProperties (a saved one), Resize with the size it gives the control,
// Show when the control first becomes visible, WriteProperties when it saves.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/PropertyBag.h"
#include "platform/gdi/gdi.h"

namespace nimbrel::controls {

class UserControl;

// What the control asks of its host.
class ControlSite {
public:
    virtual ~ControlSite() = default;
    // Twips per pixel of the screen the control is shown on (1440 / dpi).
    virtual double TwipsPerPixelX() const { return 15.0; }
    virtual double TwipsPerPixelY() const { return 15.0; }
    // A public property was set; name is the property's persisted key.
    virtual void PropertyChanged(UserControl& /*control*/, const std::string& /*name*/) {}
    // The surface has new contents: show it (repaint from Surface()).
    virtual void ShowSurface(UserControl& /*control*/) {}
    // The control changed its own size (Width()/Height()); follow it.
    virtual void ControlSized(UserControl& /*control*/) {}
};

// A control's event: handlers are called in the order they were connected.
template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;
    void Connect(Handler handler) { handlers_.push_back(std::move(handler)); }
    void DisconnectAll() { handlers_.clear(); }
    void operator()(Args... args) const {
        // A handler may connect another one; iterate over a copy.
        auto handlers = handlers_;
        for (auto& h : handlers) h(args...);
    }

private:
    std::vector<Handler> handlers_;
};

class UserControl {
public:
    explicit UserControl(ControlSite* site = nullptr);
    virtual ~UserControl();
    UserControl(const UserControl&) = delete;
    UserControl& operator=(const UserControl&) = delete;

    void SetSite(ControlSite* site) { site_ = site; }
    ControlSite* Site() const { return site_; }

    // --- lifecycle notifications, delivered by the host ---
    virtual void InitProperties() {}
    virtual void ReadProperties(const PropertyBag& /*bag*/) {}
    virtual void WriteProperties(PropertyBag& /*bag*/) const {}
    virtual void Show() {}
    // Sizes the control (twips). The surface becomes the size in pixels at
    // the site's twips per pixel, keeping what it shows where it overlaps;
    // then the control's own resize handling runs. A control may change its
    // own size in there (see ControlSized).
    void Resize(int widthTwips, int heightTwips);
    // The user clicked the surface at pixel (x, y).
    virtual void HostClick(int /*x*/, int /*y*/) {}
    // The user chose the control without a mouse (Enter, Space, a screen
    // reader's action): what a click on its main part does, the middle of
    // the surface unless the control says otherwise.
    virtual void Activate() { HostClick(widthPx_ / 2, heightPx_ / 2); }

    // --- size and surface ---
    int Width() const { return widthTwips_; }
    int Height() const { return heightTwips_; }
    int ScaleWidth() const { return widthPx_; }  // client size in pixels
    int ScaleHeight() const { return heightPx_; }
    // The persistent surface (null bitmap while the control has no area).
    gdi::HBITMAP SurfaceBitmap() const { return bitmap_; }
    gdi::BitmapView Surface() const;
    gdi::HDC hDC() const { return dc_; }

    // Background colour of the surface, what Cls clears it to.
    gdi::COLORREF BackColor() const { return backColor_; }
    void SetBackColor(gdi::COLORREF colour) { backColor_ = colour; }
    void Cls();

protected:
    virtual void OnResize() {}
    void NotifyPropertyChanged(const std::string& name);
    void RequestShow();
    // Sets the control's own size from inside (no OnResize), tells the site.
    void SetOwnSize(int widthTwips, int heightTwips);
    // The site's twips per pixel, as every size in pixels is divided by it.
    double TwipsPerPixelX() const { return UsableTwipsPerPixel(site_ ? site_->TwipsPerPixelX() : 15.0); }
    double TwipsPerPixelY() const { return UsableTwipsPerPixel(site_ ? site_->TwipsPerPixelY() : 15.0); }

private:
    // A factor no screen has (not a number, not above 0) stands for the 15
    // the layouts assume; others are held to 1 .. 1440 (1440 .. 1 dots per
    // inch), so that no size or font height in pixels leaves its type.
    static double UsableTwipsPerPixel(double twipsPerPixel);
    void SizeSurface(int widthTwips, int heightTwips);

    ControlSite* site_ = nullptr;
    int widthTwips_ = 0, heightTwips_ = 0;
    int widthPx_ = 0, heightPx_ = 0;
    gdi::HDC dc_ = nullptr;
    gdi::HBITMAP bitmap_ = nullptr;
    gdi::HBITMAP defaultBitmap_ = nullptr;
    gdi::COLORREF backColor_ = 0xFFFFFF;
};

// Colour values of the controls' colour properties: 0x00BBGGRR, or a system
// colour reference (top byte 0x80, the low bits a system colour index),
// which this turns into the system colour's RGB value.
int32_t TranslateColour(int32_t value);

}  // namespace nimbrel::controls
