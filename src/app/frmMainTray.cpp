// The main window's coming and going: the tray (or, on a desktop without
// one, the task bar), the pop-up menu and bringing the window back.
#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QTimer>

#include "app/WaylandWindow.h"
#include "app/WindowHints.h"
#include "app/frmMain.h"
#include "platform/qt/PopupMenu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

namespace {

constexpr const char* kNoTrayMessage = QT_TRANSLATE_NOOP(
    "nimbrel::frmMain",
    "This desktop has no notification area, so Nimbrel has been minimised instead of being sent to the "
    "system tray. Bring it back from the window list or the task bar.");
// A Wayland compositor may refuse a minimise and never says whether it did,
// and so may an X11 window manager that does not minimise (weston's):
// nothing is claimed that may not have happened.
constexpr const char* kNoTrayMessageWayland = QT_TRANSLATE_NOOP(
    "nimbrel::frmMain",
    "This desktop has no notification area, so Nimbrel cannot be sent to the system tray. It has asked the "
    "desktop to minimise its window instead; if the window is still there, the desktop does not allow it.");

}  // namespace

void frmMain::ToggleTray() {
    if (blnIconShown())
        RestoreFromTray();
    else
        SendToTray();
}

void frmMain::BringToFront() {
    if (unloaded_) return;
    if (blnIconShown()) RestoreFromTray();
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    KeepAbove(*this);
    raise();
    TakeFocus();
}

void frmMain::SendToTray() {
    sendingToTray_ = true;
    const struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{sendingToTray_};
    mnRestore_->setText(tr(kRestore));
    tray_->Add(TrayTip());
    ShowStatus();
    if (CurrentTrayHost().Available()) {
        hide();
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    // Without a notification area a hidden window could not be found again:
    // minimise it with a task bar entry instead, and say so once.
    static bool told = false;
    if (!told) {
        told = true;
        const bool mayRefuse = OnWayland() || !WindowManagerMinimises();
        ShowMessage(tr(mayRefuse ? kNoTrayMessageWayland : kNoTrayMessage).toStdString(), kAppTitle,
                    MsgIcon::Information);
    }
    minimisedForTray_ = true;
    setWindowFlag(Qt::Tool, false);
    PlaceCentred();
    SetTaskbarEntry(*this, true);
    showMinimized();
    // Said again to the window manager, which may not have seen the window
    // go before the hint was written.
    SetTaskbarEntry(*this, true);
}

void frmMain::RestoreFromTray() {
    mnRestore_->setText(tr(kSendToTray));
    if (minimisedForTray_) {
        minimisedForTray_ = false;
        setWindowFlag(Qt::Tool, true);
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    PlaceCentred();
    ClearMinimisedHints(*this);
    SetTaskbarEntry(*this, false);
    AvoidUtilityTypeUnderWeston(*this);
    showNormal();
    SetTaskbarEntry(*this, false);
    KeepAbove(*this);
    // A window manager that still finds the "start minimised" hint of the
    // trip to the tray may map the window iconified; for a moment after a
    // restore, such a minimise is undone rather than taken for the user's.
    restoring_ = true;
    QTimer::singleShot(700, this, [this] { restoring_ = false; });
    RemoveTrayIcon();
    raise();
    TakeFocus();
}

void frmMain::ShowTrayMenu() {
    // On Wayland the menu is placed against the window, the one thing the
    // program knows to be on the screen there.
    if (OnWayland() && isVisible()) {
        const QPoint click = mapFromGlobal(QCursor::pos());
        if (rect().contains(click)) {
            ShowWaylandMenu(*mnSysTray_, *this, click);
            return;
        }
    }
    ShowPopupMenu(*mnSysTray_, nullptr);
}

void frmMain::OnTrayActivated(TrayClick click) {
    if (!blnIconShown()) return;
    switch (click) {
        case TrayClick::Click:
        case TrayClick::DoubleClick:
            RestoreFromTray();
            break;
        case TrayClick::Context:
            // The tray's menu has "Restore" as its default (bold) item.
            ShowPopupMenu(*mnSysTray_, mnRestore_);
            break;
        case TrayClick::Middle:
            break;
    }
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimised by the window manager (its title-bar button, a key): a
    // window with no task bar button would be lost. With a notification
    // area it goes to the tray, as "Send to system tray" sends it; without
    // one it keeps a task bar button for as long as it is minimised.
    if (event->type() == QEvent::WindowStateChange && restoring_ && isMinimized() && !sendingToTray_) {
        QTimer::singleShot(0, this, [this] {
            if (!isMinimized() || unloaded_) return;
            setWindowState(windowState() & ~Qt::WindowMinimized);
            showNormal();
            KeepAbove(*this);
        });
        return;
    }
    if (event->type() == QEvent::WindowStateChange && !sendingToTray_ && !minimisedForTray_ && !blnIconShown() &&
        !unloading_ && !unloaded_) {
        if (isMinimized() && CurrentTrayHost().Available()) {
            QTimer::singleShot(0, this, [this] {
                if (isMinimized() && !minimisedForTray_ && !blnIconShown() && !unloaded_) SendToTray();
            });
        } else if (isMinimized() && !minimisedByManager_) {
            minimisedByManager_ = true;
            SetTaskbarEntry(*this, true);
        } else if (!isMinimized() && minimisedByManager_) {
            minimisedByManager_ = false;
            SetTaskbarEntry(*this, false);
            KeepAbove(*this);
        }
    }
    // Brought back from the task bar while it stood in for the tray.
    if (event->type() == QEvent::WindowStateChange && minimisedForTray_ && !isMinimized() && isVisible() &&
        blnIconShown())
        QTimer::singleShot(0, this, [this] {
            if (minimisedForTray_ && blnIconShown() && !isMinimized()) RestoreFromTray();
        });
}

void frmMain::RefreshTray() {
    tray_->SetTip(TrayTip());
}

}  // namespace nimbrel
