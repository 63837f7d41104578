#include "app/WeatherExtrasText.h"

#include <QCoreApplication>

namespace nimbrel {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("WeatherExtras", text);
}

QString Degrees(int celsius, TempUnit unit) {
    return Tr("%1 %2").arg(ShownDegrees(celsius, unit)).arg(QString::fromStdString(UnitSymbol(unit)));
}

}  // namespace

QString WindUnitName(WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return Tr("m/s");
        case WindUnit::Mph:
            return Tr("mph");
        case WindUnit::Knots:
            return Tr("knots");
        case WindUnit::Beaufort:
            return Tr("Beaufort");
        case WindUnit::Kmh:
            break;
    }
    return Tr("km/h");
}

QString CompassName(int degrees) {
    switch (CompassIndex(degrees)) {
        case 1:
            return Tr("north-east");
        case 2:
            return Tr("east");
        case 3:
            return Tr("south-east");
        case 4:
            return Tr("south");
        case 5:
            return Tr("south-west");
        case 6:
            return Tr("west");
        case 7:
            return Tr("north-west");
        default:
            return Tr("north");
    }
}

QString WindSpeedText(double kmh, WindUnit unit) {
    const int shown = ShownWind(kmh, unit);
    switch (unit) {
        case WindUnit::Beaufort:
            return Tr("force %1").arg(shown);
        case WindUnit::MetresPerSecond:
            return Tr("%1 m/s").arg(shown);
        case WindUnit::Mph:
            return Tr("%1 mph").arg(shown);
        case WindUnit::Knots:
            return Tr("%1 knots").arg(shown);
        case WindUnit::Kmh:
            break;
    }
    return Tr("%1 km/h").arg(shown);
}

// Each combination of the values there are is a sentence of its own, so
// that a translation can order and word it as its language needs.
QString NowExtrasLine(const Observation& now, std::optional<int> todayRainChance, TempUnit unit, WindUnit wind) {
    const QString feels = now.feelsLike ? Degrees(*now.feelsLike, unit) : QString();
    const QString speed = now.windSpeed ? WindSpeedText(*now.windSpeed, wind) : QString();
    const QString from = now.windSpeed && now.windDirection ? CompassName(*now.windDirection) : QString();
    const QString rain = todayRainChance ? QString::number(*todayRainChance) : QString();
    if (!feels.isEmpty()) {
        if (!from.isEmpty())
            return rain.isEmpty()
                       ? Tr("Feels like %1, wind %2 from the %3").arg(feels, speed, from)
                       : Tr("Feels like %1, wind %2 from the %3, chance of rain %4 %").arg(feels, speed, from, rain);
        if (!speed.isEmpty())
            return rain.isEmpty() ? Tr("Feels like %1, wind %2").arg(feels, speed)
                                  : Tr("Feels like %1, wind %2, chance of rain %3 %").arg(feels, speed, rain);
        return rain.isEmpty() ? Tr("Feels like %1").arg(feels)
                              : Tr("Feels like %1, chance of rain %2 %").arg(feels, rain);
    }
    if (!from.isEmpty())
        return rain.isEmpty() ? Tr("Wind %1 from the %2").arg(speed, from)
                              : Tr("Wind %1 from the %2, chance of rain %3 %").arg(speed, from, rain);
    if (!speed.isEmpty())
        return rain.isEmpty() ? Tr("Wind %1").arg(speed) : Tr("Wind %1, chance of rain %2 %").arg(speed, rain);
    return rain.isEmpty() ? QString() : Tr("Chance of rain %1 %").arg(rain);
}

QString DayExtrasLine(const ForecastDay& day, WindUnit wind) {
    const QString speed = day.windMax ? WindSpeedText(*day.windMax, wind) : QString();
    const QString rain = day.rainChance ? QString::number(*day.rainChance) : QString();
    if (!speed.isEmpty())
        return rain.isEmpty() ? Tr("Wind up to %1").arg(speed)
                              : Tr("Wind up to %1, chance of rain %2 %").arg(speed, rain);
    return rain.isEmpty() ? QString() : Tr("Chance of rain %1 %").arg(rain);
}

QString WithExtrasLine(const QString& text, const QString& line) {
    if (line.isEmpty()) return text;
    if (text.isEmpty()) return line;
    return text + QLatin1Char('\n') + line;
}

}  // namespace nimbrel
