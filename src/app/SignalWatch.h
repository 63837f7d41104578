#pragma once
// Turns SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2 and SIGALRM into a call on
// the event loop: the handler only writes the signal's number into a pipe,
// and a socket notifier on the other end runs the program's unload where Qt
// may be used.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace nimbrel {

class SignalWatch : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; onSignal runs on the event loop with the number.
    explicit SignalWatch(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~SignalWatch() override;

    bool Installed() const { return notifier_ != nullptr; }

private:
    void ReadSignal();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace nimbrel
