#include "controls/SunTransit.h"

#include <cmath>
#include <cstdlib>

#include "base/Clock.h"
#include "controls/Drawing.h"
#include "platform/ui/MessageBox.h"

namespace nimbrel::controls {

namespace {

// The dial is laid out in twips and drawn at a fixed 15 twips per pixel.
constexpr double kTwipsPerPixel = 15.0;

int ToPixel(double twips) {
    return int(RoundHalfEven(twips / kTwipsPerPixel));
}

// Seconds since midnight of a value's time of day. Sunrise and sunset are
// meant as times of day; a value that also carries a date counts by its
// time of day alone, so durations stay within one day.
// Values no calendar date can have (not finite, beyond the year 9999) keep
// only their fraction of a day, so nothing out of range reaches the
// calendar arithmetic.
int SecondsOfDay(DateTime t) {
    if (!std::isfinite(t))
        t = 0;
    else if (std::abs(t) > 2958466.0)
        t = std::fmod(std::abs(t), 1.0);
    CivilTime c = Decode(t);
    return c.hour * 3600 + c.minute * 60 + c.second;
}

// Minute boundaries from a to b: whole minutes of b minus those of a.
int MinuteDifference(int secondsA, int secondsB) {
    return secondsB / 60 - secondsA / 60;
}

void DrawPolygon(gdi::HDC dc, const gdi::POINT* points, int count, gdi::COLORREF fill, gdi::COLORREF penColour,
                 int penWidth, bool noFill) {
    gdi::HPEN pen =
        penWidth <= 0 ? gdi::CreatePen(gdi::PS_NULL, 0, 0) : gdi::CreatePen(gdi::PS_SOLID, penWidth, penColour);
    gdi::HGDIOBJ oldPen = gdi::SelectObject(dc, pen);
    gdi::HBRUSH brush = nullptr;
    gdi::HGDIOBJ oldBrush = nullptr;
    if (!noFill) {
        brush = gdi::CreateSolidBrush(fill);
        oldBrush = gdi::SelectObject(dc, brush);
    }
    gdi::Polygon(dc, points, count);
    gdi::SelectObject(dc, oldPen);
    gdi::DeleteObject(pen);
    if (brush) {
        gdi::SelectObject(dc, oldBrush);
        gdi::DeleteObject(brush);
    }
}

}  // namespace

SunTransit::SunTransit(ControlSite* site) : UserControl(site) {
    SetBackColor(kDefaultBackColour);
}

void SunTransit::SetBackColour(int32_t value) {
    SetBackColor(gdi::COLORREF(TranslateColour(value)));
    DrawSunPosition();
    NotifyPropertyChanged("BackColour");
}
void SunTransit::SetSunUp(DateTime value) {
    sunUp_ = value;
    DrawSunPosition();
    NotifyPropertyChanged("SunUp");
}
void SunTransit::SetSunDown(DateTime value) {
    sunDown_ = value;
    DrawSunPosition();
    NotifyPropertyChanged("SunDown");
}
void SunTransit::SetFullCircle(bool value) {
    fullCircle_ = value;
    DrawSunPosition();
    NotifyPropertyChanged("FullCircle");
}
void SunTransit::SetDayColour(int32_t value) {
    dayColour_ = TranslateColour(value);
    DrawSunPosition();
    NotifyPropertyChanged("DayColour");
}
void SunTransit::SetNightColour(int32_t value) {
    nightColour_ = TranslateColour(value);
    DrawSunPosition();
    NotifyPropertyChanged("NightColour");
}

void SunTransit::InitProperties() {
    SetBackColor(kDefaultBackColour);
    sunUp_ = kDefaultSunUp;
    sunDown_ = kDefaultSunDown;
    fullCircle_ = false;
    dayColour_ = kDefaultDayColour;
    nightColour_ = kDefaultNightColour;
}

void SunTransit::ReadProperties(const PropertyBag& bag) {
    SetBackColor(gdi::COLORREF(bag.ReadLong("BackColour", kDefaultBackColour)));
    sunUp_ = bag.ReadDouble("SunUp", kDefaultSunUp);
    sunDown_ = bag.ReadDouble("SunDown", kDefaultSunDown);
    fullCircle_ = bag.ReadBool("FullCircle", false);
    dayColour_ = bag.ReadLong("DayColour", kDefaultDayColour);
    nightColour_ = bag.ReadLong("NightColour", kDefaultNightColour);
    DrawSunPosition();
}

void SunTransit::WriteProperties(PropertyBag& bag) const {
    bag.WriteLong("BackColour", int32_t(BackColor()), kDefaultBackColour);
    bag.WriteDouble("SunUp", sunUp_, kDefaultSunUp);
    bag.WriteDouble("SunDown", sunDown_, kDefaultSunDown);
    bag.WriteBool("FullCircle", fullCircle_, false);
    bag.WriteLong("DayColour", dayColour_, kDefaultDayColour);
    bag.WriteLong("NightColour", nightColour_, kDefaultNightColour);
}

void SunTransit::HostClick(int, int) {
    ShowMessage(summary_, Translated("SunTransit", kSummaryTitle), MsgIcon::Information);
}

void SunTransit::ComputeGeometry() {
    const double wt = Width(), ht = Height();
    auto half = [](double v) { return int32_t(RoundHalfEven(v / 2)); };
    if (fullCircle_) {
        centreX_ = half(wt);
        centreY_ = half(ht);
        radius_ = ht > wt ? half(wt) : half(ht);
    } else {
        centreX_ = half(wt);
        centreY_ = int32_t(ht);
        radius_ = float(wt / 2) >= float(ht) ? int32_t(ht) : half(wt);
    }
}

void SunTransit::DrawSunPosition() {
    const int up = SecondsOfDay(sunUp_), down = SecondsOfDay(sunDown_);
    const float day = float(std::abs(MinuteDifference(up, down)) / 60.0 / 24.0 * 360.0);
    dayDegrees_ = int16_t(RoundHalfEven(day));
    const int nightDegrees = 360 - dayDegrees_;

    const int now = SecondsOfDay(Now());
    const int sinceRise = MinuteDifference(up, now);
    dayStart_ = int16_t(RoundHalfEven(-(float(sinceRise) * 0.25f)));

    ComputeGeometry();
    Cls();
    DrawSector(dayStart_, dayDegrees_, dayColour_);
    DrawSector(dayStart_ + dayDegrees_, nightDegrees, nightColour_);
    DrawLine(hDC(), ToPixel(centreX_), ToPixel(centreY_ - radius_), ToPixel(centreX_), ToPixel(centreY_), 255,
             gdi::PS_SOLID);
    UpdateSummary();
    RequestShow();
}

void SunTransit::DrawSector(int start, int sweep, int32_t colour) {
    const float step = float(sweep) / 35.0f;
    float a = float(start) - 90.0f;
    gdi::POINT points[37];
    for (int i = 0; i <= 35; ++i) {
        const float radians = float(a / 180.0 * 3.14159265358979);
        const float x = float(radius_) * std::cos(radians);
        const float y = float(radius_) * std::sin(radians);
        points[i].x = gdi::LONG(RoundHalfEven(double((x + float(centreX_)) / 15.0f)));
        points[i].y = gdi::LONG(RoundHalfEven(double((y + float(centreY_)) / 15.0f)));
        a += step;
    }
    points[36] = gdi::POINT{ToPixel(centreX_), ToPixel(centreY_)};
    DrawPolygon(hDC(), points, 37, gdi::COLORREF(colour), 0, 0, false);
}

std::string SunTransit::FormatDuration(int minutes) {
    const int m = std::abs(minutes);
    return std::to_string((m / 60) % 24) + "h " + std::to_string(m % 60) + "m";
}

void SunTransit::UpdateSummary() {
    const int now = SecondsOfDay(Now());
    const int up = SecondsOfDay(sunUp_), down = SecondsOfDay(sunDown_);
    const int mRise = MinuteDifference(up, now);
    const int mSet = MinuteDifference(down, now);
    std::string first =
        FillIn(now - up > 0 ? Translated("SunTransit", QT_TRANSLATE_NOOP("SunTransit", "Sunrise was %1 ago"))
                            : Translated("SunTransit", QT_TRANSLATE_NOOP("SunTransit", "Sunrise is in %1")),
               {FormatDuration(mRise)});
    std::string second =
        FillIn(down - now > 0 ? Translated("SunTransit", QT_TRANSLATE_NOOP("SunTransit", "Sunset is in %1"))
                              : Translated("SunTransit", QT_TRANSLATE_NOOP("SunTransit", "Sunset was %1 ago")),
               {FormatDuration(mSet)});
    summary_ = first + "\r\n" + second;
}

}  // namespace nimbrel::controls
