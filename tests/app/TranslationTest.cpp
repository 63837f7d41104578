// The program's languages: which one the environment asks for, the German
// and French files against the sources, every literal a window shows being
// marked, and the real program in German under Xvfb.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "AppTestSupport.h"
#include "XvfbDisplay.h"
#include "app/Translations.h"
#include "app/frmMain.h"
#include "base/Translate.h"

namespace fs = std::filesystem;
using namespace nimbrel;
using namespace nimbrel::apptest;
using nimbrel::testing::XvfbDisplay;

namespace {

std::vector<std::string> Languages(std::map<std::string, std::string> env) {
    return DesktopLanguages([&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    });
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

bool WaitFor(const std::function<bool()>& ready, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return ready();
}

struct TsEntry {
    QString context, source, translation, type;
};

std::vector<TsEntry> ReadTs(const QString& path) {
    std::vector<TsEntry> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    QXmlStreamReader xml(&f);
    QString context;
    TsEntry e;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name")) context = xml.readElementText();
        if (xml.name() == QLatin1String("message")) e = TsEntry{context, {}, {}, {}};
        if (xml.name() == QLatin1String("source")) e.source = xml.readElementText();
        if (xml.name() == QLatin1String("translation")) {
            e.type = xml.attributes().value(QLatin1String("type")).toString();
            e.translation = xml.readElementText();
            out.push_back(e);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString();
    return out;
}

std::multiset<QString> Placeholders(const QString& text) {
    std::multiset<QString> out;
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("%[1-9]")).globalMatch(text);
    while (it.hasNext()) out.insert(it.next().captured());
    return out;
}

// "&&" is a literal ampersand, "&x" a mnemonic.
int Mnemonics(const QString& text) {
    int n = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        ++n;
    }
    return n;
}

const char* const kLanguages[] = {"de", "fr"};

QString TsPath(const char* lang) {
    return QStringLiteral(NIMBREL_SOURCE_DIR "/share/translations/nimbrel_%1.ts").arg(QLatin1String(lang));
}

void UninstallTranslations() {
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) delete t;
    SetTranslateHook(nullptr);
}

}  // namespace

