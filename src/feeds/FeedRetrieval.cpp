#include "feeds/FeedRetrieval.h"

#include <algorithm>

#include "base/modMisc.h"
#include "feeds/FeedText.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"
#include "feeds/WeatherExtras.h"

namespace nimbrel {

FeedUrls BuildFeedUrls(const std::string& baseUrl, const std::string& LocationId) {
    std::string host = baseUrl;
    if (!host.empty() && host.back() == '/') host.pop_back();
    return FeedUrls{host + "/weather/feeds/rss/obs/id/" + LocationId + ".xml",
                    host + "/weather/feeds/rss/5day/id/" + LocationId + ".xml"};
}

std::string NormaliseLineEnds(const std::string& text) {
    std::string lf = ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n");
    return ReplaceAll(lf, "\n", "\r\n");
}

std::string PrepareFeedText(const std::string& Text) {
    return ToValidUtf8(NormaliseLineEnds(Text));
}

bool IsCompleteFeed(const std::string& FeedText) {
    return InStr(1, FeedText, "</rss>", false) > 0;
}

FeedReading ReadFeedText(FeedKind kind, const std::string& Text) {
    FeedReading r;
    r.kind = kind;
    if (Text.empty()) return r;
    const std::string FeedText = PrepareFeedText(Text);
    if (!IsCompleteFeed(FeedText)) return r;
    if (kind == FeedKind::Forecast) {
        r.forecast = ReadForecast(FeedText);
        // A document with no day in it (items the markers do not find) is
        // no forecast: taking it would replace a good stored one with three
        // empty days.
        if (std::none_of(r.forecast.begin(), r.forecast.end(), DayWasRead)) return r;
        ReadForecastExtras(FeedText, r.forecast, r.hours);
    } else {
        r.observation = ReadObservation(FeedText);
        ReadObservationExtras(FeedText, r.observation);
    }
    r.accepted = true;
    return r;
}

FeedReading ReadFeedResult(FeedKind kind, const HttpResult& result) {
    if (!result.ok) {
        FeedReading r;
        r.kind = kind;
        return r;
    }
    return ReadFeedText(kind, result.body);
}

void StoreFeedReading(const FeedReading& reading, SettingsStore& store) {
    if (!reading.accepted) return;
    if (reading.kind == FeedKind::Forecast) {
        StoreForecast(reading.forecast, store);
        KeepForecastExtras(reading.forecast, reading.hours, store);
    } else {
        StoreObservation(reading.observation, store);
        KeepObservationExtras(reading.observation, store);
    }
}

bool HandleFeedText(FeedKind kind, const std::string& Text, SettingsStore& store) {
    const FeedReading r = ReadFeedText(kind, Text);
    StoreFeedReading(r, store);
    return r.accepted;
}

bool HandleFeedResult(FeedKind kind, const HttpResult& result, SettingsStore& store) {
    const FeedReading r = ReadFeedResult(kind, result);
    StoreFeedReading(r, store);
    return r.accepted;
}

bool FetchFeed(const std::string& Url, FeedKind kind, SettingsStore& store, const FetchLimits& limits) {
    return HandleFeedResult(kind, Fetch(Url, limits), store);
}

}  // namespace nimbrel
