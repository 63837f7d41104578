#pragma once
// "Start Nimbrel in the tray when I log in": a desktop entry in the user's
// autostart folder, which every freedesktop session reads at log-in. The
// entry's presence is the setting itself, so nothing about it is kept in
// the settings file, and removing it by hand switches it off as well.
#include <string>
#include <vector>

namespace nimbrel {

// $XDG_CONFIG_HOME/autostart/org.nimbrel.Nimbrel.desktop, or
// ~/.config/autostart/... when the variable is unset, empty or not an
// absolute path (as the base directory rules say). The entry bears the
// desktop entry's name, so a session that lists log-in programs shows it as
// Nimbrel. Empty when neither the variable nor $HOME is known.
std::string AutostartEntryPath();
// The same folder's nimbrel.desktop: where earlier versions wrote the entry.
// Writing the entry replaces one of that name; switching it off removes
// both, and either switches it on.
std::string OldAutostartEntryPath();

// The entry that starts the program in the tray with fresh data. command is
// the program and the options it runs with now (its --folder, its --feed),
// so the program started at log-in uses the same folder and server. Each
// word is quoted as desktop entries require when it holds spaces or
// characters the Exec line gives a meaning to.
std::string AutostartEntryText(const std::vector<std::string>& command);
std::string AutostartEntryText(const std::string& program);

bool AutostartEnabled();
// Writes (on) or removes (off) the entry. On failure error says what could
// not be done and where, and AutostartEnabled still tells the truth: only
// an old entry that could not be removed outlives the call.
bool SetAutostart(bool on, const std::vector<std::string>& command, std::string* error);
bool SetAutostart(bool on, const std::string& program, std::string* error);

}  // namespace nimbrel
