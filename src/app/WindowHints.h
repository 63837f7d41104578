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

}  // namespace nimbrel
