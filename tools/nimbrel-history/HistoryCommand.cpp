#include "HistoryCommand.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string_view>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "base/ProgramInfo.h"
#include "base/modMisc.h"
#include "feeds/WeatherExtras.h"
#include "graph/WeatherGraph.h"
#include "store/SettingsStore.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: nimbrel-history chart SETTINGS --from TIME --to TIME [--series both|temperature|humidity] [--exact]\n"
    "                             [--forecast]\n"
    "       nimbrel-history csv SETTINGS\n"
    "\n"
    "Reads the reading history of a Nimbrel settings.txt (thinned as the program\n"
    "thins it when it loads the file) and prints it; the file is never changed.\n"
    "\n"
    "  chart   the title line of the graph window for the time frame, then one\n"
    "          line per row of the chart's grid, its cells joined by \",\".\n"
    "          TIME is \"dd/mm/yyyy hh:nn:ss\" (or \"dd/mm/yyyy hh:nn\", \"dd/mm/yyyy\"),\n"
    "          or the form csv prints, \"yyyy-mm-ddThh:nn:ss\" (or \"yyyy-mm-dd\").\n"
    "          --series    both (the default), temperature or humidity\n"
    "          --exact     the frame as given; by default it is widened to\n"
    "                      whole days, as the graph window does for every frame\n"
    "                      but \"Last 24 hours\"\n"
    "          --forecast  then the hourly forecast the file keeps, as the graph\n"
    "                      window draws it after the history with its \"now\" at\n"
    "                      --to: a line \"forecast\", then one line per hour:\n"
    "                      time,temperature,humidity,chance of rain (an empty\n"
    "                      cell where the forecast has no value); nothing when\n"
    "                      the forecast's last hour is before --to\n"
    "  csv     every reading, oldest first: time (ISO 8601),temperature,humidity;\n"
    "          a value of \"n/a\" is an empty cell; a value a spreadsheet would\n"
    "          take for a formula (=, +, @, -, a tab) is kept as text with a\n"
    "          leading apostrophe.\n"
    "\n"
    "--version prints the version.\n"
    "\n"
    "Exit status: 0 done, 1 the settings file cannot be used, 2 a bad command line.\n";

// What the chart builder hands the graph window, kept for printing.
class GridRecorder : public ChartTarget {
public:
    void SetShowLegend(bool) override {}
    void SetChartData(std::shared_ptr<const ChartGrid> grid) override { grid_ = std::move(grid); }
    void SetTitleText(const std::string& text) override { title_ = text; }
    const ChartGrid* Grid() const { return grid_.get(); }
    const std::string& Title() const { return title_; }

private:
    std::shared_ptr<const ChartGrid> grid_;
    std::string title_;
};

