#include "app/TrayIcon.h"

#include "app/TrayIconPicture.h"
#include "app/WeatherState.h"

namespace nimbrel {

TrayIcon::TrayIcon(const WeatherState& state, QObject* parent) : QObject(parent), state_(state) {}

TrayIcon::~TrayIcon() {
    if (Shown()) RemoveTrayIcon();
}

void TrayIcon::Add(const std::string& tip) {
    AddTrayIcon(*this, tip);
}

void TrayIcon::Remove() {
    if (blnIconShown()) RemoveTrayIcon();
}

bool TrayIcon::Shown() const {
    return blnIconShown() && NotifyRecord().hWnd == this;
}

void TrayIcon::SetTip(const std::string& tip) {
    if (Shown()) UpdateTrayIcon(TrayIconPicture(), tip);
}

QIcon TrayIcon::TrayIconPicture() const {
    // The temperature once a reading exists, the program's picture before.
    return TrayIconFor(state_.Store(), state_.Unit());
}

}  // namespace nimbrel
