#include "FeedCheck.h"

#include <fstream>
#include <sstream>

#include "base/modMisc.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"
#include "feeds/WeatherExtras.h"

namespace nimbrel::feedgen {
namespace {

bool IsUrl(const std::string& s) {
    const std::string l = LowerAscii(s.substr(0, 8));
    return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0;
}

FeedKind GuessKind(const std::string& source, const std::string& text) {
    if (source.find("5day") != std::string::npos) return FeedKind::Forecast;
    if (source.find("obs") != std::string::npos) return FeedKind::Observation;
    return InStr(1, text, "Max Temp:", false) > 0 ? FeedKind::Forecast : FeedKind::Observation;
}

}  // namespace

bool CheckDocument(const std::string& text, const std::string& source, CheckKind kind, const std::string& fetchError,
                   std::ostream& out) {
    const std::string feedText = PrepareFeedText(text);
    const FeedKind k = kind == CheckKind::Observation ? FeedKind::Observation
                       : kind == CheckKind::Forecast  ? FeedKind::Forecast
                                                      : GuessKind(source, feedText);
    if (k == FeedKind::Observation) {
        const Observation r = ReadObservation(feedText);
        out << "kind: observation\n"
            << "summary: " << r.summary << "\n"
            << "temperature: " << r.temperature.text << "\n"
            << "humidity: " << r.humidity.text << "\n"
            << "CurrentTemp: " << CurrentTemperature(r) << "\n";
        Observation extras;
        ReadObservationExtras(feedText, extras);
        for (const std::string& line : ObservationExtrasLines(extras)) out << line << "\n";
    } else {
        const std::string forecast = BuildForecastText(feedText);
        out << "kind: forecast\n";
        for (int16_t i = 1; i <= 3; ++i) out << "line " << i << ": " << GetField(forecast, "\r\n", i) << "\n";
        for (int16_t i = 1; i <= 3; ++i) {
            const ForecastTileView v = ReadForecastLine(GetField(forecast, "\r\n", i));
            out << "tile " << i << " caption: " << v.caption << "\n"
                << "tile " << i << " summary: " << v.summary << "\n"
                << "tile " << i << " temperature: " << v.temperature << "\n";
        }
        const SunTimesView sun = ReadSunTimes(forecast);
        out << "sunrise: " << sun.riseCaption << (sun.riseKnown ? "" : " (not a time; the dial keeps its time)") << "\n"
            << "sunset: " << sun.setCaption << (sun.setKnown ? "" : " (not a time; the dial keeps its time)") << "\n";
        ForecastDays days{};
        HourlyForecast hours;
        ReadForecastExtras(feedText, days, hours);
        for (const std::string& line : ForecastExtrasLines(days, hours)) out << line << "\n";
    }
    std::string reason;
    if (!fetchError.empty())
        reason = fetchError;
    else if (text.empty())
        reason = "empty document";
    else if (!IsCompleteFeed(feedText))
        reason = "no closing </rss> tag";
    out << "accepted: " << (reason.empty() ? "yes" : "no (" + reason + ")") << "\n";
    return reason.empty();
}

bool CheckFeed(const std::string& source, CheckKind kind, std::ostream& out, const FetchLimits& limits) {
    std::string text, error;
    if (IsUrl(source)) {
        const HttpResult r = Fetch(source, limits);
        if (r.ok)
            text = r.body;
        else
            error = r.error;
    } else {
        std::ifstream in(source, std::ios::binary);
        if (!in) {
            error = "cannot read " + source;
        } else {
            std::ostringstream s;
            s << in.rdbuf();
            text = s.str();
        }
    }
    return CheckDocument(text, source, kind, error, out);
}

}  // namespace nimbrel::feedgen
