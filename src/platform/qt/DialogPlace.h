#pragma once
// Where the program's message boxes, notices and dialogs open. The main
// window stays above all others; a box that opens as an ordinary window, or
// centred over it, is hidden under it or hides the weather. So every box
// joins the main window's layer (it stays on top too, and is mapped after
// it, so it stands above it) and opens beside the main window, whole on the
// screen, with its title bar where the mouse can reach it.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace nimbrel {

// The top-left corner of a window of outer size `size` next to `anchor`:
// to its right, else to its left, else below, else above, the first place
// where it lies whole inside `screen` (less a small margin at its edges);
// failing all four, over the anchor, pushed inside the screen. The
// arithmetic alone, for the tests.
QPoint NearPlace(const QRect& anchor, const QSize& size, const QRect& screen);

// The window the program's boxes open beside (the main window); null: the
// active window, or the centre of the primary screen.
void SetDialogAnchor(QWidget* anchor);

// Before a box is shown: puts it in the always-on-top layer and moves it
// next to `anchor` (or the one set above) on the screen that holds it.
void PlaceNear(QWidget& box, const QWidget* anchor = nullptr);

}  // namespace nimbrel
