#pragma once
// A folder this process cannot create files in, even when the tests run as
// root. Permission bits alone do not stop root: it writes through them by
// CAP_DAC_OVERRIDE. So the folder is made read-only (0555) and, for the life
// of the object, the calling thread gives up the capabilities that bypass
// file permissions from its effective set, the way an ordinary user runs the
// program. The permitted set is kept, so the destructor can take them back.
#include <string>

namespace nimbrel::testing {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // True when creating a file in the folder really fails now.
    bool Effective() const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    bool dropped_ = false;
    unsigned effective_[2] = {0, 0};
};

}  // namespace nimbrel::testing
