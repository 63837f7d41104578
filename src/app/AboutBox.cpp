#include "app/AboutBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "base/ProgramInfo.h"
#include "feeds/OpenMeteo.h"
#include "platform/qt/DialogPlace.h"

namespace nimbrel {

namespace {

// A path longer than this is shown shortened in the middle (the whole path
// stays in the tool tip), so that a deep folder cannot stretch the box
// beyond the screen.
constexpr int kFolderWidthPixels = 420;

QString Escaped(const char* text) {
    return QString::fromUtf8(text).toHtmlEscaped();
}

// The address is shown as it is, so the reader sees where a click goes.
QString Link(const char* url, const QString& caption) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(Escaped(url), caption.toHtmlEscaped());
}

QString Link(const char* url) {
    return Link(url, QString::fromUtf8(url));
}

QLabel* PlainLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    return label;
}

QString DataLicenceLinks(const char* siteUrl) {
    return Link(siteUrl) + QStringLiteral(" \u00B7 ") + Link(kDataLicenceUrl, QString::fromUtf8(kDataLicenceName));
}

}  // namespace

bool OpenLinkInBrowser(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) return false;
    return QDesktopServices::openUrl(url);
}

QLabel* MakeLinkLabel(const QString& html, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setText(html);
    // The toolkit's own opening is off: the address goes through the check
    // of schemes above, and only when the user activates the link.
    label->setOpenExternalLinks(false);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(label, &QLabel::linkActivated, label, [](const QString& link) { OpenLinkInBrowser(QUrl(link)); });
    return label;
}

QString CreditHtml(const char* sentence, const char* siteUrl) {
    return QCoreApplication::translate("Credits", sentence).toHtmlEscaped() + QStringLiteral("<br>") +
           DataLicenceLinks(siteUrl);
}

QLabel* MakePlaceDataCredit(QWidget* parent) {
    QLabel* label = MakeLinkLabel(CreditHtml(kGeoNamesCredit, kGeoNamesUrl), parent);
    label->setObjectName(QStringLiteral("lblPlaceDataCredit"));
    return label;
}

AboutBox::AboutBox(const std::string& folder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About Nimbrel"));
    auto* layout = new QVBoxLayout(this);

    QLabel* name = PlainLabel(QStringLiteral("Nimbrel %1").arg(QStringLiteral(NIMBREL_VERSION)), "lblName", this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    QLabel* what = PlainLabel(tr("A small desktop weather display: the current weather, a "
                                 "three-day forecast, a sun dial and a history chart."),
                              "lblWhat", this);
    // Wide enough for the sentence in two lines, whatever the font's size;
    // the box takes this width and the other lines wrap within it.
    what->setMinimumWidth(what->fontMetrics().averageCharWidth() * 52);
    layout->addWidget(what);
    layout->addSpacing(8);

    QLabel* licence =
        MakeLinkLabel(tr("Nimbrel is free software under the MIT licence.").toHtmlEscaped() + QStringLiteral("<br>") +
                          Escaped(kCopyrightLine) + QStringLiteral("<br>") + Link(kLicenceUrl),
                      this);
    licence->setObjectName(QStringLiteral("lblLicence"));
    layout->addWidget(licence);
    layout->addSpacing(8);

    QLabel* weather = MakeLinkLabel(CreditHtml(kOpenMeteoAttribution, kOpenMeteoHomeUrl), this);
    weather->setObjectName(QStringLiteral("lblWeatherDataCredit"));
    layout->addWidget(weather);
    layout->addWidget(MakePlaceDataCredit(this));
    layout->addSpacing(8);

    // The folder is the user's own text: shown plain, selectable to copy,
    // shortened in the middle when it would not fit.
    const QString path = QString::fromStdString(folder);
    layout->addWidget(
        PlainLabel(tr("Nimbrel keeps its settings and pictures in this folder:"), "lblFolderTitle", this));
    QLabel* where = PlainLabel(QString(), "lblFolder", this);
    where->setWordWrap(false);
    where->setText(QFontMetrics(where->font()).elidedText(path, Qt::ElideMiddle, kFolderWidthPixels));
    where->setToolTip(Qt::convertFromPlainText(path));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(where);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    buttons->button(QDialogButtonBox::Close)->setFocus();
}

AboutBox* AboutBox::Open(QWidget* parent, const std::string& folder) {
    // One box for the whole program: the pop-up menu, the tray and the
    // graph window all reach this one.
    static QPointer<AboutBox> open;
    if (!open) {
        open = new AboutBox(folder, parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!open->isVisible()) PlaceNear(*open);
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

}  // namespace nimbrel
