// nimbrel-history on settings files of its own: the chart's rows for a frame
// as the graph window would get them, the CSV export, and the messages for
// files and command lines it cannot use.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "HistoryCommand.h"
#include "ScopedZone.h"
#include "base/DateTime.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

std::string Settings(const std::string& times, const std::string& temps, const std::string& humids) {
    const std::string crlf = "\r\n";
    return "<options>" + crlf + "<debug>0</debug>" + crlf + "</options>" + crlf + "<weather>" + crlf + "<last times>" +
           times + "</last times>" + crlf + "<last humids>" + humids + "</last humids>" + crlf + "<last temps>" +
           temps + "</last temps>" + crlf + "<loc>1769</loc>" + crlf + "<minutes>5</minutes>" + crlf + "</weather>" +
           crlf;
}

class HistoryTool : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("nimbrel-history-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(folder, fs::perms::owner_all, ec);
        fs::remove_all(folder, ec);
    }
    std::string Write(const std::string& text, const std::string& name = "settings.txt") {
        const fs::path p = folder / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    int Run(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int code = RunHistoryCommand(args, o, e);
        out = o.str();
        err = e.str();
        return code;
    }

    fs::path folder;
    std::string out, err;
};

// Three readings over two days, one humidity "n/a", and a run of equal
// readings that loading thins to its first and last.
const std::string kTimes =
    "05/12/2026 13:50:00,05/12/2026 13:55:00,05/12/2026 14:00:00,05/12/2026 14:05:00,06/12/2026 14:15:03";
const std::string kTemps = "-2,-3,-3,-3,4";
const std::string kHumids = "70,n/a,n/a,n/a,72";

TEST_F(HistoryTool, ChartPrintsTheTitleAndTheGridOfTwoSeries) {
    const std::string path = Write(Settings(kTimes, kTemps, kHumids));
    ASSERT_EQ(Run({"chart", path, "--from", "05/12/2026 15:00:00", "--to", "06/12/2026 09:00:00"}), 0) << err;
    EXPECT_EQ(out,
              "Temperature and Humidity : 05/12/2026 - 06/12/2026\n"
              ",Temp,Humid\n"
              "05/12/2026 13:50:00,-2,70\n"
              "05/12/2026 13:55:00,-3,n/a\n"
              "05/12/2026 14:05:00,-3,n/a\n"
              "06/12/2026 14:15:03,4,72\n");
    EXPECT_EQ(err, "");
}

TEST_F(HistoryTool, ChartWithTheForecastPrintsTheHoursStillToComeAfterTheGrid) {
    testing::ScopedZone zone("UTC");
    // Three hours kept from 06/12 14:00; the second without a humidity.
    const std::string own =
        "<nimbrel>\r\n<hours-from>2026-12-06T14:00 0</hours-from>\r\n"
        "<hours-1>4/72/10 5/-/40 3/80/0</hours-1>\r\n</nimbrel>\r\n";
    const std::string path = Write(Settings(kTimes, kTemps, kHumids) + own);
    ASSERT_EQ(Run({"chart", path, "--from", "05/12/2026", "--to", "06/12/2026 15:10:00", "--forecast"}), 0) << err;
    EXPECT_NE(out.find("06/12/2026 14:15:03,4,72\n"
                       "forecast\n"
                       "06/12/2026 15:00:00,5,,40\n"
                       "06/12/2026 16:00:00,3,80,0\n"),
              std::string::npos)
        << out;
    // Past its last hour the forecast is not drawn; without the option nothing is printed of it.
    ASSERT_EQ(Run({"chart", path, "--from", "05/12/2026", "--to", "06/12/2026 17:00:00", "--forecast"}), 0);
    EXPECT_TRUE(out.size() >= 9 && out.substr(out.size() - 9) == "forecast\n") << out;
    ASSERT_EQ(Run({"chart", path, "--from", "05/12/2026", "--to", "06/12/2026 15:10:00"}), 0);
    EXPECT_EQ(out.find("forecast"), std::string::npos);
}

