#include "ReadOnlyFolder.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace nimbrel::testing {

namespace {

constexpr unsigned kBypassBits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool GetCaps(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}
bool SetCaps(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(const std::string& path) : path_(path) {
    mkdir(path_.c_str(), 0755);
    chmod(path_.c_str(), 0555);
    __user_cap_data_struct data[2] = {};
    if (GetCaps(data)) {
        effective_[0] = data[0].effective;
        effective_[1] = data[1].effective;
        if (data[0].effective & kBypassBits) {
            data[0].effective &= ~kBypassBits;
            dropped_ = SetCaps(data);
        }
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (dropped_) {
        __user_cap_data_struct data[2] = {};
        if (GetCaps(data)) {
            data[0].effective = effective_[0];
            data[1].effective = effective_[1];
            SetCaps(data);
        }
    }
    chmod(path_.c_str(), 0755);
}

bool ReadOnlyFolder::Effective() const {
    const std::string probe = path_ + "/.probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return true;
    close(fd);
    unlink(probe.c_str());
    return false;
}

}  // namespace nimbrel::testing
