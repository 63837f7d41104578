// Place names that look like HTML or hold control characters, shown in the
// preferences' "Real weather:" label, the place dialog and tool tips: always
// the characters themselves, never markup that Qt would render (or load).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextDocument>

#include "AppTestSupport.h"
#include "FakeOpenMeteo.h"
#include "app/PlaceDialog.h"
#include "app/PlainText.h"
#include "app/PreferencesDialog.h"
#include "app/frmMain.h"
#include "feeds/OutsideText.h"

namespace nimbrel {
namespace {

using apptest::EnsureApp;
using apptest::PumpUntil;

const std::string kHtmlName = "<img src=\"file:///dev/zero\"><b>Bold</b> <a href=\"x\">Link</a>";

// What a tool tip shows: Qt renders it as rich text when it looks like HTML.
std::string Shown(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip.toStdString();
    QTextDocument doc;
    doc.setHtml(tip);
    return doc.toPlainText().toStdString();
}

TEST(PlainNames, ToolTipsShowTheCharactersOfTheText) {
    EnsureApp();
    for (const std::string& text : {kHtmlName,
                                    std::string("Nimbrel - <b>x</b>\n17\xC2\xB0"
                                                "C & rising"),
                                    std::string("plain text stays as it is")}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Shown(PlainToolTip(text)), text);
    }
    EXPECT_EQ(PlainToolTip(std::string("Nimbrel\nLast reading 17")), QStringLiteral("Nimbrel\nLast reading 17"));
}

TEST(PlainNames, ThePreferencesLabelIsPlainAndFitsTheScreen) {
    EnsureApp();
    PreferenceValues values;
    values.placeName = kHtmlName;
    values.interval = "5";
    PreferencesDialog dialog(values, {});
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("placeName"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    // Shown as written (a long one cut with an ellipsis), whole in the tip.
    EXPECT_EQ(label->text().toStdString().rfind("<img src=\"file:///dev/zero\"><b>Bold</b>", 0), 0u);
    EXPECT_EQ(Shown(label->toolTip()), kHtmlName);
    values.placeName = "<b>Bold</b> & <i>Co</i>";
    PreferencesDialog shortName(values, {});
    EXPECT_EQ(shortName.findChild<QLabel*>(QStringLiteral("placeName"))->text().toStdString(), values.placeName);

    // The longest name the program keeps still leaves a dialog that fits.
    values.placeName = std::string(kMaxPlaceNameBytes, 'W');
    PreferencesDialog wide(values, {});
    wide.show();
    EXPECT_LT(wide.sizeHint().width(), 1000);
    EXPECT_EQ(Shown(wide.findChild<QLabel*>(QStringLiteral("placeName"))->toolTip()), values.placeName);
}

TEST(PlainNames, ThePlaceDialogListsNamesAsTheyAre) {
    EnsureApp();
    test::FakeOpenMeteo fake;
    ::setenv("NIMBREL_GEOCODING_URL", fake.BaseUrl().c_str(), 1);
    fake.SetSearch("Evil", {200, R"({"results":[{"name":"<b>Bold</b>","latitude":1,"longitude":2,)"
                                 R"("country":"<img src=\"file:///dev/zero\">"}]})"});
    PlaceDialog dialog(nullptr);
    dialog.Field()->setText(QStringLiteral("Evil"));
    dialog.Search();
    ASSERT_TRUE(PumpUntil([&] { return !dialog.Searching(); }, 8000));
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("lstMatches"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), "<b>Bold</b>, <img src=\"file:///dev/zero\">");
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblStatus"))->textFormat(), Qt::PlainText);
    ::unsetenv("NIMBREL_GEOCODING_URL");
}

// A forecast's words reach the tile's tool tip as they are.
TEST(PlainNames, TheTilesToolTipsArePlain) {
    EnsureApp();
    apptest::TempFolder folder;
    apptest::ScopedTray tray;
    apptest::MessageRecorder messages;
    frmMain::Config config;
    config.folder = folder.Str();
    config.feedBaseUrl = "http://127.0.0.1:9";
    const std::string line =
        "08/12/2026: <img src=\"file:///dev/zero\"><b>Sunny</b>, 1->4\xC2\xB0"
        "C, H=80%, SR=07:50GMT, SS=15:55GMT";
    // The forecast as a file that held it brings it to the tile.
    const std::string crlf = "\r\n";
    apptest::WriteFile(folder.Settings(), "<options>" + crlf + "<debug>0</debug>" + crlf + "</options>" + crlf +
                                              "<weather>" + crlf + "<forecast>" + line + crlf + line + crlf + line +
                                              "</forecast>" + crlf + "<loc>1769</loc>" + crlf + "<minutes>5</minutes>" +
                                              crlf + "</weather>" + crlf);
    frmMain form(config);
    form.Load();
    auto* tile = form.findChild<QWidget*>(QStringLiteral("MiniFC0"));
    ASSERT_NE(tile, nullptr);
    // The stored line as it is, then the day's sun times.
    EXPECT_EQ(Shown(tile->toolTip()), line + "\nSunrise 07:50, sunset 15:55.");
}

}  // namespace
}  // namespace nimbrel
