#pragma once
// One program per folder: a lock on the folder itself, held for the life of
// the process. It is an flock, which the kernel drops when the process ends
// in any way, so a crash never leaves the folder locked; and it needs no file
// of its own, so a folder that cannot be written is locked all the same.
#include <string>

namespace nimbrel {

class FolderLock {
public:
    enum class Result { Taken, InUse, Failed };

    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock without waiting: InUse when another process holds it,
    // Failed (with the reason in error) when the folder cannot be opened.
    Result Acquire(const std::string& folder, std::string& error);

private:
    int fd_ = -1;
};

}  // namespace nimbrel
