#pragma once
// One weather report as a tile: a black title strip with vertical text on
// the left (a gradient label), the weather picture to its right and the
// temperature, coloured by its range, underneath. The tile keeps its own
// size of 720 x 540 twips whatever its host gives it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/Temperature.h"
#include "controls/ControlHost.h"
#include "controls/KestLabel.h"
#include "controls/WeatherPictures.h"

namespace nimbrel::controls {

class MiniForecast : public UserControl {
public:
    static constexpr const char* kProgId = "Nimbrel.MiniForecast";
    static constexpr int kTileWidth = 720, kTileHeight = 540;  // twips

    // Child positions in twips, in the tile's own coordinates.
    static constexpr gdi::RECT kTitleBounds{0, 0, 255, 540};
    static constexpr gdi::RECT kPictureBounds{255, 0, 255 + 465, 390};
    static constexpr gdi::RECT kTempBounds{240, 390, 240 + 495, 390 + 150};

    explicit MiniForecast(ControlSite* site = nullptr);
    ~MiniForecast() override;

    // Sets the title, the picture (when the weather text is one the tile
    // knows, compared whole after lower-casing) and the temperature line.
    void UpdateForecast(const std::string& strCaption, const std::string& strDescription, int16_t intTemperature);
    // The same where the temperature may be missing: its line is then a
    // dash, never a made-up 0°.
    void UpdateForecast(const std::string& strCaption, const std::string& strDescription,
                        std::optional<int16_t> temperature);
    // The unit the next UpdateForecast writes its temperature in (Celsius
    // until set); the host draws the tile again after a change.
    void SetUnit(TempUnit unit) { unit_ = unit; }
    // Back to the empty tile of a window that has no weather yet: no title,
    // no picture, no temperature.
    void Clear();

    // A click on the picture or the temperature line.
    Event<> Click;
    // A click on the title strip.
    Event<> TitleClick;

    void HostClick(int x, int y) override;
    // The picture's click: the title strip is a part a keyboard never means.
    void Activate() override { Click(); }

    // --- what the tile shows, for hosts and tests ---
    KestLabel& Title() { return klblTitle_; }
    const KestLabel& Title() const { return klblTitle_; }
    // The picture shown, if any: index into the source pictures.
    bool HasPicture() const { return shown_ >= 0; }
    Weather ShownWeather() const { return Weather(shown_ < 0 ? 0 : shown_); }
    gdi::HBITMAP ShownPicture() const { return shown_ >= 0 ? sources_[size_t(shown_)] : nullptr; }
    const std::string& TempCaption() const { return tempCaption_; }
    gdi::COLORREF TempColour() const { return tempColour_; }

    // The weather a text stands for, or -1 when the tile does not know it.
    static int WeatherForText(const std::string& description);
    static gdi::COLORREF TemperatureColour(int temperature);

protected:
    void OnResize() override;

private:
    class ChildSite : public ControlSite {
    public:
        explicit ChildSite(MiniForecast& tile) : tile_(tile) {}
        double TwipsPerPixelX() const override { return tile_.TwipsPerPixelX(); }
        double TwipsPerPixelY() const override { return tile_.TwipsPerPixelY(); }
        void ShowSurface(UserControl&) override { tile_.Compose(); }

    private:
        MiniForecast& tile_;
    };

    void LayOutChildren();
    void Compose();
    gdi::RECT ToPixels(const gdi::RECT& twips) const;

    ChildSite childSite_;
    KestLabel klblTitle_;
    std::array<gdi::HBITMAP, kWeatherCount> sources_{};
    int shown_ = -1;
    std::string tempCaption_;
    TempUnit unit_ = TempUnit::Celsius;
    gdi::COLORREF tempColour_ = 0xFFFFFF;
    double laidOutAt_ = 0;  // twips per pixel the children were sized for
    bool composing_ = false;
};

}  // namespace nimbrel::controls
