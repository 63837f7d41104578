#pragma once
// Fetching the two feed documents and handing an accepted one to its parser.
// The fetch and the parse are separate steps so that the main window can run
// the blocking Fetch on a worker thread and HandleFeedResult on its own
// thread afterwards; FetchFeed does both in one call for callers that may
// block.
#include <string>

#include "feeds/FeedDisplay.h"
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

// Normalises Text and, if it is a complete feed, parses it as the given kind
// into store and display. Returns whether it was accepted; a rejected text
// changes nothing at all.
bool HandleFeedText(FeedKind kind, const std::string& Text, SettingsStore& store, FeedDisplay& display);
// The same for a fetch result: a failed transfer or a non-2xx response is
// dropped like an incomplete document.
bool HandleFeedResult(FeedKind kind, const HttpResult& result, SettingsStore& store, FeedDisplay& display);
// Blocking fetch and parse in one call.
bool FetchFeed(const std::string& Url, FeedKind kind, SettingsStore& store, FeedDisplay& display,
               const FetchLimits& limits = {});

}  // namespace nimbrel
