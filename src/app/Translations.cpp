#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdlib>

#include "base/Translate.h"

namespace nimbrel {
namespace {

// "de_DE.UTF-8@euro" -> "de_DE"; "" for an entry that names no language.
std::string LanguageOf(std::string entry) {
    if (const size_t cut = entry.find_first_of(".@"); cut != std::string::npos) entry.resize(cut);
    return entry;
}

void AddWithBase(std::vector<std::string>& out, const std::string& entry) {
    const std::string lang = LanguageOf(entry);
    if (lang.empty()) return;
    auto add = [&out](const std::string& l) {
        for (const std::string& have : out) {
            if (have == l) return;
        }
        out.push_back(l);
    };
    add(lang);
    if (const size_t under = lang.find('_'); under != std::string::npos && under > 0) add(lang.substr(0, under));
}

std::string TranslateThroughQt(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}

}  // namespace

std::vector<std::string> DesktopLanguages(const std::function<const char*(const char*)>& getenv) {
    auto value = [&getenv](const char* name) {
        const char* v = getenv(name);
        return std::string(v ? v : "");
    };
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = value(name);
        if (!locale.empty()) break;
    }
    std::vector<std::string> out;
    if (locale.empty() || locale == "C" || locale == "POSIX") return out;
    const std::string language = value("LANGUAGE");
    size_t start = 0;
    while (start <= language.size()) {
        size_t end = language.find(':', start);
        if (end == std::string::npos) end = language.size();
        AddWithBase(out, language.substr(start, end - start));
        start = end + 1;
    }
    AddWithBase(out, locale);
    return out;
}

QStringList TranslationFolders() {
    QStringList folders;
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/nimbrel/translations");
    folders << QDir::cleanPath(beside) << QStringLiteral(NIMBREL_TRANSLATIONS_INSTALL_DIR)
            << QStringLiteral(NIMBREL_TRANSLATIONS_BUILD_DIR);
    folders.removeDuplicates();
    return folders;
}

QString InstallTranslations(QCoreApplication& app) {
    SetTranslateHook(&TranslateThroughQt);
    for (const std::string& asked : DesktopLanguages(std::getenv)) {
        const QString lang = QString::fromStdString(asked);
        // English is the source: asking for it first means no translation,
        // even when a later entry has one.
        if (lang == QLatin1String("en") || lang.startsWith(QLatin1String("en_"))) return QString();
        for (const QString& folder : TranslationFolders()) {
            const QString file = folder + QStringLiteral("/nimbrel_") + lang + QStringLiteral(".qm");
            if (!QFileInfo::exists(file)) continue;
            auto* own = new QTranslator(&app);
            if (!own->load(file)) {
                delete own;
                continue;
            }
            QCoreApplication::installTranslator(own);
            // Qt's own texts (the buttons of its dialogs); a missing one
            // leaves them in English and the program's texts translated.
            auto* qt = new QTranslator(&app);
            if (qt->load(QStringLiteral("qtbase_") + lang, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(qt);
            } else {
                delete qt;
            }
            return lang;
        }
    }
    return QString();
}

}  // namespace nimbrel
