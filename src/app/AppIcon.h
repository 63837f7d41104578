#pragma once
// The program's picture, for its windows and its tray icon: the day and
// night dial under a sun. Drawn rather than loaded so that it is there
// wherever the program runs.
#include <QIcon>

namespace nimbrel {

QIcon AppIcon();

}  // namespace nimbrel
