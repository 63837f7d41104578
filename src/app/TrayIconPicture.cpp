#include "app/TrayIconPicture.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>

#include "app/AppIcon.h"
#include "base/Defaults.h"
#include "base/Temperature.h"
#include "base/Translate.h"
#include "base/modMisc.h"
#include "feeds/WeatherModel.h"

namespace nimbrel {

namespace {

const QColor kBadge(24, 24, 32);
const QColor kRim(235, 235, 235);

}  // namespace

QIcon PlainProgramIcon() {
    return AppIcon();
}

std::string TrayFigures(int shownDegrees) {
    const int held = std::clamp(shownDegrees, -99, 999);
    if (held < 0) return "\xE2\x88\x92" + std::to_string(-held);
    return std::to_string(held);
}

QImage DrawTrayTemperature(int shownDegrees, int size) {
    QImage pm(size, size, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double s = size;
    const double rim = std::max(1.0, s / 16.0);
    p.setPen(QPen(kRim, rim));
    p.setBrush(kBadge);
    p.drawRoundedRect(QRectF(rim / 2, rim / 2, s - rim, s - rim), s * 0.22, s * 0.22);

    // The largest bold narrow face whose figures fit inside the rim: two
    // figures stand tall, three are narrower and so a little smaller.
    const QString text = QString::fromStdString(TrayFigures(shownDegrees));
    // The figures keep a pixel of badge between them and the rim (more on
    // larger icons), and the rounded corners cut into the room beside a
    // tall line: "−12" must not touch the edge at 16 pixels.
    const double gap = std::max(1.0, std::round(s / 16.0));
    const QRectF room(rim + gap, rim + gap, s - 2 * (rim + gap), s - 2 * (rim + gap));
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    int pixels = int(std::floor(room.height() * 0.95));
    for (; pixels > 5; --pixels) {
        font.setPixelSize(pixels);
        const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
        // One pixel to spare for the rounding of the origin below.
        if (ink.width() <= room.width() - 1 && ink.height() <= room.height() - 1) break;
    }
    font.setPixelSize(pixels);
    // Centred on the figures' ink, not on the line's ascent and descent, so
    // the number sits in the middle of the badge at every size.
    const QRectF ink = QFontMetricsF(font).tightBoundingRect(text);
    const QPointF origin(std::round(s / 2 - ink.center().x()), std::round(s / 2 - ink.center().y()));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(origin, text);
    p.end();
    return pm;
}

QIcon TrayTemperatureIcon(int shownDegrees) {
    QIcon icon;
    for (int size : kTrayIconSizes) icon.addPixmap(QPixmap::fromImage(DrawTrayTemperature(shownDegrees, size)));
    return icon;
}

std::string TrayTipText(const TrayReading& reading, TempUnit unit) {
    std::string tip = reading.place.empty() ? std::string() : reading.place + ": ";
    if (!reading.summary.empty()) tip += reading.summary + ", ";
    if (reading.temperatureKnown)
        tip += FormatTemperature(reading.celsius, unit);
    else
        tip += QCoreApplication::translate("TrayIconPicture", "temperature missing").toStdString();
    if (!reading.humidity.empty())
        tip += FillIn(Translated("TrayIcon", QT_TRANSLATE_NOOP("TrayIcon", ", humidity %1")), {reading.humidity});
    // "dd/mm/yyyy hh:nn:ss": the hours and minutes say enough in a tip.
    const size_t space = reading.time.find(' ');
    if (space != std::string::npos && reading.time.size() >= space + 6)
        tip += FillIn(Translated("TrayIcon", QT_TRANSLATE_NOOP("TrayIcon", ", at %1")),
                      {reading.time.substr(space + 1, 5)});
    else if (!reading.time.empty())
        tip += FillIn(Translated("TrayIcon", QT_TRANSLATE_NOOP("TrayIcon", ", at %1")), {reading.time});
    return tip;
}

std::optional<TrayReading> StoredTrayReading(const SettingsStore& store, bool placeInUse) {
    if (store.LastReading.empty()) return std::nullopt;
    TrayReading r;
    const std::string place = placeInUse ? store.Extra("place", kDefaultPlace) : std::string();
    r.place = !place.empty() ? place
              : store.LocationId.empty()
                  ? std::string()
                  : FillIn(Translated("TrayIcon", QT_TRANSLATE_NOOP("TrayIcon", "Location %1")), {store.LocationId});
    r.summary = store.CurrentSummary;
    r.celsius = store.CurrentTemp;
    // A reading without a number is stored as 0 degrees; it is not one.
    r.temperatureKnown = Measure::FromText(GetField(store.LastReading, ",", 2)).value.has_value();
    r.humidity = store.HumidityCaption == "%" ? std::string() : store.HumidityCaption;
    r.time = GetField(store.LastReading, ",", 4);
    return r;
}

QIcon TrayIconFor(const SettingsStore& store, TempUnit unit) {
    // The same picture is handed out again while the shown figure stays, so
    // that the tray is told of a new icon only when it looks different.
    static std::optional<int> lastDegrees;
    static bool haveLast = false;
    static QIcon last;
    const auto r = StoredTrayReading(store);
    const std::optional<int> degrees =
        r && r->temperatureKnown ? std::optional<int>(ShownDegrees(r->celsius, unit)) : std::nullopt;
    if (!haveLast || degrees != lastDegrees) {
        last = degrees ? TrayTemperatureIcon(*degrees) : PlainProgramIcon();
        lastDegrees = degrees;
        haveLast = true;
    }
    return last;
}

std::string TrayTipFor(const SettingsStore& store, const std::string& title, TempUnit unit, bool placeInUse) {
    const auto r = StoredTrayReading(store, placeInUse);
    return r ? TrayTipText(*r, unit) : title;
}

}  // namespace nimbrel
