#pragma once
// One QApplication for a whole test program, on the platform the program was
// built for: a private Xvfb display (xcb) for the tests that read the screen,
// the offscreen platform for the others. Started on first use, ended by the
// test environment before the process exits.
#include <functional>

class QApplication;
class QWidget;

namespace nimbrel::testing {

enum class QtPlatform { Xvfb, Offscreen };

// Null when the platform cannot be had (no Xvfb installed); tests then skip.
QApplication* StartQt(QtPlatform platform);

// A QApplication for tests that draw but never read the screen: nothing when
// one exists, else one on the platform QT_QPA_PLATFORM names (offscreen when
// it names none). It lives until the process ends and never quits on its
// own when the last window closes, since tests close windows and go on.
void EnsureApp();

// Runs the event loop until ready() holds or timeoutMs passes.
bool PumpUntil(const std::function<bool()>& ready, int timeoutMs = 5000);
// Shows the window and waits until it is exposed and painted.
bool ShowAndWait(QWidget& window);
// Lets pending events run for about ms milliseconds.
void PumpFor(int ms);

}  // namespace nimbrel::testing
