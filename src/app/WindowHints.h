#pragma once
// What the window manager is told about a top-level window beyond what Qt
// tells it. On other platforms than X11 (Wayland, offscreen) the choices are
// the compositor's and these do nothing.
class QWidget;

namespace nimbrel {

// Whether the window has a button in the desktop's task bar. A Qt tool
// window tells X11 only that it is a "utility" window, which leaves the
// choice to the window manager, and GNOME's and Xfce's give it a button; the
// window's state hint says it plainly. On a hidden window the hint is written
// for the next show; window managers drop it whenever a window is withdrawn,
// so this is called before every show. On a window on the screen the window
// manager is asked to change it.
void SetTaskbarEntry(QWidget& window, bool shown);

// Says again, after a show, that the window stays above the others. Qt
// writes the hint only into a window that was never mapped; once the window
// has been withdrawn (the tray) or iconified, the window manager has dropped
// it, and a window brought back from there would sink under the others.
void KeepAbove(QWidget& window);

// Before a hidden window that was minimised is shown again: Qt leaves the
// "start minimised" hint and the "hidden" state of the minimised window in
// place when the window manager brought it back, and a window manager that
// sees them on the next show maps the window minimised again.
void ClearMinimisedHints(QWidget& window);

// Whether the X11 window manager says it can minimise a window: it names the
// "hidden" state among the states it supports. weston's does not, and leaves
// a window it is asked to minimise on the screen. True where the program
// does not run on X11, or no window manager says what it supports.
bool WindowManagerMinimises();

// weston's X11 window manager (weston 10) brings the compositor down, and
// Xwayland and every X11 program of the session with it, when a window
// opens that belongs to ("is transient for") a window of the "utility" type,
// which is what Qt makes of a tool window; every notice, message box and
// dialog of the main window belongs to it. It also never gives a utility
// window the keyboard. Under that window manager the hidden window is said to
// be a normal window before it is shown: it then takes the keyboard and
// stands where it asks to, but no longer stays above the others (that
// window manager knows no "above" state). Anywhere else this does nothing.
void AvoidUtilityTypeUnderWeston(QWidget& window);

}  // namespace nimbrel
