#pragma once
// nimbrel-history: the reading history of a settings.txt for scripts and
// spreadsheets, through the same code as the program itself.
//
//   nimbrel-history chart SETTINGS --from TIME --to TIME [--series both|temperature|humidity] [--exact]
//   nimbrel-history csv SETTINGS
//
// "chart" prints what the graph window would be given for that frame: the
// title line, then one line per row of the chart's grid with its cells joined
// by ",". "csv" prints every reading with an ISO 8601 time.
#include <iosfwd>
#include <string>
#include <vector>

namespace nimbrel {

// Exit codes: 0 done, 1 the settings file could not be used, 2 a bad command
// line (unknown command or option, a missing or bad value).
constexpr int kHistoryOk = 0;
constexpr int kHistoryBadFile = 1;
constexpr int kHistoryUsage = 2;

// args are the words after the program's name. Output goes to out, messages
// to err; nothing is ever written to the settings file.
int RunHistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A time given on the command line: "dd/mm/yyyy hh:nn:ss", "dd/mm/yyyy hh:nn"
// or "dd/mm/yyyy", or the ISO form that csv prints ("yyyy-mm-ddThh:nn:ss",
// "yyyy-mm-ddThh:nn", "yyyy-mm-dd"; a space may stand for the "T"), with a real calendar date and a time of day in
// range. Unlike the history's own reader it does not roll over: a mistyped date is refused rather than read as another
// day.
bool ParseCommandLineTime(const std::string& text, double& value);

}  // namespace nimbrel
