// Appending readings and thinning the history: the rules on small cases, the
// cap, and the quick append checked against a plain full recompaction.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "StoreTestSupport.h"
#include "base/Clock.h"
#include "base/modMisc.h"

using namespace nimbrel;
using nimbrel::testing::Entries;

namespace {

// The history rules written out the long way: count the separators, split,
// mark forwards and backwards, empty, join and collapse.
void PlainAppend(std::string& list, std::string value) {
    if (value.empty())
        value = list.empty() ? "n/a" : list.substr(list.rfind(',') == std::string::npos ? 0 : list.rfind(',') + 1);
    if (list.empty()) {
        list = value;
        return;
    }
    if (CountOccurrences(list, ",") == kHistoryCap - 1) list.erase(0, list.find(',') + 1);
    if (list.back() != ',') list += ',';
    list += value;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t p = s.find(',', start);
        out.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) return out;
        start = p + 1;
    }
}

void PlainCompact(std::string& temps, std::string& humids, std::string& times) {
    std::vector<std::string> t = Split(temps), h = Split(humids), tm = Split(times);
    const size_t n = times.empty() ? 0 : tm.size();
    t.resize(std::max(t.size(), n));
    h.resize(std::max(h.size(), n));
    std::vector<bool> keep(n, false);
    std::string pt, ph;
    for (size_t i = 0; i < n; ++i) {
        if (!EqualsIgnoreCase(t[i], pt) || !EqualsIgnoreCase(h[i], ph)) keep[i] = true;
        pt = t[i];
        ph = h[i];
    }
    pt.clear();
    ph.clear();
    for (size_t i = n; i-- > 0;) {
        if (!EqualsIgnoreCase(t[i], pt) || !EqualsIgnoreCase(h[i], ph)) keep[i] = true;
        pt = t[i];
        ph = h[i];
    }
    auto join = [&](std::vector<std::string>& v) {
        std::string out;
        for (size_t i = 0; i < n; ++i) out += (keep[i] ? v[i] : std::string()) + (i + 1 < n ? "," : "");
        return CollapseDelimiters(out, ",", true);
    };
    temps = join(t);
    humids = join(h);
    times = join(tm);
}

struct Plain {
    std::string temps, humids, times;
    void Append(const std::string& t, const std::string& h, const std::string& time) {
        PlainAppend(temps, t);
        PlainAppend(humids, h);
        PlainAppend(times, time);
        PlainCompact(temps, humids, times);
    }
    // `size` readings whose temperatures alternate, so thinning keeps all.
    static Plain Alternating(int size) {
        Plain p;
        for (int i = 0; i < size; ++i) {
            const std::string sep = i ? "," : "";
            p.temps += sep + std::to_string(i % 2);
            p.humids += sep + "50";
            p.times += sep + "06/12/2026 00:00:00";
        }
        return p;
    }
    // The store's lists set to these, behind its back.
    void CopyTo(SettingsStore& s) const {
        s.TempHistory = temps;
        s.HumidHistory = humids;
        s.TimeHistory = times;
    }
};

void Append(SettingsStore& s, const std::string& temp, const std::string& humid) {
    s.LastReading = "Cloudy," + temp + "," + humid + ",01/01/2026 00:00:00";
    s.AppendReading();
}

}  // namespace

TEST(History, RunsOfEqualReadingsKeepTheirFirstAndLast) {
    ScopedClock clock(DateSerial(2026, 12, 7));
    SettingsStore s;
    const char* temps[] = {"11", "12", "12", "12", "13"};
    for (int i = 0; i < 5; ++i) {
        clock.Advance(1.0 / 1440);
        Append(s, temps[i], "80");
    }
    EXPECT_EQ(s.TempHistory, "11,12,12,13");
    EXPECT_EQ(s.HumidHistory, "80,80,80,80");
    EXPECT_EQ(s.TimeHistory, "07/12/2026 00:01:00,07/12/2026 00:02:00,07/12/2026 00:04:00,07/12/2026 00:05:00");
    // Case does not make a reading different.
    Append(s, "N/A", "x");
    Append(s, "n/a", "X");
    Append(s, "n/A", "x");
    EXPECT_EQ(s.TempHistory, "11,12,12,13,N/A,n/A");
}

TEST(History, AMissingValueRepeatsThePreviousOne) {
    ScopedClock clock(DateSerial(2026, 12, 7));
    SettingsStore s;
    Append(s, "", "");
    EXPECT_EQ(s.TempHistory, "n/a");
    EXPECT_EQ(s.HumidHistory, "n/a");
    Append(s, "5", "70");
    Append(s, "6", "");
    EXPECT_EQ(s.HumidHistory, "n/a,70,70");
    std::string list = "1,2";
    AppendToList(list, "");
    EXPECT_EQ(list, "1,2,2");
    list = "1,";
    AppendToList(list, "3");
    EXPECT_EQ(list, "1,3");
}

TEST(History, AListAtTheCapLosesItsOldestEntry) {
    std::string list = "0";
    for (int i = 1; i < kHistoryCap; ++i) {
        list += ',';
        list += std::to_string(i);
    }
    ASSERT_EQ(Entries(list), kHistoryCap);
    AppendToList(list, "new");
    EXPECT_EQ(Entries(list), kHistoryCap);
    EXPECT_EQ(list.substr(0, 4), "1,2,");
    EXPECT_EQ(list.substr(list.size() - 4), ",new");
}