TEST_F(HistoryTool, ChartWithExactTimesAndOneSeries) {
    const std::string path = Write(Settings(kTimes, kTemps, kHumids));
    ASSERT_EQ(Run({"chart", path, "--from", "05/12/2026 13:55:00", "--to=05/12/2026 14:05:00", "--exact", "--series",
                   "temperature"}),
              0)
        << err;
    EXPECT_EQ(out, "Temperature : 05/12/2026 - 05/12/2026\n05/12/2026 13:55:00,-3\n05/12/2026 14:05:00,-3\n");

    ASSERT_EQ(Run({"chart", path, "--series", "humidity", "--from", "05/12/2026 13:50:00", "--to",
                   "05/12/2026 13:54:59", "--exact"}),
              0);
    EXPECT_EQ(out, "Humidity : 05/12/2026 - 05/12/2026\n05/12/2026 13:50:00,70\n");
}

TEST_F(HistoryTool, ChartTakesTheTimesCsvPrints) {
    const std::string path = Write(Settings(kTimes, kTemps, kHumids));
    ASSERT_EQ(Run({"chart", path, "--from", "05/12/2026 14:05:00", "--to", "06/12/2026", "--exact"}), 0) << err;
    const std::string expected = out;
    ASSERT_EQ(Run({"chart", path, "--from=2026-12-05T14:05:00", "--to", "2026-12-06", "--exact"}), 0) << err;
    EXPECT_EQ(out, expected);
    EXPECT_NE(out.find("05/12/2026 14:05:00"), std::string::npos) << out;
    EXPECT_EQ(Run({"chart", path, "--from", "2026-12-05T25:00:00", "--to", "2026-12-06"}), kHistoryUsage);
    EXPECT_NE(err.find("yyyy-mm-ddThh:nn:ss"), std::string::npos) << err;
}

TEST_F(HistoryTool, ChartWithOneSeriesAndNoReadingPrintsTheTitleAlone) {
    const std::string path = Write(Settings(kTimes, kTemps, kHumids));
    ASSERT_EQ(Run({"chart", path, "--from", "01/01/2027", "--to", "02/01/2027", "--series", "humidity"}), 0);
    EXPECT_EQ(out, "Humidity : 01/01/2027 - 02/01/2027\n");
    ASSERT_EQ(Run({"chart", path, "--from", "01/01/2027", "--to", "02/01/2027"}), 0);
    EXPECT_EQ(out, "Temperature and Humidity : 01/01/2027 - 02/01/2027\n,Temp,Humid\n");
}

TEST_F(HistoryTool, CsvHasIsoTimesEmptyCellsForMissingValuesAndLeavesOutUnreadableTimes) {
    const std::string path =
        Write(Settings(kTimes + ",not a time,07/12/2026 01:02:03", kTemps + ",9,n/a", kHumids + ",99,50"));
    ASSERT_EQ(Run({"csv", path}), 0) << err;
    EXPECT_EQ(out,
              "time,temperature,humidity\n"
              "2026-12-05T13:50:00,-2,70\n"
              "2026-12-05T13:55:00,-3,\n"
              "2026-12-05T14:05:00,-3,\n"
              "2026-12-06T14:15:03,4,72\n"
              "2026-12-07T01:02:03,,50\n");
}

