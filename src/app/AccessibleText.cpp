#include "app/AccessibleText.h"

#include <QCoreApplication>
#include <cmath>

#include "base/modMisc.h"

namespace nimbrel {

namespace {

// Every text goes through here marked with QT_TRANSLATE_NOOP, which is how
// lupdate finds it.
QString Tr(const char* text) {
    return QCoreApplication::translate("AccessibleText", text);
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// "6 °C", or that the value is missing.
QString Degrees(std::optional<double> celsius, TempUnit unit) {
    if (!celsius || !std::isfinite(*celsius)) return Tr(QT_TRANSLATE_NOOP("AccessibleText", "temperature missing"));
    return Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1 %2")).arg(ShownDegrees(*celsius, unit)).arg(Q(UnitSymbol(unit)));
}

// "Heavy showers" from "heavy Showers": a sentence's case for a feed's text.
QString SentenceCase(const std::string& text) {
    QString s = Q(text).toLower();
    if (!s.isEmpty()) s[0] = s[0].toUpper();
    return s;
}

// The whole minutes of the day of a time, to the second first, as the
// dial's own summary counts them: 14:39:45 is minute 879.
int MinuteOfDay(DateTime t) {
    return int(std::lround(TimePart(t) * 86400.0) / 60) % 1440;
}

bool IsTimeCaption(const std::string& caption) {
    return !caption.empty() && caption != "??:??";
}

}  // namespace

std::optional<int> StoredCelsius(const SettingsStore& store) {
    if (store.LastReading.empty()) return std::nullopt;
    const Measure m = Measure::FromText(GetField(store.LastReading, ",", 2));
    if (!m.value) return std::nullopt;
    return store.CurrentTemp;
}

ControlTexts NowTexts(const SettingsStore& store, TempUnit unit) {
    ControlTexts t;
    if (store.LastReading.empty()) {
        t.name = Tr(QT_TRANSLATE_NOOP("AccessibleText", "Now: no reading yet"));
        return t;
    }
    const std::optional<int> celsius = StoredCelsius(store);
    const QString summary = store.CurrentSummary.empty() ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "weather not given"))
                                                         : SentenceCase(store.CurrentSummary);
    t.name = Tr(QT_TRANSLATE_NOOP("AccessibleText", "Now: %1, %2"))
                 .arg(summary, Degrees(celsius ? std::optional<double>(*celsius) : std::nullopt, unit));
    t.description = HumidityName(store.HumidityCaption);
    if (!store.LastUpdate.empty())
        t.description += QStringLiteral("; ") + LastUpdateName(Q("Last update: " + store.LastUpdate));
    return t;
}

ControlTexts TileTexts(const std::string& line, TempUnit unit) {
    ControlTexts t;
    if (line.empty()) {
        t.name = Tr(QT_TRANSLATE_NOOP("AccessibleText", "Forecast: not known yet"));
        return t;
    }
    const ForecastDay day = ReadForecastDay(line);
    const QString weekday =
        day.date > 0 ? Q(WeekdayName(Weekday(day.date))) : Tr(QT_TRANSLATE_NOOP("AccessibleText", "Unknown day"));
    const QString summary =
        day.summary.empty() ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "weather not given")) : Q(day.summary).toLower();
    QString range;
    if (day.minimum.value && day.maximum.value)
        range = Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1 to %2 %3"))
                    .arg(ShownDegrees(*day.minimum.value, unit))
                    .arg(ShownDegrees(*day.maximum.value, unit))
                    .arg(Q(UnitSymbol(unit)));
    else
        range = Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1 to %2"))
                    .arg(Degrees(day.minimum.value, unit), Degrees(day.maximum.value, unit));
    const QString humidity =
        day.humidity.value
            ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "humidity %1 %")).arg(std::lround(*day.humidity.value))
            : Tr(QT_TRANSLATE_NOOP("AccessibleText", "humidity missing"));
    t.name = Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1: %2, %3, %4")).arg(weekday, summary, range, humidity);
    t.description = TileToolTip(line, unit);
    return t;
}

QString SunTimesSentence(const std::string& line) {
    const SunTimesView sun = ReadSunTimes(line);
    const bool rise = IsTimeCaption(sun.riseCaption), set = IsTimeCaption(sun.setCaption);
    if (!rise && !set) return {};
    const QString missing = Tr(QT_TRANSLATE_NOOP("AccessibleText", "missing"));
    return Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sunrise %1, sunset %2."))
        .arg(rise ? Q(sun.riseCaption) : missing, set ? Q(sun.setCaption) : missing);
}

