#include "base/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nimbrel {

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

FolderLock::Result FolderLock::Acquire(const std::string& folder, std::string& error) {
    if (fd_ >= 0) return Result::Taken;
    // Close-on-exec: a lock shared with a child it starts would outlive the
    // program.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return Result::Failed;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return Result::InUse;
        error = std::strerror(err);
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Taken;
}

}  // namespace nimbrel
