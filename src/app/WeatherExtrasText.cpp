#include "app/WeatherExtrasText.h"

#include <QCoreApplication>

namespace nimbrel {
namespace {

// Every text goes through here marked with QT_TRANSLATE_NOOP, which is how
// lupdate finds it.
QString Tr(const char* text) {
    return QCoreApplication::translate("WeatherExtras", text);
}

QString Degrees(int celsius, TempUnit unit) {
    return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "%1 %2"))
        .arg(ShownDegrees(celsius, unit))
        .arg(QString::fromStdString(UnitSymbol(unit)));
}

}  // namespace

QString WindUnitName(WindUnit unit) {
    switch (unit) {
        case WindUnit::MetresPerSecond:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "m/s"));
        case WindUnit::Mph:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "mph"));
        case WindUnit::Knots:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "knots"));
        case WindUnit::Beaufort:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Beaufort"));
        case WindUnit::Kmh:
            break;
    }
    return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "km/h"));
}

QString CompassName(int degrees) {
    switch (CompassIndex(degrees)) {
        case 1:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "north-east"));
        case 2:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "east"));
        case 3:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "south-east"));
        case 4:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "south"));
        case 5:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "south-west"));
        case 6:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "west"));
        case 7:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "north-west"));
        default:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "north"));
    }
}

QString WindSpeedText(double kmh, WindUnit unit) {
    const int shown = ShownWind(kmh, unit);
    switch (unit) {
        case WindUnit::Beaufort:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "force %1")).arg(shown);
        case WindUnit::MetresPerSecond:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "%1 m/s")).arg(shown);
        case WindUnit::Mph:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "%1 mph")).arg(shown);
        case WindUnit::Knots:
            return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "%1 knots")).arg(shown);
        case WindUnit::Kmh:
            break;
    }
    return Tr(QT_TRANSLATE_NOOP("WeatherExtras", "%1 km/h")).arg(shown);
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
            return rain.isEmpty() ? Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Feels like %1, wind %2 from the %3"))
                                        .arg(feels, speed, from)
                                  : Tr(QT_TRANSLATE_NOOP("WeatherExtras",
                                                         "Feels like %1, wind %2 from the %3, chance of rain %4 %"))
                                        .arg(feels, speed, from, rain);
        if (!speed.isEmpty())
            return rain.isEmpty()
                       ? Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Feels like %1, wind %2")).arg(feels, speed)
                       : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Feels like %1, wind %2, chance of rain %3 %"))
                             .arg(feels, speed, rain);
        return rain.isEmpty()
                   ? Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Feels like %1")).arg(feels)
                   : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Feels like %1, chance of rain %2 %")).arg(feels, rain);
    }
    if (!from.isEmpty())
        return rain.isEmpty() ? Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Wind %1 from the %2")).arg(speed, from)
                              : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Wind %1 from the %2, chance of rain %3 %"))
                                    .arg(speed, from, rain);
    if (!speed.isEmpty())
        return rain.isEmpty() ? Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Wind %1")).arg(speed)
                              : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Wind %1, chance of rain %2 %")).arg(speed, rain);
    return rain.isEmpty() ? QString() : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Chance of rain %1 %")).arg(rain);
}

QString DayExtrasLine(const ForecastDay& day, WindUnit wind) {
    const QString speed = day.windMax ? WindSpeedText(*day.windMax, wind) : QString();
    const QString rain = day.rainChance ? QString::number(*day.rainChance) : QString();
    if (!speed.isEmpty())
        return rain.isEmpty()
                   ? Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Wind up to %1")).arg(speed)
                   : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Wind up to %1, chance of rain %2 %")).arg(speed, rain);
    return rain.isEmpty() ? QString() : Tr(QT_TRANSLATE_NOOP("WeatherExtras", "Chance of rain %1 %")).arg(rain);
}

QString WithExtrasLine(const QString& text, const QString& line) {
    if (line.isEmpty()) return text;
    if (text.isEmpty()) return line;
    return text + QLatin1Char('\n') + line;
}

}  // namespace nimbrel
