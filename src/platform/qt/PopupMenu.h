#pragma once
// Pop-up menus at the mouse position, optionally with a default item drawn in
// bold. The menu opens without blocking the caller; the chosen item's
// command runs from the event loop.
#include <QPoint>
#include <functional>

class QAction;
class QMenu;

namespace nimbrel {

void ShowPopupMenu(QMenu& menu, QAction* defaultItem = nullptr);
// The same at a given global position.
void ShowPopupMenuAt(QMenu& menu, const QPoint& globalPos, QAction* defaultItem = nullptr);

}  // namespace nimbrel
