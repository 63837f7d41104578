#pragma once
// The program's language: the desktop's, read as gettext reads it, with
// English (the texts in the source) when no translation matches.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QCoreApplication;

namespace nimbrel {

// The languages the environment asks for, most wanted first: each entry of
// LANGUAGE (a colon-separated list), then the first set one of LC_ALL,
// LC_MESSAGES and LANG. Each is given as asked ("de_AT") and then as its
// language alone ("de"); codesets and modifiers are dropped. The locale "C"
// (or "POSIX") asks for the untranslated texts, and LANGUAGE is ignored
// then, as gettext does.
std::vector<std::string> DesktopLanguages(const std::function<const char*(const char*)>& getenv);

// Where the program's .qm files are looked for: beside the installed
// program, the folder they are installed in, and the build tree.
QStringList TranslationFolders();

// Loads the program's translation and Qt's own (for the buttons of Qt's
// dialogs) for the first language asked for that has one, and lets the
// toolkit-free layers translate through it. Returns the language loaded,
// or an empty text for English. Call once, after the application object is
// made and before any window is.
QString InstallTranslations(QCoreApplication& app);

}  // namespace nimbrel
