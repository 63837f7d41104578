#include "app/SystemJournal.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace nimbrel {
namespace {

// The user facility (1) at the error severity (3): priority 1 * 8 + 3.
constexpr int kUserError = 11;
// Well within what any syslog socket takes in one datagram.
constexpr std::size_t kMaxMessageBytes = 2048;

}  // namespace

std::string JournalSocketPath() {
    const char* path = std::getenv("NIMBREL_JOURNAL_SOCKET");
    return path && *path ? path : "/dev/log";
}

bool TellJournal(const std::string& message) {
    const std::string path = JournalSocketPath();
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // Control characters would break the journal's one-line record.
    std::string text = message.substr(0, kMaxMessageBytes);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    std::string datagram = "<";
    datagram += std::to_string(kUserError);
    datagram += ">nimbrel[";
    datagram += std::to_string(::getpid());
    datagram += "]: ";
    datagram += text;
    const bool sent =
        ::sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                 sizeof address) == static_cast<ssize_t>(datagram.size());
    ::close(fd);
    return sent;
}

void ReportExitSaveFailure(const std::string& settingsPath, const std::string& reason) {
    const std::string message = "cannot save the history to " + settingsPath + ": " + reason;
    std::cerr << "nimbrel: " << message << "\n";
    TellJournal(message);
}

}  // namespace nimbrel
