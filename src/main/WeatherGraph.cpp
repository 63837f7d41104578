#include "main/WeatherGraph.h"

#include <cmath>
#include <exception>
#include <limits>
#include <vector>

#include "main/modMisc.h"

namespace nimbrel {
namespace {

// Runs one step of the builder; a step that fails leaves its results undone
// and the builder carries on with the next one.
template <typename F>
void Step(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
    } catch (...) {
    }
}

// A list split at ",": an empty list has no entries (not one empty entry).
std::vector<std::string_view> SplitList(std::string_view list) {
    std::vector<std::string_view> out;
    if (list.empty()) return out;
    out.reserve(list.size() / 8 + 1);
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) {
            out.push_back(list.substr(start));
            break;
        }
        out.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
int Two(std::string_view s, size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// "dd/mm/yyyy hh:nn:ss" as the program writes it: every digit in its place,
// every part in its range and the year from 1900 on. Anything else (years
// that the general parser widens, parts that roll over, days before the
// value's origin, where whole days and the time of day combine differently)
// goes through ParseDateTime so that both ways always agree.
bool IsCanonical(std::string_view s) {
    if (s.size() != 19) return false;
    static constexpr char kShape[] = "00/00/0000 00:00:00";
    for (size_t i = 0; i < 19; ++i) {
        if (kShape[i] == '0') {
            if (!IsDigit(s[i])) return false;
        } else if (s[i] != kShape[i]) {
            return false;
        }
    }
    const int day = Two(s, 0), month = Two(s, 3), century = Two(s, 6);
    return day >= 1 && day <= 31 && month >= 1 && month <= 12 && century >= 19 && Two(s, 11) < 24 && Two(s, 14) < 60 &&
           Two(s, 17) < 60;
}

// Readings come in order, so consecutive entries mostly share their date.
struct DateCache {
    std::string_view text;
    DateTime value = 0;
};

bool ReadTime(std::string_view text, DateTime& value, DateCache& cache) {
    if (IsCanonical(text)) {
        std::string_view date = text.substr(0, 10);
        if (date != cache.text) {
            cache.value = DateSerial(Two(text, 6) * 100 + Two(text, 8), Two(text, 3), Two(text, 0));
            cache.text = date;
        }
        value = cache.value + TimeSerial(Two(text, 11), Two(text, 14), Two(text, 17));
        return true;
    }
    if (text.find('/') == std::string_view::npos) return false;
    try {
        value = ParseDateTime(std::string(text), false);
        return std::isfinite(value);
    } catch (...) {
        return false;
    }
}

}  // namespace

bool ReadHistoryTime(std::string_view text, DateTime& value) {
    DateCache cache;
    return ReadTime(text, value, cache);
}

void WeatherGraph::DrawWeatherGraph(const HistoryLists& history, ChartTarget& target, bool blnTemperature,
                                    bool blnBothGraphs, DateTime datStart, DateTime datEnd, bool blnAutoTime) {
    std::vector<std::string_view> times;
    // The parsed time of each entry; NaN for one that cannot be read, which
    // is then never inside a frame. Parsed once and used by both passes.
    std::vector<DateTime> when;
    std::vector<std::string_view> temps;
    std::vector<std::string_view> humids;
    std::string title;  // a failed step leaves it empty; the title line is still written
    size_t k = 0;
    std::shared_ptr<ChartGrid> grid;

    Step([&] { times = SplitList(history.TimeHistory); });
    Step([&] {
        if (!blnAutoTime) return;
        datStart = StripTime(datStart);
        datEnd = StripTime(datEnd) + TimeSerial(23, 59, 59);
    });
    Step([&] {
        when.assign(times.size(), std::numeric_limits<DateTime>::quiet_NaN());
        DateCache cache;
        for (size_t i = 0; i < times.size(); ++i) {
            DateTime t;
            if (ReadTime(times[i], t, cache)) when[i] = t;
        }
        for (DateTime t : when)
            if (t >= datStart && t <= datEnd) ++k;
    });
    Step([&] {
        if (blnBothGraphs || blnTemperature) temps = SplitList(history.TempHistory);
        if (blnBothGraphs || !blnTemperature) humids = SplitList(history.HumidHistory);
    });
    Step([&] { title = blnBothGraphs ? "Temperature and Humidity" : (blnTemperature ? "Temperature" : "Humidity"); });
    Step([&] {
        if (blnBothGraphs) {
            grid = std::make_shared<ChartGrid>(static_cast<int32_t>(k + 1), 3, k * 28);
            grid->SetCell(0, 2, "Temp");
            grid->SetCell(0, 3, "Humid");
            grid->SetColumnUnit(2, "°C");
            grid->SetColumnUnit(3, "%");
        } else if (k > 0) {
            // Without a reading in the frame a grid without rows cannot be
            // made: the chart is handed the previous grid again.
            grid = std::make_shared<ChartGrid>(static_cast<int32_t>(k), 2, k * 24);
            grid->SetColumnUnit(2, blnTemperature ? "°C" : "%");
        }
    });
    Step([&] { target.SetShowLegend(blnBothGraphs); });
    Step([&] {
        if (!grid) return;
        // A value missing from a shorter list leaves its cell empty; the rest
        // of the row and the later rows are still filled.
        auto value = [](const std::vector<std::string_view>& list, size_t i) {
            return i < list.size() ? list[i] : std::string_view();
        };
        int32_t r = 0;
        const int32_t first = blnBothGraphs ? 1 : 0;
        const std::vector<std::string_view>& single = blnTemperature ? temps : humids;
        for (size_t i = 0; i < times.size() && i < when.size(); ++i) {
            const DateTime t = when[i];
            if (!(t >= datStart && t <= datEnd)) continue;
            const int32_t row = first + r;
            grid->SetCell(row, 1, times[i]);
            if (blnBothGraphs) {
                grid->SetCell(row, 2, value(temps, i));
                grid->SetCell(row, 3, value(humids, i));
            } else {
                grid->SetCell(row, 2, value(single, i));
            }
            ++r;
        }
    });
    Step([&] {
        if (grid) ChartGrid_ = std::move(grid);
        target.SetChartData(ChartGrid_);
    });
    Step([&] { target.SetTitleText(title + " : " + FormatDate(datStart) + " - " + FormatDate(datEnd)); });
}

}  // namespace nimbrel