// Whatever a feed or a hand edit left between the tags, a spreadsheet that
// opens the export shows it as text: nothing runs as a formula, quotes and
// line ends stay inside their cell, and numbers stay numbers.
TEST_F(HistoryTool, CsvKeepsFormulasQuotesAndLineEndsAsText) {
    const std::string times =
        "01/12/2026 00:00:00,01/12/2026 01:00:00,01/12/2026 02:00:00,01/12/2026 03:00:00,01/12/2026 04:00:00,"
        "01/12/2026 05:00:00,01/12/2026 06:00:00,01/12/2026 07:00:00";
    const std::string path =
        Write(Settings(times, "=1+2,+3,-4.5,-cmd|'/C calc',@SUM(A1),\tx,\"q\",-", "55,\rX,-,7,8,9,1.5,12\r\n"));
    ASSERT_EQ(Run({"csv", path}), 0) << err;
    EXPECT_EQ(out,
              "time,temperature,humidity\n"
              "2026-12-01T00:00:00,\"'=1+2\",55\n"
              "2026-12-01T01:00:00,\"'+3\",\"'\rX\"\n"
              "2026-12-01T02:00:00,-4.5,\"'-\"\n"
              "2026-12-01T03:00:00,\"'-cmd|'/C calc'\",7\n"
              "2026-12-01T04:00:00,\"'@SUM(A1)\",8\n"
              "2026-12-01T05:00:00,\"'\tx\",9\n"
              "2026-12-01T06:00:00,\"\"\"q\"\"\",1.5\n"
              "2026-12-01T07:00:00,\"'-\",\"12\r\n\"\n")
        << out;
}

TEST_F(HistoryTool, CsvOfAnEmptyHistoryIsTheHeaderAlone) {
    const std::string path = Write(Settings("", "", ""));
    ASSERT_EQ(Run({"csv", path}), 0);
    EXPECT_EQ(out, "time,temperature,humidity\n");
}

TEST_F(HistoryTool, FilesItCannotUseGiveAMessageAndStatusOne) {
    EXPECT_EQ(Run({"csv", (folder / "missing.txt").string()}), kHistoryBadFile);
    EXPECT_NE(err.find("missing.txt: no such file"), std::string::npos) << err;
    EXPECT_EQ(out, "");

    EXPECT_EQ(Run({"csv", folder.string()}), kHistoryBadFile);
    EXPECT_NE(err.find("is a folder"), std::string::npos) << err;

    const std::string foreign = Write("just some text\n", "notes.txt");
    EXPECT_EQ(Run({"chart", foreign, "--from", "01/12/2026", "--to", "02/12/2026"}), kHistoryBadFile);
    EXPECT_NE(err.find("not a Nimbrel settings file"), std::string::npos) << err;

    // A FIFO is refused at once instead of waiting for a writer; the alarm
    // ends a test that would hang.
    const std::string fifo = (folder / "fifo.txt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(10);
    EXPECT_EQ(Run({"csv", fifo}), kHistoryBadFile);
    ::alarm(0);
    EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;

    if (::geteuid() != 0) {  // root reads any file
        const std::string locked = Write(Settings(kTimes, kTemps, kHumids), "locked.txt");
        fs::permissions(locked, fs::perms::none);
        EXPECT_EQ(Run({"csv", locked}), kHistoryBadFile);
        EXPECT_NE(err.find("cannot be read"), std::string::npos) << err;
    }
}

TEST_F(HistoryTool, BadCommandLinesGiveAMessageAndStatusTwo) {
    const std::string path = Write(Settings(kTimes, kTemps, kHumids));
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"plot", path}, "unknown command \"plot\""},
        {{"csv"}, "no settings file given"},
        {{"csv", path, path}, "one settings file only"},
        {{"csv", path, "--exact"}, "unknown option --exact"},
        {{"chart", path, "--to", "01/12/2026"}, "chart needs --from"},
        {{"chart", path, "--from", "01/12/2026"}, "chart needs --to"},
        {{"chart", path, "--from", "31/04/2026", "--to", "01/05/2026"}, "--from \"31/04/2026\" is not a time"},
        {{"chart", path, "--from", "01/12/2026", "--to", "01/12/2026 24:00:00"}, "--to \"01/12/2026 24:00:00\""},
        {{"chart", path, "--from", "2026-12-32", "--to", "01/12/2026"}, "is not a time of the form dd/mm/yyyy"},
        {{"chart", path, "--from", "02/12/2026", "--to", "01/12/2026"}, "is after --to"},
        {{"chart", path, "--from", "01/12/2026", "--to", "02/12/2026", "--series", "wind"}, "--series is both"},
        {{"chart", path, "--from"}, "--from needs a value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(Run(c.args), kHistoryUsage);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_NE(err.find("--help"), std::string::npos);
        EXPECT_EQ(out, "");
    }
}

