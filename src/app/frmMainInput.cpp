// The main window worked by hand: the mouse opens its menu and takes the
// focus, and the keyboard does all a click does.
#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "app/WaylandWindow.h"
#include "app/frmMain.h"
#include "controls/ControlWidget.h"
#include "platform/qt/PopupMenu.h"

namespace nimbrel {

// --- mouse ---------------------------------------------------------------------------

void frmMain::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) pressed_ = true;
    TakeFocus();
    event->accept();
}

void frmMain::TakeFocus() {
    // The window itself, not its first tile: the menu keys answer at once,
    // and Tab goes on to the tiles.
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

// --- keyboard ------------------------------------------------------------------------

void frmMain::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool menuKey =
        (key == Qt::Key_Menu && mods == Qt::NoModifier) || (key == Qt::Key_F10 && mods == Qt::ShiftModifier) ||
        ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && mods == Qt::NoModifier);
    if (menuKey) {
        event->accept();
        ShowKeyboardMenu();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMain::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse opens the menu on release; a context-menu key a tile passed
    // on (it has no menu of its own) opens it here.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        event->ignore();
        return;
    }
    event->accept();
    ShowKeyboardMenu();
}

void frmMain::ShowKeyboardMenu() {
    QWidget* at = focusWidget() && isAncestorOf(focusWidget()) ? focusWidget() : this;
    const QPoint beside = at->mapTo(this, QPoint(0, at->height() / 2));
    if (OnWayland())
        ShowWaylandMenu(*mnSysTray_, *this, beside);
    else
        ShowPopupMenuAt(*mnSysTray_, mapToGlobal(beside));
    // The first item is chosen, so that the arrows and Enter start at once.
    if (!mnSysTray_->actions().isEmpty()) mnSysTray_->setActiveAction(mnSysTray_->actions().first());
}

void frmMain::mouseReleaseEvent(QMouseEvent* event) {
    // A click on the background or on a label (labels pass their clicks on).
    if (!pressed_) return;
    pressed_ = false;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    if (!rect().contains(event->position().toPoint())) return;
    event->accept();
    ShowTrayMenu();
}

}  // namespace nimbrel
