#pragma once
// Tells the program when the machine has woken from sleep (logind's
// PrepareForSleep(false) on the system bus) and when the network has come
// back (QNetworkInformation's reachability going online again). Either is a
// moment when the shown data is likely old and a fetch likely to succeed.
// Where there is no system bus or no network backend the watch stays silent;
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

private:
    std::function<void()> onResumed_;
    bool offline_ = false;
};

}  // namespace nimbrel
