#pragma once
// "nimbrel-feed check": what the program would take from one document, told
// by the program's own parsers, as "name: value" lines.
#include <ostream>
#include <string>

#include "feeds/FeedRetrieval.h"

namespace nimbrel::feedgen {

enum class CheckKind { Guess, Observation, Forecast };

// source is an http:// or https:// URL or a file name. Writes the report to
// out and returns true when the document would be accepted.
bool CheckFeed(const std::string& source, CheckKind kind, std::ostream& out, const FetchLimits& limits = {});

// The report for a document already in hand (fetchError empty when it arrived).
bool CheckDocument(const std::string& text, const std::string& source, CheckKind kind, const std::string& fetchError,
                   std::ostream& out);

}  // namespace nimbrel::feedgen