TEST(CommandLineTime, ReadsTheThreeFormsAndRefusesWhatWouldRollOver) {
    double t = 0;
    ASSERT_TRUE(ParseCommandLineTime("06/12/2026 14:15:03", t));
    EXPECT_EQ(t, DateSerial(2026, 12, 6) + TimeSerial(14, 15, 3));
    ASSERT_TRUE(ParseCommandLineTime("6/12/2026 9:05", t));
    EXPECT_EQ(t, DateSerial(2026, 12, 6) + TimeSerial(9, 5, 0));
    ASSERT_TRUE(ParseCommandLineTime("29/02/2028", t));
    EXPECT_EQ(t, DateSerial(2028, 2, 29));
    for (const char* bad : {"29/02/2027", "00/12/2026", "01/13/2026", "01/12/26", "01/12/2026 12", "01/12/2026 12:60",
                            "01/12/2026 12:00:60", "", "today", "01/12/2026 12:00:00 extra"}) {
        EXPECT_FALSE(ParseCommandLineTime(bad, t)) << bad;
    }
    // The form csv prints, so that a time copied from it reads back.
    ASSERT_TRUE(ParseCommandLineTime("2026-12-06T14:15:03", t));
    EXPECT_EQ(t, DateSerial(2026, 12, 6) + TimeSerial(14, 15, 3));
    ASSERT_TRUE(ParseCommandLineTime("2026-12-06 09:05", t));
    EXPECT_EQ(t, DateSerial(2026, 12, 6) + TimeSerial(9, 5, 0));
    ASSERT_TRUE(ParseCommandLineTime("2028-02-29", t));
    EXPECT_EQ(t, DateSerial(2028, 2, 29));
    for (const char* bad : {"2027-02-29", "2026-13-01", "2026-12-00", "2026-1-06", "2026-12-06T", "2026-12-06T24:00:00",
                            "2026-12-06T12", "2026-12-06X12:00:00", "2026-12-06T12:00:00Z", "26-12-06"}) {
        EXPECT_FALSE(ParseCommandLineTime(bad, t)) << bad;
    }
}

#ifdef NIMBREL_HISTORY_EXE
// The program itself: its exit status and where its words go.
int RunProgram(const std::string& args, std::string& output) {
    const std::string command = std::string(NIMBREL_HISTORY_EXE) + " " + args + " 2>&1";
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    output.clear();
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
    const int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HistoryTool, TheProgramPrintsHelpAndExitsWithTheStatusOfItsOutcome) {
    std::string output;
    EXPECT_EQ(RunProgram("--help", output), 0);
    EXPECT_EQ(output.rfind("Usage: nimbrel-history chart SETTINGS", 0), 0u) << output;
    EXPECT_EQ(RunProgram("csv " + (folder / "none.txt").string(), output), 1);
    EXPECT_NE(output.find("no such file"), std::string::npos);
    EXPECT_EQ(RunProgram("chart", output), 2);
    EXPECT_EQ(RunProgram("--version", output), 0);
    EXPECT_EQ(output, "nimbrel-history " NIMBREL_VERSION "\n");

    const std::string path = Write(Settings(kTimes, kTemps, kHumids));
    EXPECT_EQ(RunProgram("csv " + path, output), 0);
    EXPECT_EQ(output.rfind("time,temperature,humidity\n2026-12-05T13:50:00,-2,70\n", 0), 0u) << output;
    // The file is read, never written.
    EXPECT_EQ(fs::file_size(path), Settings(kTimes, kTemps, kHumids).size());
}
#endif

}  // namespace
}  // namespace nimbrel
