#pragma once
// The main window and the graph window come back where they were left:
// their places are kept in the settings file under a key of each window's
// own ("window" = "x,y", "graph window" = "x,y,w,h"), and a stored place is
// moved back onto the screens there are now before it is used.
#include <QWidget>
#include <vector>

#include "app/WindowPlace.h"
#include "store/SettingsStore.h"

namespace nimbrel {

inline constexpr const char* kMainWindowKey = "window";
inline constexpr const char* kGraphWindowKey = "graph window";

// The available area (panels taken off) of every screen.
std::vector<WindowRect> AvailableScreens();

// Moves (and, with size, resizes) the window to its stored place, held to
// the screens. False, and the window untouched, when nothing usable is
// stored: the caller places it its own way.
bool RestoreWindowPlace(QWidget& window, const SettingsStore& store, const char* key, bool withSize);
// Keeps the window's place (its frame's top left corner, and its size when
// asked) in the store, for the next save.
void RememberWindowPlace(const QWidget& window, SettingsStore& store, const char* key, bool withSize);

}  // namespace nimbrel
