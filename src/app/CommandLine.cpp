#include "app/CommandLine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/ProgramInfo.h"
#include "feeds/FeedRetrieval.h"

namespace nimbrel {

namespace {

namespace fs = std::filesystem;

// Qt's own options that take a value; QApplication reads them from the same
// command line.
bool IsQtOptionWithValue(const std::string& w) {
    static const char* const kOptions[] = {
        "-platform", "-platformpluginpath", "-platformtheme", "-plugin",      "-display",  "-style", "-stylesheet",
        "-session",  "-qwindowgeometry",    "-qwindowtitle",  "-qwindowicon", "-geometry", "-title", "-name",
        "-font",     "-reverse-value"};
    return std::find(std::begin(kOptions), std::end(kOptions), w) != std::end(kOptions);
}

bool IsQtFlag(const std::string& w) {
    return w == "-reverse" || w == "-widgetcount" || w == "-nograb" || w == "-dograb" || w == "-sync";
}

bool Writable(const fs::path& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// A folder of a CMake build tree: the tree's top, with its CMakeCache.txt,
// is at most a few levels up (build/release/src/app).
bool InBuildTree(const fs::path& dir) {
    std::error_code ec;
    fs::path at = dir;
    for (int up = 0; up < 5 && !at.empty(); ++up, at = at.parent_path()) {
        if (fs::exists(at / "CMakeCache.txt", ec)) return true;
        if (at == at.root_path()) break;
    }
    return false;
}

bool MakeFolder(const fs::path& dir, std::string* error) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) {
        if (::access(dir.c_str(), W_OK | X_OK) == 0) return true;
        if (error) *error = "The folder " + dir.string() + " cannot be written to.";
        return false;
    }
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        if (error) *error = "The folder " + dir.string() + " cannot be created: " + ec.message() + ".";
        return false;
    }
    return true;
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    Options o;
    std::vector<std::string> words;
    const std::string program = args.empty() ? "nimbrel" : args[0];
    auto bad = [&](const std::string& message) {
        ParseResult r;
        r.error = program + ": " + message + "\nTry '" + program + " --help' for more information.";
        return r;
    };
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--") {
            for (++i; i < args.size(); ++i) words.push_back(args[i]);
            break;
        }
        if (w.rfind("--", 0) == 0) {
            std::string name = w, value;
            bool hasValue = false;
            if (auto eq = w.find('='); eq != std::string::npos) {
                name = w.substr(0, eq);
                value = w.substr(eq + 1);
                hasValue = true;
            }
            auto takeValue = [&]() -> bool {
                if (hasValue) return true;
                if (i + 1 >= args.size()) return false;
                value = args[++i];
                return true;
            };
            if (name == "--folder" || name == "--feed" || name == "--place") {
                if (!takeValue()) return bad("option '" + name + "' needs a value");
                if (value.empty()) return bad("option '" + name + "' needs a value");
                (name == "--folder" ? o.Folder : name == "--feed" ? o.FeedUrl : o.Place) = value;
            } else if (hasValue) {
                return bad("option '" + name + "' takes no value");
            } else if (name == "--fetch-now") {
                o.FetchNow = true;
            } else if (name == "--tray") {
                o.Tray = true;
            } else if (name == "--help") {
                o.Help = true;
            } else if (name == "--version") {
                o.Version = true;
            } else {
                return bad("unknown option '" + w + "'");
            }
            continue;
        }
        if (IsQtOptionWithValue(w)) {
            ++i;
            continue;
        }
        if (IsQtFlag(w)) continue;
        words.push_back(w);
    }
    for (size_t k = 0; k < words.size(); ++k) o.CommandLine += (k ? " " : "") + words[k];
    if (!o.FeedUrl.empty() && o.FeedUrl.rfind("http://", 0) != 0)
        return bad("the feed address '" + o.FeedUrl + "' must start with http://");
    ParseResult r;
    r.options = std::move(o);
    return r;
}

void ApplyEnvironment(Options& o) {
    if (o.Folder.empty())
        if (const char* v = std::getenv("NIMBREL_FOLDER"); v && *v) o.Folder = v;
    if (o.FeedUrl.empty())
        if (const char* v = std::getenv("NIMBREL_FEED"); v && *v) o.FeedUrl = v;
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program +
           " [OPTION]... [tray]\n"
           "A small weather display: current weather, a three-day forecast, a sun dial\n"
           "and a history chart, fetched from a feed server.\n"
           "\n"
           "  --folder DIR   keep settings.txt and captured pictures in DIR\n"
           "                 (also NIMBREL_FOLDER; default: the program's folder in its\n"
           "                 build tree or beside an existing settings.txt, else\n"
           "                 $XDG_DATA_HOME/nimbrel)\n"
           "  --feed URL     base address of the feed server, such as http://127.0.0.1:8077\n"
           "                 (also NIMBREL_FEED; default " +
           std::string(kDefaultFeedBaseUrl) +
           ")\n"
           "  --place TEXT   real weather for a place, by name (\"Berlin\", \"Berlin, Germany\")\n"
           "                 or as LAT,LON (\"52.52,13.41\"); the first match is kept in\n"
           "                 settings.txt and used from then on. Weather data by Open-Meteo.com\n"
           "  --fetch-now    fetch the observation and then the forecast right after start-up\n"
           "  --tray         start hidden in the notification area (so does any word\n"
           "                 containing \"tray\", such as: " +
           program +
           " tray)\n"
           "  --help         show this text and exit\n"
           "  --version      show the version and exit\n" +
           LicenceHelpText();
}

std::string VersionText() {
    return std::string("nimbrel ") + NIMBREL_VERSION;
}

std::string ExecutableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

std::string ResolveProgramFolder(const std::string& requested, std::string* error) {
    return ResolveProgramFolder(requested, error, ExecutableFolder());
}

std::string ResolveProgramFolder(const std::string& requested, std::string* error, const std::string& exe) {
    if (!requested.empty()) {
        fs::path dir = fs::absolute(fs::path(requested));
        if (!MakeFolder(dir, error)) return {};
        return dir.lexically_normal().string();
    }
    if (!exe.empty()) {
        std::error_code ec;
        if (fs::exists(fs::path(exe) / "settings.txt", ec)) return exe;
        if (InBuildTree(exe) && Writable(exe)) return exe;
    }
    fs::path data;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') {
        data = x;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        data = fs::path(h) / ".local" / "share";
    } else {
        if (error) *error = "No folder for the settings: HOME is not set.";
        return {};
    }
    fs::path dir = data / "nimbrel";
    if (!MakeFolder(dir, error)) return {};
    return dir.string();
}

bool ContainsTray(const std::string& commandLine) {
    std::string lower = commandLine;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lower.find("tray") != std::string::npos;
}

}  // namespace nimbrel
