#include "controls/MiniForecast.h"

#include <algorithm>

#include "base/DateTime.h"
#include "base/Temperature.h"

namespace nimbrel::controls {

namespace {

// Exact texts after lower-casing, in the order they are tried.
struct KnownWeather {
    const char* text;
    Weather weather;
};
constexpr KnownWeather kKnown[] = {
    {"sunny", Weather::Sunny},
    {"sunny intervals", Weather::SunnyIntervals},
    {"clear", Weather::Clear},
    {"partly cloudy", Weather::PartlyCloudy},
    {"cloudy", Weather::Cloudy},
    {"light showers", Weather::LightShowers},
    {"heavy showers", Weather::HeavyShowers},
    {"light rain", Weather::LightRain},
    {"drizzle", Weather::Drizzle},
    {"light drizzle", Weather::Drizzle},
    {"heavy rain", Weather::HeavyRain},
    {"light snow", Weather::LightSnow},
    {"heavy snow", Weather::HeavySnow},
    {"fog", Weather::Fog},
    {"mist", Weather::Fog},
    {"sleet", Weather::Sleet},
    {"sleet showers", Weather::Sleet},
    {"thundery showers", Weather::Thunder},
    {"thunderstorm", Weather::Thunder},
    {"thunder", Weather::Thunder},
    {"partly cloudy night", Weather::PartlyCloudyNight},
    // The summary a source gives for weather it cannot name.
    {"unknown", Weather::Neutral},
};

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace

MiniForecast::MiniForecast(ControlSite* site) : UserControl(site), childSite_(*this), klblTitle_(&childSite_) {
    SetBackColor(0);

    // The title strip as the tile's design sets it up: plain black, white
    // vertical text.
    PropertyBag design;
    design.Set("Caption", std::string());
    design.Set("Angle", int32_t(90));
    design.Set("TextColour", int32_t(0xFFFFFF));
    design.Set("LightColour", int32_t(0));
    design.Set("ShadeColour", int32_t(0));
    design.Set("LabelFont", MakeFont("Arial", 8.25));
    klblTitle_.Resize(kTitleBounds.right - kTitleBounds.left, kTitleBounds.bottom - kTitleBounds.top);
    klblTitle_.ReadProperties(design);
    laidOutAt_ = TwipsPerPixelX();
    klblTitle_.Click.Connect([this] { TitleClick(); });
}

MiniForecast::~MiniForecast() {
    for (gdi::HBITMAP b : sources_)
        if (b) gdi::DeleteObject(b);
}

int MiniForecast::WeatherForText(const std::string& description) {
    const std::string key = LowerAscii(description);
    for (const auto& k : kKnown)
        if (key == k.text) return int(k.weather);
    return -1;
}

gdi::COLORREF MiniForecast::TemperatureColour(int t) {
    if (t < 0) return 0xFF6464;
    if (t <= 9) return 0xFFC8BE;
    if (t <= 19) return 0xA5FF8C;
    if (t <= 29) return 0x00FFFF;
    return 0x829BFF;
}

void MiniForecast::UpdateForecast(const std::string& strCaption, const std::string& strDescription,
                                  int16_t intTemperature) {
    klblTitle_.SetCaption(strCaption);
    // A text the table lacks keeps the picture the tile has; a tile that has
    // none yet shows the neutral one rather than staying empty.
    int w = WeatherForText(strDescription);
    if (w >= 0)
        shown_ = w;
    else if (shown_ < 0)
        shown_ = int(Weather::Neutral);
    // A tile makes the bitmap of a picture the first time it shows it: most
    // of the pictures never appear on a given tile.
    if (shown_ >= 0 && !sources_[size_t(shown_)]) sources_[size_t(shown_)] = LoadPicture(Weather(shown_));
    tempColour_ = TemperatureColour(intTemperature);
    tempCaption_ = FormatTemperature(intTemperature, unit_);
    Compose();
}

void MiniForecast::UpdateForecast(const std::string& strCaption, const std::string& strDescription,
                                  std::optional<int16_t> temperature) {
    UpdateForecast(strCaption, strDescription, temperature.value_or(0));
    if (temperature) return;
    tempColour_ = 0xFFFFFF;
    tempCaption_ = "\xE2\x80\x93";  // "–"
    Compose();
}

void MiniForecast::Clear() {
    klblTitle_.SetCaption(std::string());
    shown_ = -1;
    tempCaption_.clear();
    tempColour_ = 0xFFFFFF;
    Compose();
}

void MiniForecast::OnResize() {
    // The tile is as wide as title and picture and as high as the picture
    // and temperature line together, whatever the host asks for.
    const int w = (kPictureBounds.right - kPictureBounds.left) + (kTitleBounds.right - kTitleBounds.left);
    const int h = kTempBounds.bottom;
    SetOwnSize(w, h);
    LayOutChildren();
    Compose();
}

void MiniForecast::LayOutChildren() {
    // Children keep their twips; only a host screen of another density
    // gives them another size in pixels.
    if (TwipsPerPixelX() == laidOutAt_) return;
    laidOutAt_ = TwipsPerPixelX();
    klblTitle_.Resize(kTitleBounds.right - kTitleBounds.left, kTitleBounds.bottom - kTitleBounds.top);
}

gdi::RECT MiniForecast::ToPixels(const gdi::RECT& t) const {
    auto x = [&](int v) { return gdi::LONG(RoundHalfEven(v / TwipsPerPixelX())); };
    auto y = [&](int v) { return gdi::LONG(RoundHalfEven(v / TwipsPerPixelY())); };
    return gdi::RECT{x(t.left), y(t.top), x(t.right), y(t.bottom)};
}

void MiniForecast::Compose() {
    if (composing_ || !SurfaceBitmap()) return;
    composing_ = true;
    gdi::HDC dc = hDC();
    Cls();

    // Picture and temperature line are drawn on the tile itself; the title
    // strip is a window of its own and lies above them where they meet.
    if (gdi::HBITMAP pic = ShownPicture()) {
        gdi::RECT r = ToPixels(kPictureBounds);
        gdi::HDC src = gdi::CreateSurfaceDC(pic);
        gdi::BitmapView v = gdi::GetBitmapView(pic);
        gdi::BitBlt(dc, r.left, r.top, std::min<int>(v.width, r.right - r.left),
                    std::min<int>(v.height, r.bottom - r.top), src, 0, 0, gdi::SRCCOPY);
        gdi::DeleteDC(src);
    }

    gdi::RECT temp = ToPixels(kTempBounds);
    gdi::HBRUSH black = gdi::CreateSolidBrush(0);
    gdi::FillRect(dc, &temp, black);
    gdi::DeleteObject(black);
    if (!tempCaption_.empty()) {
        gdi::LOGFONTA lf{};
        lf.lfHeight = gdi::LONG(RoundHalfEven(-(6.75 * 20.0 / TwipsPerPixelY())));
        lf.lfWeight = gdi::FW_NORMAL;
        lf.lfQuality = gdi::ANTIALIASED_QUALITY;
        std::copy_n("Arial", 6, lf.lfFaceName);
        gdi::HFONT font = gdi::CreateFontIndirectA(&lf);
        gdi::HGDIOBJ old = gdi::SelectObject(dc, font);
        gdi::SetTextColor(dc, tempColour_);
        gdi::RECT r = temp;
        gdi::DrawTextA(dc, tempCaption_.c_str(), -1, &r, gdi::DT_CENTER | gdi::DT_WORDBREAK);
        gdi::SelectObject(dc, old);
        gdi::DeleteObject(font);
    }

    if (klblTitle_.SurfaceBitmap()) {
        gdi::RECT r = ToPixels(kTitleBounds);
        gdi::BitBlt(dc, r.left, r.top, klblTitle_.ScaleWidth(), klblTitle_.ScaleHeight(), klblTitle_.hDC(), 0, 0,
                    gdi::SRCCOPY);
    }
    composing_ = false;
    RequestShow();
}

void MiniForecast::HostClick(int x, int y) {
    auto inside = [&](const gdi::RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
    if (inside(ToPixels(kTitleBounds))) {
        klblTitle_.HostClick(x, y);
    } else if (inside(ToPixels(kPictureBounds)) || inside(ToPixels(kTempBounds))) {
        Click();
    }
}

}  // namespace nimbrel::controls
