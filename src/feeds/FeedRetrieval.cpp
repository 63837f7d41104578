#include "feeds/FeedRetrieval.h"

#include "base/modMisc.h"
#include "feeds/FeedText.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"

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

bool HandleFeedText(FeedKind kind, const std::string& Text, SettingsStore& store, FeedDisplay& display) {
    if (Text.empty()) return false;
    const std::string FeedText = PrepareFeedText(Text);
    if (!IsCompleteFeed(FeedText)) return false;
    if (kind == FeedKind::Forecast)
        ParseForecast(FeedText, store, display);
    else
        ParseObservation(FeedText, store, display);
    return true;
}

bool HandleFeedResult(FeedKind kind, const HttpResult& result, SettingsStore& store, FeedDisplay& display) {
    if (!result.ok) return false;
    return HandleFeedText(kind, result.body, store, display);
}

bool FetchFeed(const std::string& Url, FeedKind kind, SettingsStore& store, FeedDisplay& display,
               const FetchLimits& limits) {
    return HandleFeedResult(kind, Fetch(Url, limits), store, display);
}

}  // namespace nimbrel
