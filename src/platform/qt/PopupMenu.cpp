#include "platform/qt/PopupMenu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace nimbrel {

namespace {

void SetDefaultItem(QMenu& menu, QAction* defaultItem) {
    // The bold look belongs to this one showing: every item starts plain.
    for (QAction* a : menu.actions()) {
        QFont f = a->font();
        if (f.bold() != (a == defaultItem)) {
            f.setBold(a == defaultItem);
            a->setFont(f);
        }
    }
    menu.setDefaultAction(defaultItem);
}

}  // namespace

void ShowPopupMenuAt(QMenu& menu, const QPoint& globalPos, QAction* defaultItem) {
    SetDefaultItem(menu, defaultItem);
    menu.popup(globalPos);
    // A tool window that stays on top must not cover its own menu.
    menu.raise();
}

void ShowPopupMenuWithCornerAt(QMenu& menu, const QPoint& globalCorner, QAction* defaultItem) {
    SetDefaultItem(menu, defaultItem);
    // Shown rather than popped up: popup() would fit the menu to the screen.
    menu.move(globalCorner);
    menu.show();
    menu.raise();
}

void ShowPopupMenu(QMenu& menu, QAction* defaultItem) {
    ShowPopupMenuAt(menu, QCursor::pos(), defaultItem);
}

}  // namespace nimbrel
