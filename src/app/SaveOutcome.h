#pragma once
// Why settings.txt could not be written, in the words a user acts on.
#include <string>

#include "store/SettingsStore.h"

namespace nimbrel {

// What stands on the disk now (its folder gone, the file or the folder
// read-only, a full disk), else the store's own reason for the failed write.
std::string SaveFailureReason(const SettingsStore& store);

}  // namespace nimbrel
