#include "graph/WeatherGraph.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <vector>

#include "base/Numbers.h"
#include "base/SkipOnError.h"
#include "base/Temperature.h"
#include "base/Translate.h"
#include "base/modMisc.h"

namespace nimbrel {
namespace {

// Walks the entries of a list joined by ",", oldest first, without making a
// copy or a table of them: an empty list has no entries (not one empty entry).
class ListCursor {
public:
    explicit ListCursor(std::string_view list) : list_(list), done_(list.empty()) {}

    // The next entry; false when the list has no more.
    bool Next(std::string_view& entry) {
        if (done_) return false;
        const char* begin = list_.data() + at_;
        const char* end = list_.data() + list_.size();
        const char* p = begin;
        while (p != end && *p != ',') ++p;
        entry = std::string_view(begin, static_cast<size_t>(p - begin));
        if (p == end)
            done_ = true;
        else
            at_ = static_cast<size_t>(p - list_.data()) + 1;
        return true;
    }
    // The entry `steps` entries on (0: the next one); empty when the list is
    // shorter.
    std::string_view Skip(size_t steps) {
        std::string_view entry;
        for (size_t i = 0; i <= steps; ++i)
            if (!Next(entry)) return {};
        return entry;
    }

private:
    std::string_view list_;
    size_t at_ = 0;
    bool done_;
};

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
        // As TimeSerial gives it for a time within the day.
        value = cache.value + (Two(text, 11) * 3600 + Two(text, 14) * 60 + Two(text, 17)) / 86400.0;
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

// A temperature of the history (whole degrees Celsius) as the chart shows
// it; a value that is not a number is handed on as it stands (a gap).
std::string_view ShownTemperatureCell(std::string_view celsius, std::string& buffer, TempUnit unit) {
    if (unit == TempUnit::Celsius || celsius.empty() || celsius.size() > 32) return celsius;
    double value = 0;
    if (!ParseDecimal(celsius, value)) return celsius;
    buffer = std::to_string(ShownDegrees(value, unit));
    return buffer;
}

}  // namespace

bool ReadHistoryTime(std::string_view text, DateTime& value) {
    DateCache cache;
    return ReadTime(text, value, cache);
}

void WeatherGraph::DrawWeatherGraph(const HistoryLists& history, ChartTarget& target, bool blnTemperature,
                                    bool blnBothGraphs, DateTime datStart, DateTime datEnd, bool blnAutoTime) {
    // The readings inside the frame, by their place in the lists; the time
    // of each is read once and serves both the count and the fill. An entry
    // that cannot be read is never inside a frame.
    struct Inside {
        size_t index;
        std::string_view time;
        DateTime t;
    };
    std::vector<Inside> inside;
    std::string title;  // a failed step leaves it empty; the title line is still written
    std::shared_ptr<ChartGrid> grid;

    SkipOnError([&] {
        if (!blnAutoTime) return;
        datStart = StripTime(datStart);
        datEnd = StripTime(datEnd) + TimeSerial(23, 59, 59);
    });
    SkipOnError([&] {
        ListCursor times(history.TimeHistory);
        DateCache cache;
        std::string_view entry;
        for (size_t i = 0; times.Next(entry); ++i) {
            DateTime t;
            if (ReadTime(entry, t, cache) && t >= datStart && t <= datEnd) inside.push_back(Inside{i, entry, t});
        }
    });
    const size_t k = inside.size();
    SkipOnError([&] {
        title = blnBothGraphs
                    ? Translated("WeatherGraph", QT_TRANSLATE_NOOP("WeatherGraph", "Temperature and Humidity"))
                : blnTemperature ? Translated("WeatherGraph", QT_TRANSLATE_NOOP("WeatherGraph", "Temperature"))
                                 : Translated("WeatherGraph", QT_TRANSLATE_NOOP("WeatherGraph", "Humidity"));
    });
    SkipOnError([&] {
        if (blnBothGraphs) {
            grid = std::make_shared<ChartGrid>(static_cast<int32_t>(k + 1), 3, k * 28);
            grid->SetCell(0, 2, Translated("WeatherGraph", QT_TRANSLATE_NOOP("WeatherGraph", "Temp")));
            grid->SetCell(0, 3, Translated("WeatherGraph", QT_TRANSLATE_NOOP("WeatherGraph", "Humid")));
            grid->SetColumnUnit(2, UnitSymbol(unit_));
            grid->SetColumnUnit(3, "%");
        } else if (k > 0) {
            // Without a reading in the frame a grid without rows cannot be
            // made: the chart is handed the previous grid again.
            grid = std::make_shared<ChartGrid>(static_cast<int32_t>(k), 2, k * 24);
            grid->SetColumnUnit(2, blnTemperature ? UnitSymbol(unit_) : "%");
        }
    });
    SkipOnError([&] { target.SetShowLegend(blnBothGraphs); });
    SkipOnError([&] {
        if (!grid) return;
        // The value lists are walked alongside, to the place of each reading
        // inside the frame. A value missing from a shorter list leaves its
        // cell empty; the rest of the row and the later rows are still filled.
        ListCursor temps(blnBothGraphs || blnTemperature ? history.TempHistory : std::string_view());
        ListCursor humids(blnBothGraphs || !blnTemperature ? history.HumidHistory : std::string_view());
        const int32_t first = blnBothGraphs ? 1 : 0;
        std::string shown;
        size_t next = 0;  // the place the cursors stand before
        for (size_t r = 0; r < k; ++r) {
            const Inside& reading = inside[r];
            const size_t steps = reading.index - next;
            next = reading.index + 1;
            const int32_t row = first + static_cast<int32_t>(r);
            grid->SetCell(row, 1, reading.time);
            grid->SetRowTime(row, reading.t);
            const std::string_view temp = ShownTemperatureCell(temps.Skip(steps), shown, unit_);
            const std::string_view humid = humids.Skip(steps);
            if (blnBothGraphs) {
                grid->SetCell(row, 2, temp);
                grid->SetCell(row, 3, humid);
            } else {
                grid->SetCell(row, 2, blnTemperature ? temp : humid);
            }
        }
    });
    SkipOnError([&] {
        if (grid) ChartGrid_ = std::move(grid);
        target.SetChartData(ChartGrid_);
    });
    SkipOnError([&] { target.SetTitleText(title + " : " + FormatDate(datStart) + " - " + FormatDate(datEnd)); });
}

}  // namespace nimbrel