QString TileToolTip(const std::string& line, TempUnit unit) {
    QString tip = Q(ForecastToolTip(line, unit));
    const QString sun = SunTimesSentence(line);
    if (!sun.isEmpty()) tip += QLatin1Char('\n') + sun;
    return tip;
}

QString DurationText(int minutes) {
    minutes = std::abs(minutes);
    const int h = minutes / 60, m = minutes % 60;
    const QString hours = h == 1 ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "1 hour"))
                                 : Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1 hours")).arg(h);
    const QString mins = m == 1 ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "1 minute"))
                                : Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1 minutes")).arg(m);
    if (h == 0) return mins;
    if (m == 0) return hours;
    return Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1 %2")).arg(hours, mins);
}

ControlTexts SunDialTexts(const SunTimesView& sun, bool known, DateTime now, const std::string& summary) {
    ControlTexts t;
    if (!known) {
        t.name = Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sun dial: the sun times are not known yet"));
        t.description = Tr(
            QT_TRANSLATE_NOOP("AccessibleText", "The sun times are not known yet: they come with the first forecast."));
        return t;
    }
    const int at = MinuteOfDay(now), up = MinuteOfDay(sun.sunUp), down = MinuteOfDay(sun.sunDown);
    QString next;
    if (sun.setKnown && at >= up && at < down)
        next = Tr(QT_TRANSLATE_NOOP("AccessibleText", "the sun sets in %1")).arg(DurationText(down - at));
    else
        next =
            Tr(QT_TRANSLATE_NOOP("AccessibleText", "the sun rises in %1")).arg(DurationText((up - at + 1440) % 1440));
    const QString missing = Tr(QT_TRANSLATE_NOOP("AccessibleText", "missing"));
    t.name = Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sunrise %1, sunset %2; %3"))
                 .arg(IsTimeCaption(sun.riseCaption) ? Q(sun.riseCaption) : missing,
                      IsTimeCaption(sun.setCaption) ? Q(sun.setCaption) : missing, next);
    QString text = Q(summary);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("; "));
    t.description = text;
    return t;
}

QString SunriseName(const std::string& caption) {
    return IsTimeCaption(caption) ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sunrise %1")).arg(Q(caption))
                                  : Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sunrise not known yet"));
}

QString SunsetName(const std::string& caption) {
    return IsTimeCaption(caption) ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sunset %1")).arg(Q(caption))
                                  : Tr(QT_TRANSLATE_NOOP("AccessibleText", "Sunset not known yet"));
}

QString HumidityName(const std::string& caption) {
    if (caption.empty() || caption == "%") return Tr(QT_TRANSLATE_NOOP("AccessibleText", "Humidity missing"));
    return Tr(QT_TRANSLATE_NOOP("AccessibleText", "Humidity %1")).arg(Q(caption));
}

QString LastUpdateName(const QString& shown) {
    return shown.isEmpty() ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "Last update: none yet")) : shown;
}

ControlTexts ChartTexts(bool temperature, bool both, DateTime start, DateTime end, const SettingsStore& store,
                        TempUnit unit) {
    ControlTexts t;
    const QString kind = both          ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "Temperature and humidity"))
                         : temperature ? Tr(QT_TRANSLATE_NOOP("AccessibleText", "Temperature"))
                                       : Tr(QT_TRANSLATE_NOOP("AccessibleText", "Humidity"));
    t.name =
        Tr(QT_TRANSLATE_NOOP("AccessibleText", "%1, %2 to %3")).arg(kind, Q(FormatDate(start)), Q(FormatDate(end)));
    if (store.LastReading.empty()) {
        t.description = Tr(QT_TRANSLATE_NOOP("AccessibleText", "No reading yet."));
        return t;
    }
    const std::optional<int> celsius = StoredCelsius(store);
    t.description = Tr(QT_TRANSLATE_NOOP("AccessibleText", "Latest reading: %1, %2, at %3."))
                        .arg(Degrees(celsius ? std::optional<double>(*celsius) : std::nullopt, unit),
                             HumidityName(store.HumidityCaption).toLower(), Q(GetField(store.LastReading, ",", 4)));
    return t;
}

}  // namespace nimbrel
