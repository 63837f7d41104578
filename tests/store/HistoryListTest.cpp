// The history list against a plain string doing the same: every change, the
// skipped front included, leaves the same text, and every change (and only a
// change) gives the list a new version.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "store/HistoryList.h"

using nimbrel::HistoryList;

namespace {

TEST(HistoryList, ReadsAsThePlainStringThatHadTheSameChanges) {
    std::mt19937 rng(20261208);
    HistoryList list;
    std::string plain;
    auto entry = [&] { return std::to_string(rng() % 100000); };
    // Large enough that the dropped front passes the move threshold many times.
    for (int step = 0; step < 60000; ++step) {
        const unsigned op = rng() % 16;
        if (op < 9 || plain.size() < 8) {
            std::string e(1, ',');
            e += entry();
            list += e;
            plain += e;
        } else if (op < 14) {
            const size_t p = plain.find(',');
            const size_t n = p == std::string::npos ? plain.size() : p + 1;
            list.DropFront(n);
            plain.erase(0, n);
        } else if (op == 14) {
            const size_t at = plain.size() - 1 - rng() % 4;
            list.erase(at, 1);
            plain.erase(at, 1);
        } else {
            const size_t n = plain.size() - rng() % 3;
            list.resize(n);
            plain.resize(n);
        }
        ASSERT_EQ(list.size(), plain.size());
        if (step % 97 == 0 || step > 59900) {
            ASSERT_EQ(list.view(), plain) << step;
            ASSERT_EQ(list.c_str(), plain) << step;  // ends in a zero as a std::string does
        }
        if (!plain.empty()) {
            ASSERT_EQ(list.front(), plain.front());
            ASSERT_EQ(list.back(), plain.back());
        }
    }
    EXPECT_EQ(list.find(','), plain.find(','));
    EXPECT_EQ(list.rfind(','), plain.rfind(','));
    // What is skipped stays small beside the list.
    EXPECT_EQ(HistoryList(list).view(), plain);
    list.DropFront(list.size() + 5);
    EXPECT_TRUE(list.empty());
}

TEST(HistoryList, EveryChangeAndOnlyAChangeGivesANewVersion) {
    std::set<uint64_t> seen;
    HistoryList list("1,2,3");
    auto changed = [&](const char* what) { EXPECT_TRUE(seen.insert(list.Version()).second) << what; };
    changed("made");
    const uint64_t before = list.Version();
    (void)list.view();
    (void)list.find(',');
    (void)list.str();
    EXPECT_EQ(list.Version(), before) << "reading";
    list += ",4";
    changed("+=");
    list.DropFront(2);
    changed("DropFront");
    list.erase(0, 2);
    changed("erase at the front");
    list.erase(1);
    changed("erase at the end");
    list = std::string("1,2,3");
    changed("assigned a string");
    list = "1,2,3";  // the same text
    changed("assigned the same text");
    list.resize(3);
    changed("resize");
    list.clear();
    changed("clear");

    HistoryList other("9");
    seen.insert(other.Version());
    list = other;
    changed("copied from another list");
    EXPECT_NE(list.Version(), other.Version());
    HistoryList copy(list);
    EXPECT_TRUE(seen.insert(copy.Version()).second) << "a copy is a list of its own";
    const uint64_t moved = copy.Version();
    HistoryList taken(std::move(copy));
    EXPECT_NE(copy.Version(), moved) << "a list moved away from has changed";
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(taken, "9");
}

}  // namespace
