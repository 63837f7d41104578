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
// The same with the menu's top-left corner exactly at globalCorner. QMenu
// otherwise moves a menu that would leave the screen back onto it, from
// where it takes the window to stand; on Wayland Qt does not know that and
// takes every window to stand in the screen's corner, so the menu would land
// elsewhere than asked. Keeping it on the screen is then the compositor's.
void ShowPopupMenuWithCornerAt(QMenu& menu, const QPoint& globalCorner, QAction* defaultItem = nullptr);

}  // namespace nimbrel