TEST(DesktopLanguages, LanguageFirstThenTheLocaleAsGettextReadsThem) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Languages({{"LANGUAGE", "fr_CA:de"}, {"LANG", "it_IT.UTF-8"}}), (V{"fr_CA", "fr", "de", "it_IT", "it"}));
    // LC_ALL wins over LC_MESSAGES over LANG; codeset and modifier go.
    EXPECT_EQ(Languages({{"LC_ALL", "de_AT.UTF-8@euro"}, {"LC_MESSAGES", "fr_FR"}, {"LANG", "it"}}),
              (V{"de_AT", "de"}));
    EXPECT_EQ(Languages({{"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "it"}}), (V{"fr_FR", "fr"}));
    // Empty entries of LANGUAGE are skipped, repeats kept once.
    EXPECT_EQ(Languages({{"LANGUAGE", ":de::de_DE:"}, {"LANG", "de_DE.UTF-8"}}), (V{"de", "de_DE"}));
    // The C locale asks for the untranslated texts whatever LANGUAGE says;
    // so does no locale at all.
    EXPECT_EQ(Languages({{"LANGUAGE", "de"}, {"LC_ALL", "C"}}), V{});
    EXPECT_EQ(Languages({{"LANGUAGE", "de"}, {"LANG", "POSIX"}}), V{});
    EXPECT_EQ(Languages({{"LANGUAGE", "de"}}), V{});
    EXPECT_EQ(Languages({{"LANGUAGE", "de"}, {"LC_ALL", "C.UTF-8"}}), (V{"de", "C"}));
}

TEST(FillIn, PutsValuesInOrderAndNeverReadsMarkersInsideAValue) {
    EXPECT_EQ(FillIn("%2 then %1, 100%", {"a", "b"}), "b then a, 100%");
    EXPECT_EQ(FillIn("Place %1: %2", {"50%2 Town", "x"}), "Place 50%2 Town: x");
    EXPECT_EQ(FillIn("%3 stays", {"a"}), "%3 stays");
}

TEST(TranslationFiles, CompleteCurrentAndWithTheSourcesPlaceholdersAndMnemonics) {
    for (const char* lang : kLanguages) {
        const std::vector<TsEntry> entries = ReadTs(TsPath(lang));
        ASSERT_GT(entries.size(), 80u) << lang;
        for (const TsEntry& e : entries) {
            const std::string where = std::string(lang) + " " + e.context.toStdString() + ": " + e.source.toStdString();
            EXPECT_TRUE(e.type.isEmpty()) << where << " is " << e.type.toStdString();
            EXPECT_FALSE(e.translation.trimmed().isEmpty()) << where;
            EXPECT_EQ(Placeholders(e.translation), Placeholders(e.source)) << where;
            EXPECT_EQ(Mnemonics(e.translation), Mnemonics(e.source)) << where;
            EXPECT_EQ(e.translation.endsWith(QChar(0x2026)), e.source.endsWith(QChar(0x2026))) << where;
        }
    }
}

// lupdate run over today's sources into copies of the files finds nothing
// new and nothing gone: no marked text was changed without its translations.
TEST(TranslationFiles, HoldEveryTextMarkedInTheSources) {
    const char* lupdate = "/usr/lib/qt6/bin/lupdate";
    ASSERT_TRUE(fs::exists(lupdate)) << "qt6-l10n-tools is not installed";
    TempFolder tmp;
    for (const char* lang : kLanguages) {
        const fs::path copy = tmp.Path() / ("nimbrel_" + std::string(lang) + ".ts");
        fs::copy_file(TsPath(lang).toStdString(), copy);
        const std::string out = Shell(std::string("cd '" NIMBREL_SOURCE_DIR "' && ") + lupdate +
                                      " -locations none -extensions cpp,h src -ts '" + copy.string() + "' 2>&1");
        EXPECT_NE(out.find("(0 new and"), std::string::npos) << lang << ": " << out;
        for (const TsEntry& e : ReadTs(QString::fromStdString(copy.string())))
            EXPECT_TRUE(e.type.isEmpty()) << lang << " " << e.context.toStdString() << ": " << e.source.toStdString()
                                          << " is " << e.type.toStdString() << " in the sources";
    }
}

// A literal handed straight to a call that shows it, in the windows' code.
// Only the texts below are shown as they are in every language.
TEST(MarkedTexts, NoLiteralReachesTheWindowsUnmarked) {
    const std::set<std::string> allowed = {
        "Nimbrel",  // the program's name
    };
    const std::regex shown(
        R"re(\b(setText|setToolTip|setWindowTitle|setPlaceholderText|addAction|addMenu|addRow|ShowMessage|ShowNotice|QAction|QMessageBox|QPushButton|QCheckBox|QGroupBox|QLabel|QMenu)\s*\(\s*(?:QStringLiteral\(|QString::fromUtf8\(|QLatin1String\(|QString::fromLatin1\(|std::string\()?\s*"((?:[^"\\]|\\.)*)")re");
    int scanned = 0;
    for (const char* folder : {"src/app", "src/graph"}) {
        for (const auto& file : fs::directory_iterator(fs::path(NIMBREL_SOURCE_DIR) / folder)) {
            if (file.path().extension() != ".cpp" && file.path().extension() != ".h") continue;
            std::ifstream in(file.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string s = text.str();
            ++scanned;
            for (auto it = std::sregex_iterator(s.begin(), s.end(), shown); it != std::sregex_iterator(); ++it) {
                const std::string literal = (*it)[2];
                if (literal.empty() || allowed.count(literal)) continue;
                ADD_FAILURE() << file.path().filename().string() << ": " << (*it)[0].str()
                              << " is not marked for translation";
            }
        }
    }
    EXPECT_GT(scanned, 40);
}

TEST(GermanWindow, TheMenuAndTheTitlesSpeakGermanAndEnglishComesBackUnchanged) {
    EnsureApp();
    ::setenv("LANGUAGE", "de", 1);
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(InstallTranslations(*qApp).toStdString(), "de");
    ::setenv("LANGUAGE", "", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    TempFolder folder;
    std::vector<std::string> texts;
    {
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = "http://127.0.0.1:9";
        frmMain form(c);
        form.Load();
        auto* menu = form.findChild<QMenu*>(QStringLiteral("mnSysTray"));
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions())
            // The & marks an item's key; the text compared is without it.
            if (!a->isSeparator()) texts.push_back(a->text().remove(QLatin1Char('&')).toStdString());
        auto* humidity = form.findChild<QLabel*>(QStringLiteral("lblHumidTitle"));
        ASSERT_NE(humidity, nullptr);
        EXPECT_EQ(humidity->text().toStdString(), "Feuchte:");
        form.Unload(UnloadReason::Session);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Abbrechen", "Aktuelle Daten abrufen", "Vorhersage abrufen",
                                               "In den Infobereich verschieben", "Diagrammfenster anzeigen",
                                               "Ort festlegen \u2026", "Einstellungen \u2026", "Über Nimbrel \u2026",
                                               "Nimbrel beenden"}));
    // The toolkit-free layers translate through the same files.
    EXPECT_EQ(Translated("SunTransit", "Sunset is in %1"), "Sonnenuntergang in %1");
    // Qt's own buttons follow.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Abbrechen");

    UninstallTranslations();
    EXPECT_EQ(Translated("SunTransit", "Sunset is in %1"), "Sunset is in %1");
    EXPECT_EQ(QCoreApplication::translate("nimbrel::frmMain", "E&xit Nimbrel").toStdString(), "E&xit Nimbrel");
}

TEST(GermanWindow, EnglishAskedFirstOrNoTranslationLeavesTheSourceTexts) {
    EnsureApp();
    ::setenv("LANGUAGE", "en_GB:de", 1);
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(InstallTranslations(*qApp).toStdString(), "");
    ::setenv("LANGUAGE", "pt:fr", 1);
    EXPECT_EQ(InstallTranslations(*qApp).toStdString(), "fr");
    EXPECT_EQ(QCoreApplication::translate("nimbrel::frmMain", "E&xit Nimbrel").toStdString(), "&Quitter Nimbrel");
    UninstallTranslations();
    ::setenv("LANGUAGE", "", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
}

TEST(GermanWindowOnScreen, TheRealProgramStartedWithLanguageDeShowsAGermanMenu) {
    for (const char* tool : {"Xvfb", "xdotool", "import"})
        ASSERT_EQ(std::system((std::string("command -v ") + tool + " >/dev/null").c_str()), 0) << tool;
    TempFolder tmp;
    XvfbDisplay xvfb(640, 480);
    ASSERT_TRUE(xvfb.Started());
    const std::string x = "DISPLAY=" + xvfb.Display() + " ";
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(xvfb.Display()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QString::fromStdString(std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel"),
              {QStringLiteral("--folder"), QString::fromStdString((tmp.Path() / "data").string()),
               QStringLiteral("--feed"), QStringLiteral("http://127.0.0.1:9")});
    ASSERT_TRUE(app.waitForStarted(5000));
    std::string main;
    ASSERT_TRUE(WaitFor(
        [&] {
            main = Shell(x + "xdotool search --onlyvisible --name '^Nimbrel$' 2>/dev/null");
            return !main.empty();
        },
        15000));
    main = main.substr(0, main.find('\n'));
    Shell(x + "xdotool mousemove --window " + main + " 84 88 click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    const char* env_dir = std::getenv("NIMBREL_SCREENSHOT_DIR");
    const fs::path dir = env_dir && *env_dir ? fs::path(env_dir) : fs::path(NIMBREL_BINARY_DIR) / "screenshots" / "app";
    fs::create_directories(dir);
    const fs::path shot = dir / "menu-de.png";
    Shell(x + "import -window root " + shot.string() + " 2>/dev/null");
    const QImage image(QString::fromStdString(shot.string()));
    ASSERT_FALSE(image.isNull());
    // The menu is open: a large light area beside the black window.
    int light = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int xx = 0; xx < image.width(); ++xx) light += qGray(image.pixel(xx, y)) > 200;
    EXPECT_GT(light, 5000) << shot.string();
    Shell(x + "xdotool key Escape");
    app.terminate();
    EXPECT_TRUE(app.waitForFinished(5000));
}