// Many random sequences of readings, small and at the cap, each step checked
// against the long way round.
TEST(History, QuickAppendGivesExactlyTheFullRecompaction) {
    std::mt19937 rng(20261207);
    const std::vector<std::string> temps = {"11", "12", "12", "N/A", "n/a", "", "-3"};
    const std::vector<std::string> humids = {"80", "80", "81", "", "N/A"};
    ScopedClock clock(DateSerial(2026, 12, 7));
    auto step = [&](SettingsStore& s, Plain& p) {
        const std::string t = temps[rng() % temps.size()], h = humids[rng() % humids.size()];
        clock.Advance(1.0 / 86400);
        Append(s, t, h);
        p.Append(t, h, FormatDateTime(Now()));
        ASSERT_EQ(s.TempHistory, p.temps);
        ASSERT_EQ(s.HumidHistory, p.humids);
        ASSERT_EQ(s.TimeHistory, p.times);
    };
    for (int seq = 0; seq < 300; ++seq) {
        SettingsStore s;
        Plain p;
        for (int i = 0; i < 60; ++i) ASSERT_NO_FATAL_FAILURE(step(s, p));
    }
    // At the cap, starting from a full history of alternating readings.
    for (int seq = 0; seq < 2; ++seq) {
        SettingsStore s;
        Plain p = Plain::Alternating(kHistoryCap);
        p.CopyTo(s);
        for (int i = 0; i < 12; ++i) ASSERT_NO_FATAL_FAILURE(step(s, p));
        ASSERT_EQ(Entries(s.TimeHistory), Entries(p.times));
    }
}

// A list changed behind the store's back is thinned in full on the next append.
TEST(History, ListsChangedDirectlyAreRecompacted) {
    ScopedClock clock(DateSerial(2026, 12, 7));
    SettingsStore s;
    Append(s, "1", "1");
    Append(s, "2", "2");
    s.TempHistory = "5,5,5";
    s.HumidHistory = "5,5,5";
    s.TimeHistory = "a,b,c";
    Append(s, "5", "5");
    EXPECT_EQ(s.TempHistory, "5,5");
    EXPECT_EQ(s.TimeHistory, "a,07/12/2026 00:00:00");
}

// The quick append keeps no copy of the lists: an edit that keeps every
// length, anywhere in any of the three lists, at the cap and below it, must
// still send the append through the full thinning.
TEST(History, EditsThatKeepTheLengthAreSeen) {
    ScopedClock clock(DateSerial(2026, 12, 7));
    for (const int size : {kHistoryCap, 1000}) {
        const Plain base = Plain::Alternating(size);
        // Each edit makes one reading equal to both of its neighbours, or
        // changes a time, without changing a length.
        const size_t mid = base.temps.size() / 2 & ~size_t(1);
        const std::vector<std::function<void(Plain&)>> edits = {
            [&](Plain& p) { p.temps[mid + 2] = p.temps[mid]; },
            [&](Plain& p) { p.temps[2] = p.temps[0]; },
            [&](Plain& p) { p.temps[p.temps.size() - 5] = p.temps.back(); },
            [&](Plain& p) { p.humids[p.humids.size() / 6 * 3] = '7'; },
            [&](Plain& p) { p.times[0] = '1'; },
            [&](Plain& p) { p.times[p.times.size() / 40 * 20] = '2'; },
        };
        for (size_t e = 0; e < edits.size(); ++e) {
            SCOPED_TRACE(std::to_string(size) + " entries, edit " + std::to_string(e));
            SettingsStore s;
            Plain p = base;
            p.CopyTo(s);
            clock.Advance(1.0 / 86400);
            Append(s, "1", "50");
            p.Append("1", "50", FormatDateTime(Now()));
            edits[e](p);
            p.CopyTo(s);
            clock.Advance(1.0 / 86400);
            Append(s, "0", "50");
            p.Append("0", "50", FormatDateTime(Now()));
            ASSERT_EQ(s.TempHistory, p.temps);
            ASSERT_EQ(s.HumidHistory, p.humids);
            ASSERT_EQ(s.TimeHistory, p.times);
        }
    }
}

// Months at the cap: every append drops the oldest reading, and the lists
// move their text down only now and then. After thousands of appends the
// lists hold exactly the newest kHistoryCap readings of the whole run.
TEST(History, ThousandsOfAppendsAtTheCapKeepTheNewestReadings) {
    ScopedClock clock(DateSerial(2026, 1, 1));
    constexpr int kAppends = 9000;  // drops more than the times list's move threshold
    std::vector<std::string> times;
    times.reserve(kHistoryCap + kAppends);
    SettingsStore s;
    {
        std::string t, h, tm;
        for (int i = 0; i < kHistoryCap; ++i) {
            const std::string sep = i ? "," : "";
            times.push_back(FormatDateTime(Now() - (kHistoryCap - i) / 86400.0));
            t += sep + std::to_string(i % 2);
            h += sep + "50";
            tm += sep + times.back();
        }
        s.TempHistory = t;
        s.HumidHistory = h;
        s.TimeHistory = tm;
        s.CompactHistory();
    }
    auto expectNewest = [&](int appended) {
        std::string t, h, tm;
        for (int i = appended; i < kHistoryCap + appended; ++i) {
            const std::string sep = i > appended ? "," : "";
            t += sep + std::to_string(i % 2);
            h += sep + "50";
            tm += sep + times[size_t(i)];
        }
        ASSERT_EQ(s.TempHistory, t) << appended;
        ASSERT_EQ(s.HumidHistory, h) << appended;
        ASSERT_EQ(s.TimeHistory, tm) << appended;
    };
    for (int k = 0; k < kAppends; ++k) {
        clock.Advance(1.0 / 86400);
        times.push_back(FormatDateTime(Now()));
        Append(s, std::to_string((kHistoryCap + k) % 2), "50");
        if (k % 3000 == 2999) {
            ASSERT_NO_FATAL_FAILURE(expectNewest(k + 1));
        }
    }
    ASSERT_NO_FATAL_FAILURE(expectNewest(kAppends));
}
