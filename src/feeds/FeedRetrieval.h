#pragma once
// Fetching the two feed documents and reading an accepted one into the
// weather model. Reading and keeping are separate steps so that the program
// can fetch and read on a worker thread and keep the reading on its window's
// thread afterwards; FetchFeed does all of it in one call for callers that
// may block.
#include <string>

#include "feeds/WeatherModel.h"
#include "platform/http/HttpFetch.h"
#include "store/SettingsStore.h"

namespace nimbrel {

// The sample feed server's default address (tools/nimbrel-feed).
inline constexpr const char* kDefaultFeedBaseUrl = "http://127.0.0.1:8077";

enum class FeedKind { Observation, Forecast };

struct FeedUrls {
    std::string ObservationUrl;
    std::string ForecastUrl;
};

// baseUrl is scheme and host ("http://127.0.0.1:8077"); a trailing "/" is
// dropped so the paths are always the fixed ones. Nothing else is escaped or
// checked: an empty LocationId gives a path ending in "id/.xml".
FeedUrls BuildFeedUrls(const std::string& baseUrl, const std::string& LocationId);

// Every line end (CR LF, lone CR, lone LF) becomes CR LF.
std::string NormaliseLineEnds(const std::string& text);
// The text the parsers read: line ends normalised, and bytes that are not
// valid UTF-8 taken as Windows-1252 (see ToValidUtf8).
std::string PrepareFeedText(const std::string& Text);
// The one test a document must pass: it holds "</rss>" in any case.
bool IsCompleteFeed(const std::string& FeedText);

// What one document (or one answer of a source) gave: the observation or
// the forecast days, whichever kind was asked for.
struct FeedReading {
    FeedKind kind = FeedKind::Observation;
    bool accepted = false;
    Observation observation;
    ForecastDays forecast;
    HourlyForecast hours;  // with the forecast, where the source has them
};

// Normalises Text and, if it is a complete feed, reads it as the given kind.
FeedReading ReadFeedText(FeedKind kind, const std::string& Text);
// The same for a fetch result: a failed transfer or a non-2xx response is
// not accepted, like an incomplete document.
FeedReading ReadFeedResult(FeedKind kind, const HttpResult& result);
// Keeps an accepted reading in store (ParseObservation's or ParseForecast's
// updates); a reading not accepted changes nothing.
void StoreFeedReading(const FeedReading& reading, SettingsStore& store);

// ReadFeedText and StoreFeedReading in one; returns whether it was accepted.
bool HandleFeedText(FeedKind kind, const std::string& Text, SettingsStore& store);
bool HandleFeedResult(FeedKind kind, const HttpResult& result, SettingsStore& store);
// Blocking fetch, read and keep in one call.
bool FetchFeed(const std::string& Url, FeedKind kind, SettingsStore& store, const FetchLimits& limits = {});

}  // namespace nimbrel
