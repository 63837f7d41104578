#include "platform/qt/PopupMenu.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace nimbrel {

void ShowPopupMenuAt(QMenu& menu, const QPoint& globalPos, QAction* defaultItem) {
    // The bold look belongs to this one showing: every item starts plain.
    for (QAction* a : menu.actions()) {
        QFont f = a->font();
        if (f.bold() != (a == defaultItem)) {
            f.setBold(a == defaultItem);
            a->setFont(f);
        }
    }
    menu.setDefaultAction(defaultItem);
    menu.popup(globalPos);
    // A tool window that stays on top must not cover its own menu.
    menu.raise();
}

void ShowPopupMenu(QMenu& menu, QAction* defaultItem) {
    ShowPopupMenuAt(menu, QCursor::pos(), defaultItem);
}

}  // namespace nimbrel
