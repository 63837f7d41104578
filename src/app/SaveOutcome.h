#pragma once
// Why settings.txt could not be written, in the words a user acts on.
#include <string>

#include "store/SettingsStore.h"

namespace nimbrel {

// The store's own reason for its last failed save (the system's error text
// of the step that failed) put in those words: a folder that is gone, a
// folder or a file that cannot be written; any other reason ("No space left
// on device", "it is a folder") as the store gave it.
std::string SaveFailureReason(const SettingsStore& store);

}  // namespace nimbrel
