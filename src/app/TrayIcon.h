#pragma once
// The main window's notification-area icon: its picture (the temperature of
// the last reading in the shown unit, the program's picture before) and its
// tip, drawn from the weather state, and the clicks on it, told as a signal.
// The icon itself goes through modSysTray, the one module that speaks to the
// tray.
#include <QObject>
#include <string>

#include "app/modSysTray.h"

namespace nimbrel {

class WeatherState;

class TrayIcon : public QObject, public TrayOwner {
    Q_OBJECT
public:
    explicit TrayIcon(const WeatherState& state, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with the tip, and removes it.
    void Add(const std::string& tip);
    void Remove();
    // True while this object's icon is in the tray.
    bool Shown() const;
    // Sets the tray tip (and the picture, which follows the reading and the
    // unit) while the icon is shown.
    void SetTip(const std::string& tip);

    // TrayOwner
    void Activated(TrayClick click) override { emit clicked(click); }
    QIcon TrayIconPicture() const override;

signals:
    void clicked(TrayClick click);

private:
    const WeatherState& state_;
};

}  // namespace nimbrel
