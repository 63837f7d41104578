#include "app/FrontDoor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

// The door is a plain local socket rather than Qt Network's QLocalServer:
// that module, with the Kerberos, proxy and resolver libraries it pulls in,
// was the program's only reason to load them at start-up. The socket is
// where QLocalServer kept it (the temporary folder, under the same name), so
// a program of either kind answers the other's knock.

namespace nimbrel {

namespace {

constexpr int kWaitMs = 1000;
constexpr char kKnock[] = "show\n";
// A knock is one short line; a caller that sends more is not a knock.
constexpr std::size_t kMaxKnockBytes = 64;

std::string SocketPath(const std::string& folder) {
    return QDir::tempPath().toStdString() + "/" + FrontDoorName(folder);
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

// Waits up to the deadline for `events` on fd; false on time-out or error.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
}

}  // namespace

std::string FrontDoorName(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(folder, ec);
    if (ec) real = std::filesystem::absolute(folder, ec);
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(real.lexically_normal().string()),
                                                       QCryptographicHash::Sha256)
                                  .toHex()
                                  .left(16);
    return "nimbrel-" + std::to_string(::getuid()) + "-" + digest.toStdString();
}

bool KnockAtFrontDoor(const std::string& folder) {
    sockaddr_un addr;
    if (!FillAddress(SocketPath(folder), addr)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    bool delivered = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ||
        (errno == EAGAIN && WaitFor(fd, POLLOUT, deadline))) {
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0 && WaitFor(fd, POLLOUT, deadline) &&
            ::send(fd, kKnock, sizeof kKnock - 1, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof kKnock - 1)) {
            delivered = true;
            // The running program closes the connection once it has read the
            // knock.
            char c;
            while (WaitFor(fd, POLLIN, deadline) && ::recv(fd, &c, 1, 0) > 0) {
            }
        }
    }
    ::close(fd);
    return delivered;
}

FrontDoor::FrontDoor(const std::string& folder, std::function<void()> onKnock, QObject* parent)
    : QObject(parent), onKnock_(std::move(onKnock)) {
    const std::string path = SocketPath(folder);
    sockaddr_un addr;
    if (!FillAddress(path, addr)) return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    // Only the holder of the folder's lock gets here, so a socket of that
    // name is one a killed program left behind. The socket is made in a
    // private folder, closed to others, and only then moved into place: at
    // no moment can another user reach it.
    std::string staging = path + "-XXXXXX";
    sockaddr_un staged;
    if (!::mkdtemp(staging.data())) {
        ::close(fd);
        return;
    }
    const std::string stagedPath = staging + "/s";
    bool ok = FillAddress(stagedPath, staged) && ::bind(fd, reinterpret_cast<sockaddr*>(&staged), sizeof staged) == 0 &&
              ::chmod(stagedPath.c_str(), S_IRUSR | S_IWUSR) == 0 && ::listen(fd, 8) == 0;
    if (ok) {
        ::unlink(path.c_str());
        ok = ::rename(stagedPath.c_str(), path.c_str()) == 0;
    }
    ::unlink(stagedPath.c_str());
    ::rmdir(staging.c_str());
    if (!ok) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    path_ = path;
    auto* incoming = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(incoming, &QSocketNotifier::activated, this, [this] { Accept(); });
}

FrontDoor::~FrontDoor() {
    for (auto& [fd, caller] : callers_) {
        caller.notifier.reset();
        ::close(fd);
    }
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
}

bool FrontDoor::Listening() const {
    return fd_ >= 0;
}

void FrontDoor::Accept() {
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        Caller& caller = callers_[fd];
        caller.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(caller.notifier.get(), &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
    }
}

void FrontDoor::Read(int fd) {
    const auto it = callers_.find(fd);
    if (it == callers_.end()) return;
    std::string& got = it->second.received;
    char buf[kMaxKnockBytes];
    bool knocked = false, done = false;
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n > 0) {
            got.append(buf, static_cast<std::size_t>(n));
            if (got.find('\n') != std::string::npos) {
                knocked = true;
                done = true;
                break;
            }
            if (got.size() > kMaxKnockBytes) {
                done = true;
                break;
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
        done = true;  // closed, or failed
        break;
    }
    if (!done) return;
    // The notifier goes later: this is its own signal.
    it->second.notifier->setEnabled(false);
    it->second.notifier.release()->deleteLater();
    callers_.erase(it);
    ::close(fd);
    if (knocked && onKnock_) onKnock_();
}

}  // namespace nimbrel
