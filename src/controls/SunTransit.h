#pragma once
// The day as a 24-hour dial turned so that now is always at the top: a day
// sector from sunrise to sunset, a night sector for the rest and a red hand
// from the top to the centre. Summary says how long ago or how soon sunrise
// and sunset are; a click shows it in a message box.
#include <cstdint>
#include <string>

#include "base/DateTime.h"
#include "base/Translate.h"
#include "controls/ControlHost.h"

namespace nimbrel::controls {

class SunTransit : public UserControl {
public:
    static constexpr int32_t kDefaultBackColour = 16777215;
    static constexpr int32_t kDefaultDayColour = 16772055;
    static constexpr int32_t kDefaultNightColour = 5242920;
    static constexpr double kDefaultSunUp = 5.0 / 24;
    static constexpr double kDefaultSunDown = 20.0 / 24;
    static constexpr const char* kSummaryTitle = QT_TRANSLATE_NOOP("SunTransit", "Sun Transit Summary");

    explicit SunTransit(ControlSite* site = nullptr);

    // --- properties (setters redraw and notify with the property's name) ---
    int32_t BackColour() const { return int32_t(BackColor()); }
    void SetBackColour(int32_t value);
    DateTime SunUp() const { return sunUp_; }
    void SetSunUp(DateTime value);
    DateTime SunDown() const { return sunDown_; }
    void SetSunDown(DateTime value);
    bool FullCircle() const { return fullCircle_; }
    void SetFullCircle(bool value);
    int32_t DayColour() const { return dayColour_; }
    void SetDayColour(int32_t value);
    int32_t NightColour() const { return nightColour_; }
    void SetNightColour(int32_t value);
    const std::string& Summary() const { return summary_; }

    // Recomputes the geometry, redraws the dial for the current time and
    // rebuilds Summary.
    void DrawSunPosition();

    // --- lifecycle ---
    void InitProperties() override;
    void ReadProperties(const PropertyBag& bag) override;
    void WriteProperties(PropertyBag& bag) const override;
    void HostClick(int x, int y) override;

    // Dial geometry of the last draw, in twips.
    int32_t CentreX() const { return centreX_; }
    int32_t CentreY() const { return centreY_; }
    int32_t Radius() const { return radius_; }
    // Angles of the last draw, degrees clockwise from the top.
    int16_t DayStart() const { return dayStart_; }
    int16_t DayDegrees() const { return dayDegrees_; }

    // "1h 30m" for 90 (or -90) minutes; hours wrap at 24.
    static std::string FormatDuration(int minutes);

protected:
    void OnResize() override { DrawSunPosition(); }

private:
    void ComputeGeometry();
    void DrawSector(int start, int sweep, int32_t colour);
    void UpdateSummary();

    DateTime sunUp_ = kDefaultSunUp;
    DateTime sunDown_ = kDefaultSunDown;
    bool fullCircle_ = false;
    int32_t dayColour_ = kDefaultDayColour;
    int32_t nightColour_ = kDefaultNightColour;
    std::string summary_;
    int32_t centreX_ = 0, centreY_ = 0, radius_ = 0;
    int16_t dayStart_ = 0, dayDegrees_ = 0;
};

}  // namespace nimbrel::controls
