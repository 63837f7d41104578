#pragma once
// Tells the program when the machine has woken from sleep (logind's
// PrepareForSleep(false) on the system bus) and when the network has come
// back (NetworkManager's state reaching "connected" again). Either is a
// moment when the shown data is likely old and a fetch likely to succeed.
// Both are read as signals on the system bus: Qt's network-information
// plugins would bring GLib's GIO into the process for the same answer.
// Where there is no system bus or no NetworkManager the watch stays silent;
// the main window's check of the wall clock against the monotonic clock
// still notices a resume.
#include <QObject>
#include <functional>

namespace nimbrel {

class ResumeWatch : public QObject {
    Q_OBJECT
public:
    explicit ResumeWatch(std::function<void()> onResumed, QObject* parent = nullptr);

private slots:
    void PrepareForSleep(bool sleeping);
    void NetworkStateChanged(uint state);

private:
    std::function<void()> onResumed_;
    bool offline_ = false;
    bool stateKnown_ = false;  // a change came before the answer to the first question
};

}  // namespace nimbrel
