#include "app/SaveOutcome.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/Translate.h"

namespace nimbrel {

std::string SaveFailureReason(const SettingsStore& store) {
    const std::string& why = store.LastSaveError();
    if (why.empty())
        return Translated("SaveOutcome", QT_TRANSLATE_NOOP("SaveOutcome", "the file could not be written"));
    auto is = [&why](int err) { return why == std::strerror(err); };
    if (is(ENOENT) || is(ENOTDIR))
        return Translated("SaveOutcome", QT_TRANSLATE_NOOP("SaveOutcome", "its folder is gone"));
    if (is(EACCES) || is(EPERM) || is(EROFS)) {
        // The write tries the folder first and falls back to the file itself
        // only when the file is there: a refusal then is the file's.
        struct stat st {};
        return ::stat(store.SettingsPath.c_str(), &st) == 0
                   ? Translated("SaveOutcome", QT_TRANSLATE_NOOP("SaveOutcome", "the file is read-only"))
                   : Translated("SaveOutcome", QT_TRANSLATE_NOOP("SaveOutcome", "its folder is read-only"));
    }
    return why;
}

}  // namespace nimbrel
