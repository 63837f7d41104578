#pragma once
// "Start Nimbrel in the tray when I log in": a desktop entry in the user's
// autostart folder, which every freedesktop session reads at log-in. The
// entry's presence is the setting itself, so nothing about it is kept in
// the settings file, and removing it by hand switches it off as well.
#include <string>

namespace nimbrel {

// $XDG_CONFIG_HOME/autostart/nimbrel.desktop, or ~/.config/autostart/...
// when the variable is unset, empty or not an absolute path (as the base
// directory rules say). Empty when neither it nor $HOME is known.
std::string AutostartEntryPath();

// The entry that starts the given program in the tray with fresh data.
// The program is quoted as desktop entries require when it holds spaces or
// characters the Exec line gives a meaning to.
std::string AutostartEntryText(const std::string& program);

bool AutostartEnabled();
// Writes (on) or removes (off) the entry. On failure nothing has changed
// and error says what could not be done and where.
bool SetAutostart(bool on, const std::string& program, std::string* error);

}  // namespace nimbrel
