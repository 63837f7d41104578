#pragma once
// The program's command line and the places it points to: the program's
// folder, the feed server's base address and the start-up choices. Parsed
// before any window exists, so --help, --version and a bad option work
// without a display.
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

struct Options {
    // The words that are not options or option values, joined by blanks:
    // the text the "tray" rule looks at.
    std::string CommandLine;
    std::string Folder;   // --folder or NIMBREL_FOLDER; empty: the default
    std::string FeedUrl;  // --feed or NIMBREL_FEED; empty: the default
    bool FetchNow = false;
    bool Tray = false;  // --tray, the same as a word containing "tray"
    bool Help = false;
    bool Version = false;
};

struct ParseResult {
    std::optional<Options> options;  // empty on a bad command line
    std::string error;               // the message for a bad command line
};

// argv[0] is the program name. Words starting with "--" are options; all
// others (also "-Tray", as on the platform the program comes from) are plain
// words. The options of the Qt toolkit ("-platform offscreen", "-display :1",
// ...) and their values are left out of the plain words.
ParseResult ParseCommandLine(const std::vector<std::string>& args);
// Fills Folder and FeedUrl from the environment where the command line left
// them empty.
void ApplyEnvironment(Options& options);

std::string UsageText(const std::string& program);
std::string VersionText();

// The program's folder: the given one (created if missing), else the
// executable's folder when the program runs from its build tree (and can
// write there) or when a settings.txt already stands beside it (a portable
// copy), else $XDG_DATA_HOME/nimbrel (~/.local/share/nimbrel), created if
// missing. An installed program thus never writes into a system folder such
// as /usr/local/bin, even when run as root. Empty with *error set when no
// folder can be had. exeFolder: the executable's folder (tests give another).
std::string ResolveProgramFolder(const std::string& requested, std::string* error);
std::string ResolveProgramFolder(const std::string& requested, std::string* error, const std::string& exeFolder);
// The folder the running executable lies in.
std::string ExecutableFolder();

// The "tray" rule: any text containing "tray" in any case.
bool ContainsTray(const std::string& commandLine);

}  // namespace nimbrel