std::vector<std::string_view> Split(std::string_view list) {
    std::vector<std::string_view> out;
    if (list.empty()) return out;
    for (size_t start = 0;;) {
        const size_t comma = list.find(',', start);
        out.push_back(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
}

bool IsDigits(std::string_view s, size_t min, size_t max) {
    if (s.size() < min || s.size() > max) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int ToInt(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

// A number as the history writes it: an optional minus sign, digits, and at
// most one decimal point.
bool IsPlainNumber(std::string_view s) {
    if (!s.empty() && s.front() == '-') s.remove_prefix(1);
    bool digit = false, point = false;
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

// A spreadsheet cell: quoted only when the text would otherwise break the
// row (a hand-edited file or a feed may hold anything between its tags). A
// cell that a spreadsheet would run as a formula gets the leading apostrophe
// that makes it plain text, and quotes around it.
std::string CsvCell(std::string_view text) {
    const bool formula =
        !text.empty() && (text.front() == '=' || text.front() == '+' || text.front() == '@' || text.front() == '\t' ||
                          text.front() == '\r' || (text.front() == '-' && !IsPlainNumber(text)));
    if (!formula && text.find_first_of("\",\r\n") == std::string_view::npos) return std::string(text);
    std::string cell = formula ? "\"'" : "\"";
    for (char c : text) {
        if (c == '"') cell += '"';
        cell += c;
    }
    return cell + "\"";
}

class Failure : public std::exception {
public:
    Failure(int code, std::string message) : code_(code), message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    int code() const { return code_; }

private:
    int code_;
    std::string message_;
};

[[noreturn]] void Usage(const std::string& message) {
    throw Failure(kHistoryUsage, message);
}
[[noreturn]] void BadFile(const std::string& message) {
    throw Failure(kHistoryBadFile, message);
}

// The store as the program has it after LoadSettings, or a Failure that says
// why the file cannot be used. The program itself starts afresh on a missing
// or foreign file; a tool asked about one file says so instead.
void Load(const std::string& path, SettingsStore& store) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) BadFile(path + ": no such file");
    if (fs::is_directory(status)) BadFile(path + ": is a folder, not a settings file");
    // A FIFO would hold the tool in open() until some writer came.
    if (!fs::is_regular_file(status)) BadFile(path + ": not a regular file, so it is not read");
    std::string text;
    try {
        text = ReadTextFile(path);
    } catch (const std::exception& e) {
        BadFile(path + ": cannot be read (" + e.what() + ")");
    }
    if (InStr(1, text, "<weather>", false) == 0 && InStr(1, text, "<options>", false) == 0)
        BadFile(path + ": not a Nimbrel settings file (it has no <weather> or <options> section)");
    store.SettingsPath = path;
    store.LoadSettings();
}

struct Options {
    std::vector<std::string> positional;
    std::string from, to, series = "both";
    bool haveFrom = false, haveTo = false, exact = false, forecast = false;
};

Options ReadOptions(const std::vector<std::string>& args, size_t first, bool chart) {
    Options o;
    for (size_t i = first; i < args.size(); ++i) {
        std::string word = args[i];
        std::string value;
        bool inlineValue = false;
        if (word.rfind("--", 0) == 0) {
            const size_t eq = word.find('=');
            if (eq != std::string::npos) {
                value = word.substr(eq + 1);
                word.erase(eq);
                inlineValue = true;
            }
        }
        auto take = [&]() -> std::string {
            if (inlineValue) return value;
            if (i + 1 >= args.size()) Usage(word + " needs a value");
            return args[++i];
        };
        if (chart && word == "--from") {
            o.from = take();
            o.haveFrom = true;
        } else if (chart && word == "--to") {
            o.to = take();
            o.haveTo = true;
        } else if (chart && word == "--series") {
            o.series = LowerAscii(take());
        } else if (chart && word == "--exact" && !inlineValue) {
            o.exact = true;
        } else if (chart && word == "--forecast" && !inlineValue) {
            o.forecast = true;
        } else if (word.size() > 1 && word[0] == '-') {
            Usage("unknown option " + args[i]);
        } else {
            o.positional.push_back(word);
        }
    }
    if (o.positional.empty()) Usage("no settings file given");
    if (o.positional.size() > 1) Usage("one settings file only (also got " + o.positional[1] + ")");
    return o;
}

DateTime TimeOption(const char* name, const std::string& text) {
    DateTime value = 0;
    if (!ParseCommandLineTime(text, value))
        Usage(std::string(name) + " \"" + text +
              "\" is not a time of the form dd/mm/yyyy hh:nn:ss or yyyy-mm-ddThh:nn:ss");
    return value;
}

int Chart(const std::vector<std::string>& args, std::ostream& out) {
    const Options o = ReadOptions(args, 1, true);
    if (!o.haveFrom) Usage("chart needs --from");
    if (!o.haveTo) Usage("chart needs --to");
    const DateTime from = TimeOption("--from", o.from);
    const DateTime to = TimeOption("--to", o.to);
    if (from > to) Usage("--from " + o.from + " is after --to " + o.to);
    bool both = true, temperature = true;
    if (o.series == "temperature") {
        both = false;
    } else if (o.series == "humidity") {
        both = false;
        temperature = false;
    } else if (o.series != "both") {
        Usage("--series is both, temperature or humidity, not \"" + o.series + "\"");
    }

    SettingsStore store;
    Load(o.positional[0], store);
    WeatherGraph graph;
    GridRecorder chart;
    graph.DrawWeatherGraph(store, chart, temperature, both, from, to, !o.exact);

    out << chart.Title() << '\n';
    if (const ChartGrid* grid = chart.Grid()) {
        std::string line;
        for (int32_t r = 0; r < grid->RowCount(); ++r) {
            line.clear();
            for (int32_t c = 1; c <= grid->ColumnCount(); ++c) {
                if (c > 1) line += ',';
                line += grid->Cell(r, c);
            }
            line += '\n';
            out << line;
        }
    }
    if (o.forecast) {
        ForecastDays days{};
        HourlyForecast hours;
        LoadForecastExtras(store, days, hours);
        const ChartForecast f = ForecastSeries(hours, to, LocalOffsetSeconds(to), TempUnit::Celsius);
        out << "forecast\n";
        auto cell = [](float v) { return std::isnan(v) ? std::string() : std::to_string(static_cast<int>(v)); };
        for (size_t i = 0; i < f.times.size(); ++i)
            out << FormatDateTime(std::round(f.times[i] * 1440) / 1440) << ',' << cell(f.temperature[i]) << ','
                << cell(f.humidity[i]) << ',' << cell(f.rainChance[i]) << '\n';
    }
    return kHistoryOk;
}

int Csv(const std::vector<std::string>& args, std::ostream& out) {
    const Options o = ReadOptions(args, 1, false);
    SettingsStore store;
    Load(o.positional[0], store);
    const auto times = Split(store.TimeHistory);
    const auto temps = Split(store.TempHistory);
    const auto humids = Split(store.HumidHistory);
    auto cell = [](const std::vector<std::string_view>& list, size_t i) {
        if (i >= list.size() || list[i] == "n/a") return std::string();
        return CsvCell(list[i]);
    };
    std::string line = "time,temperature,humidity\n";
    out << line;
    for (size_t i = 0; i < times.size(); ++i) {
        DateTime t = 0;
        if (!ReadHistoryTime(times[i], t)) continue;
        line = FormatIso(t);
        line += ',';
        line += cell(temps, i);
        line += ',';
        line += cell(humids, i);
        line += '\n';
        out << line;
    }
    return kHistoryOk;
}

}  // namespace

namespace {

// "hh:nn:ss" or "hh:nn", in range.
bool ParseTimeOfDay(std::string_view time, int& hour, int& minute, int& second) {
    const size_t c1 = time.find(':');
    if (c1 == std::string_view::npos) return false;
    const size_t c2 = time.find(':', c1 + 1);
    const std::string_view h = time.substr(0, c1);
    const std::string_view n = time.substr(c1 + 1, c2 == std::string_view::npos ? std::string_view::npos : c2 - c1 - 1);
    const std::string_view sec = c2 == std::string_view::npos ? std::string_view("0") : time.substr(c2 + 1);
    if (!IsDigits(h, 1, 2) || !IsDigits(n, 2, 2) || !IsDigits(sec, 1, 2)) return false;
    hour = ToInt(h);
    minute = ToInt(n);
    second = ToInt(sec);
    return hour <= 23 && minute <= 59 && second <= 59;
}

}  // namespace

bool ParseCommandLineTime(const std::string& text, double& value) {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    // The ISO form that csv prints: the date and the time joined by "T" (or
    // a space), or the date alone.
    const bool iso = s.size() >= 10 && s[4] == '-' && s[7] == '-';
    const size_t space = iso ? s.find_first_of("T ") : s.find(' ');
    const std::string_view date = s.substr(0, space);
    const std::string_view time = space == std::string_view::npos ? std::string_view() : s.substr(space + 1);

    int day = 0, month = 0, year = 0;
    if (iso) {
        const std::string_view y = date.substr(0, 4), m = date.substr(5, 2), d = date.substr(8);
        if (!IsDigits(y, 4, 4) || !IsDigits(m, 2, 2) || !IsDigits(d, 2, 2)) return false;
        year = ToInt(y);
        month = ToInt(m);
        day = ToInt(d);
    } else {
        const size_t s1 = date.find('/');
        const size_t s2 = s1 == std::string_view::npos ? s1 : date.find('/', s1 + 1);
        if (s2 == std::string_view::npos) return false;
        const std::string_view d = date.substr(0, s1), m = date.substr(s1 + 1, s2 - s1 - 1), y = date.substr(s2 + 1);
        if (!IsDigits(d, 1, 2) || !IsDigits(m, 1, 2) || !IsDigits(y, 4, 4)) return false;
        day = ToInt(d);
        month = ToInt(m);
        year = ToInt(y);
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1) return false;
    const DateTime midnight = DateSerial(year, month, day);
    if (Decode(midnight).month != month) return false;  // 31/04, 29/02 of a common year

    int hour = 0, minute = 0, second = 0;
    if (space != std::string_view::npos && !ParseTimeOfDay(time, hour, minute, second)) return false;
    value = midnight + TimeSerial(hour, minute, second);
    return true;
}

int RunHistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        for (const std::string& a : args) {
            if (a == "--help" || a == "-h") {
                out << kUsage << LicenceHelpText();
                return kHistoryOk;
            }
            if (a == "--version") {
                out << "nimbrel-history " NIMBREL_VERSION "\n";
                return kHistoryOk;
            }
        }
        if (args.empty()) Usage("no command given");
        if (args[0] == "chart") return Chart(args, out);
        if (args[0] == "csv") return Csv(args, out);
        Usage("unknown command \"" + args[0] + "\"");
    } catch (const Failure& f) {
        err << "nimbrel-history: " << f.what() << '\n';
        if (f.code() == kHistoryUsage) err << "Try 'nimbrel-history --help'.\n";
        return f.code();
    } catch (const std::exception& e) {
        err << "nimbrel-history: " << e.what() << '\n';
        return kHistoryBadFile;
    }
}

}  // namespace nimbrel
