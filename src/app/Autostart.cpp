#include "app/Autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace nimbrel {

namespace fs = std::filesystem;

namespace {

std::string QuoteExecArgument(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\n\"'\\`$<>~|&;*?#()%=") == std::string::npos) return word;
    std::string out = "\"";
    for (char c : word) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        // A per cent sign starts a field code even inside quotes.
        if (c == '%') out += '%';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string AutostartEntryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !home[0]) return {};
        base = std::string(home) + "/.config";
    }
    return (fs::path(base) / "autostart" / "nimbrel.desktop").string();
}

std::string AutostartEntryText(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Nimbrel (in the tray)\n"
           "Comment=Weather display, started hidden in the notification area\n"
           "Exec=" +
           QuoteExecArgument(program.empty() ? std::string("nimbrel") : program) +
           " tray --fetch-now\n"
           "Icon=nimbrel\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEnabled() {
    const std::string path = AutostartEntryPath();
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool SetAutostart(bool on, const std::string& program, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    const std::string path = AutostartEntryPath();
    if (path.empty()) return fail("The autostart folder is not known: neither XDG_CONFIG_HOME nor HOME is set.");
    std::error_code ec;
    if (!on) {
        if (!fs::exists(fs::symlink_status(path, ec))) return true;
        if (!fs::remove(path, ec) || ec)
            return fail("The log-in entry " + path + " could not be removed: " + ec.message() + ".");
        return true;
    }
    const fs::path folder = fs::path(path).parent_path();
    fs::create_directories(folder, ec);
    if (ec) return fail("The autostart folder " + folder.string() + " could not be made: " + ec.message() + ".");
    // Written beside its final name and renamed over it, so a session that
    // starts meanwhile never reads half an entry.
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            const std::string why = std::strerror(errno);
            return fail("The log-in entry could not be written in " + folder.string() + ": " + why + ".");
        }
        out << AutostartEntryText(program);
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return fail("The log-in entry could not be written in " + folder.string() + ".");
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return fail("The log-in entry " + path + " could not be written: " + ec.message() + ".");
    }
    return true;
}

}  // namespace nimbrel
