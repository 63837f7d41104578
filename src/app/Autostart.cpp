#include "app/Autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/ProgramInfo.h"
#include "base/Translate.h"

namespace nimbrel {

namespace fs = std::filesystem;

namespace {

// One word of the Exec line. Inside the quotes ", `, $ and \ take a
// backslash; and since the file's string escapes are undone before the Exec
// line is split, that backslash is itself written twice.
std::string QuoteExecArgument(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\n\r\"'\\`$<>~|&;*?#()%=") == std::string::npos) return word;
    std::string out = "\"";
    for (char c : word) {
        if (c == '\\') {
            out += "\\\\\\\\";
            continue;
        }
        if (c == '"' || c == '`' || c == '$') out += "\\\\";
        // A per cent sign starts a field code even inside quotes.
        if (c == '%') out += '%';
        // A line break would end the entry's line: the file's own escape.
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\r') {
            out += "\\r";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string AutostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return (fs::path(config) / "autostart").string();
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) return {};
    return (fs::path(home) / ".config" / "autostart").string();
}

bool EntryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

// Removes the entry at path if there is one (a dangling link included).
bool RemoveEntry(const std::string& path, std::string* why) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return true;
    if (fs::remove(path, ec) && !ec) return true;
    if (why)
        *why = FillIn(
            Translated("Autostart", QT_TRANSLATE_NOOP("Autostart", "The log-in entry %1 could not be removed: %2.")),
            {path, ec.message()});
    return false;
}

}  // namespace

std::string AutostartEntryPath() {
    const std::string folder = AutostartFolder();
    return folder.empty() ? std::string() : (fs::path(folder) / (std::string(kDesktopId) + ".desktop")).string();
}

std::string OldAutostartEntryPath() {
    const std::string folder = AutostartFolder();
    return folder.empty() ? std::string() : (fs::path(folder) / "nimbrel.desktop").string();
}

std::string AutostartEntryText(const std::string& program) {
    return AutostartEntryText(std::vector<std::string>{program});
}

std::string AutostartEntryText(const std::vector<std::string>& command) {
    std::string exec =
        QuoteExecArgument(command.empty() || command.front().empty() ? std::string("nimbrel") : command.front());
    for (size_t i = 1; i < command.size(); ++i) exec.append(" ").append(QuoteExecArgument(command[i]));
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Nimbrel (in the tray)\n"
           "Comment=Weather display, started hidden in the notification area\n"
           "Exec=" +
           exec +
           " tray --fetch-now\n"
           "Icon=nimbrel\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEnabled() {
    return EntryExists(AutostartEntryPath()) || EntryExists(OldAutostartEntryPath());
}

bool SetAutostart(bool on, const std::string& program, std::string* error) {
    return SetAutostart(on, std::vector<std::string>{program}, error);
}

bool SetAutostart(bool on, const std::vector<std::string>& command, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    const std::string path = AutostartEntryPath();
    if (path.empty())
        return fail(Translated(
            "Autostart",
            QT_TRANSLATE_NOOP("Autostart",
                              "The autostart folder is not known: neither XDG_CONFIG_HOME nor HOME is set.")));
    std::string why;
    if (!on) {
        // Both names: an entry left by an earlier version starts the
        // program just as well.
        if (!RemoveEntry(path, &why) || !RemoveEntry(OldAutostartEntryPath(), &why)) return fail(why);
        return true;
    }
    std::error_code ec;
    const fs::path folder = fs::path(path).parent_path();
    fs::create_directories(folder, ec);
    if (ec)
        return fail(FillIn(
            Translated("Autostart", QT_TRANSLATE_NOOP("Autostart", "The autostart folder %1 could not be made: %2.")),
            {folder.string(), ec.message()}));
    // Written beside its final name and renamed over it, so a session that
    // starts meanwhile never reads half an entry.
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            const std::string cause = std::strerror(errno);
            return fail(
                FillIn(Translated("Autostart",
                                  QT_TRANSLATE_NOOP("Autostart", "The log-in entry could not be written in %1: %2.")),
                       {folder.string(), cause}));
        }
        out << AutostartEntryText(command);
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return fail(FillIn(
                Translated("Autostart", QT_TRANSLATE_NOOP("Autostart", "The log-in entry could not be written in %1.")),
                {folder.string()}));
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return fail(FillIn(
            Translated("Autostart", QT_TRANSLATE_NOOP("Autostart", "The log-in entry %1 could not be written: %2.")),
            {path, ec.message()}));
    }
    // An entry of the old name would be a second log-in entry for the same
    // program. The new one stands already, so a failure here leaves the
    // setting on, as asked, and is still told.
    if (!RemoveEntry(OldAutostartEntryPath(), &why)) return fail(why);
    return true;
}

}  // namespace nimbrel
