#pragma once
// What the main window does differently on a native Wayland desktop, where
// the compositor alone knows where the window stands.
class QFont;
class QMenu;
class QPoint;
class QRect;
class QSize;
class QString;
class QWidget;

namespace nimbrel {

// Whether Qt runs on its Wayland back end.
bool OnWayland();

// The title bar. Where the compositor draws no title bars (weston, GNOME),
// Qt draws one itself: it centres the title over the whole width and cuts it
// off at its minimise, maximise and close buttons, which it draws whatever
// the window's flags ask for. On the small main window that left "Nimbı" of
// "Nimbrel". X11's window managers draw their own title bars, and there the
// window keeps its size.
//
// The inner width a window needs for its whole title to show in Qt's own
// title bar: the title centred, with room for the three buttons and the
// bar's margins on either side.
int WaylandTitleWidth(const QString& title, const QFont& applicationFont);

// On Wayland, widens a fixed-size window to WaylandTitleWidth and moves its
// contents to the middle, so the black margin falls evenly on both sides.
// Does nothing elsewhere, and nothing to a window that is wide enough.
void FitWaylandTitle(QWidget& window);

// Where a pop-up menu of menuSize opened by a click (or the keyboard) at
// `at` has its top-left corner; both, and the window's frame, in the
// window's coordinates. A program on Wayland cannot know where its window
// stands, and not every compositor moves a menu that would leave the screen
// back onto it (weston does not), but the window itself is on the screen:
// so the menu is kept over the window's frame as far as it goes. Along a
// side where it is no longer than the frame it is slid from the point to lie
// within the frame; along one where it is longer it opens at the point
// towards the frame's far half (up from a click low on the window). A
// compositor that keeps menus on the screen still flips or slides it where
// it must.
QPoint WaylandMenuCorner(const QPoint& at, const QRect& frame, const QSize& menuSize);

// Opens menu for a click (or the keyboard) at `at` in the window's
// coordinates, with its corner at WaylandMenuCorner.
void ShowWaylandMenu(QMenu& menu, QWidget& window, const QPoint& at);

}  // namespace nimbrel
