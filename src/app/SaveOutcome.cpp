#include "app/SaveOutcome.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

namespace nimbrel {

std::string SaveFailureReason(const SettingsStore& store) {
    const std::string& path = store.SettingsPath;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    const fs::path folder = file.parent_path();
    if (!fs::is_directory(folder, ec)) return "its folder is gone";
    if (fs::exists(file, ec) && ::access(path.c_str(), W_OK) != 0) return "the file is read-only";
    struct statvfs fsInfo {};
    if (::statvfs(folder.c_str(), &fsInfo) == 0 && fsInfo.f_bavail == 0) return "No space left on device";
    if (::access(folder.c_str(), W_OK) != 0) return "its folder is read-only";
    const std::string why = store.LastSaveError();
    return why.empty() ? "the file could not be written" : why;
}

}  // namespace nimbrel
