#pragma once
// "About Nimbrel…": the program's name and version, one line on what it is,
// its licence, the credits its two data sources ask for and the folder it
// keeps its data in. One box at a time, not modal: the weather goes on
// updating behind it.
//
// Links are plain links. Nothing is opened when the box appears or when a
// link is only pointed at; a click (or Enter on a link reached with Tab)
// hands the address to the desktop, which opens the user's browser.
#include <QDialog>
#include <QPointer>
#include <string>

class QLabel;
class QString;
class QUrl;

namespace nimbrel {

// A label of rich text whose links open in the browser only when activated.
// The text must already be escaped; see CreditHtml.
QLabel* MakeLinkLabel(const QString& html, QWidget* parent);

// A credit as the box and the dialogs show it: the sentence on one line, the
// source's site and its licence as links below it.
QString CreditHtml(const char* sentence, const char* siteUrl);

// "Location data based on GeoNames" with its links, for the dialogs that
// search for places or name a place found by the search.
QLabel* MakePlaceDataCredit(QWidget* parent);

// Hands an http or https address to the desktop; any other scheme is refused
// (false), so a link can never start a program or open a local file.
bool OpenLinkInBrowser(const QUrl& url);

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // folder: where the program keeps settings.txt and its pictures.
    explicit AboutBox(const std::string& folder, QWidget* parent = nullptr);

    // Shows the program's one box, made for parent if none is open, else the
    // open one brought to the front. The box deletes itself when closed.
    static AboutBox* Open(QWidget* parent, const std::string& folder);
};

}  // namespace nimbrel
