#pragma once
// A second start on a folder already in use asks the running program to show
// its window, so that a user who starts Nimbrel again from the menu finds the
// one that runs instead of a refusal alone. The running program listens on a
// local socket named after the folder and the user; the second start knocks
// and ends. The folder lock, not this socket, is what keeps two programs off
// one folder: a socket that cannot be reached only means the window is not
// brought forward.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;

namespace nimbrel {

// The socket's name for a folder: the same for every spelling of the folder
// ("data/../data"), different for another user.
std::string FrontDoorName(const std::string& folder);

// Asks the program that holds the folder to show its window; true once the
// request has been delivered. Waits a second at most.
bool KnockAtFrontDoor(const std::string& folder);

// The running program's side: calls onKnock on its own thread for each
// request.
class FrontDoor : public QObject {
    Q_OBJECT
public:
    FrontDoor(const std::string& folder, std::function<void()> onKnock, QObject* parent = nullptr);
    ~FrontDoor() override;
    bool Listening() const;

private:
    struct Caller {
        std::unique_ptr<QSocketNotifier> notifier;
        std::string received;
    };
    void Accept();
    void Read(int fd);

    int fd_ = -1;
    std::string path_;
    std::map<int, Caller> callers_;
    std::function<void()> onKnock_;
};

}  // namespace nimbrel
