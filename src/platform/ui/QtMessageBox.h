#pragma once
// Binds ShowMessage to a modal Qt message box with an OK button, the icon
// asked for and the program's title as the caption when none is given.
#include <string>

class QWidget;

namespace nimbrel {

// The program's title: the caption of its main window, its message boxes and
// its tray tip.
extern const char* const kAppTitle;

void BindQtMessageBoxes();

}  // namespace nimbrel
