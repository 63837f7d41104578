// How old what the window shows is: the "Last update" line says the
// reading's age once it is old (or why there is none yet), and the forecast
// tiles dim once the forecast is older than a day.
#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>

#include "app/AccessibleText.h"
#include "app/PlaceChoice.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "controls/ControlWidget.h"

namespace nimbrel {

namespace {

// The "Last update" line once the reading is old.
const QColor kStaleGrey(128, 128, 128);
// Forecast tiles of a forecast older than a day.
constexpr double kStaleOpacity = 0.4;

// "45 min ago", "2 h ago", "3 days ago".
std::string AgeText(double minutes) {
    if (minutes < 90)
        return QCoreApplication::translate("nimbrel::frmMain", "%1 min ago").arg(int(minutes)).toStdString();
    if (minutes < 48 * 60)
        return QCoreApplication::translate("nimbrel::frmMain", "%1 h ago").arg(int(minutes / 60)).toStdString();
    return QCoreApplication::translate("nimbrel::frmMain", "%1 days ago").arg(int(minutes / 1440)).toStdString();
}

}  // namespace

QString frmMain::NoReadingText() const {
    switch (noReading_) {
        case NoReading::Unreachable:
            return QCoreApplication::translate("frmMain", "No reading yet: the feed server could not be reached.");
        case NoReading::NoPlace:
            return tr(kChoosePlaceHint);
        case NoReading::Waiting:
            break;
    }
    return QCoreApplication::translate("frmMain", "Waiting for the first reading\u2026");
}

void frmMain::ShowLastUpdate() {
    std::string text = lastUpdateCaption_;
    bool old = false;
    // Without a reading the line says why, rather than leaving the window blank.
    if (store_.LastUpdate.empty() && loaded_) text = NoReadingText().toStdString();
    if (!text.empty() && !store_.LastUpdate.empty()) {
        try {
            const double minutes = (Now() - ParseDateTime(store_.LastUpdate, false)) * 1440.0;
            const int interval = std::max<int>(1, store_.UpdateMinutes);
            if (minutes > 2.0 * interval) {
                old = true;
                // To the minute, so that the line with its age fits the
                // window: "Last update: 08/12/2026 04:17 (2 h ago)".
                if (text.size() > 3 && text[text.size() - 3] == ':') text.resize(text.size() - 3);
                text += " (" + AgeText(minutes) + ")";
            }
        } catch (const std::exception&) {
            // A time that does not read is shown as it stands, without an age.
        }
    }
    lblLastTime_->setText(QString::fromStdString(text));
    // A longer line ("3 days ago") is drawn a little smaller rather than cut.
    QFont f = lblLastTime_->font();
    f.setPixelSize(lastTimePixels_);
    while (f.pixelSize() > 7 && QFontMetrics(f).horizontalAdvance(lblLastTime_->text()) > lblLastTime_->width())
        f.setPixelSize(f.pixelSize() - 1);
    // A reason longer than the line even in the smallest face takes two.
    const bool wrap = QFontMetrics(f).horizontalAdvance(lblLastTime_->text()) > lblLastTime_->width();
    lblLastTime_->setWordWrap(wrap);
    lblLastTime_->setFont(f);
    lblLastTime_->setAccessibleName(LastUpdateName(lblLastTime_->text()));
    QPalette p = lblLastTime_->palette();
    p.setColor(QPalette::WindowText, old ? kStaleGrey : QColor(Qt::white));
    lblLastTime_->setPalette(p);
}

void frmMain::ShowForecastAge() {
    bool stale = false;
    if (store_.ForecastText.size() >= 10) {
        try {
            stale = Today() - ParseDateTime(store_.ForecastText.substr(0, 10), true) >= 1;
        } catch (const std::exception&) {
            // No date, no forecast to dim.
        }
    }
    for (ControlWidget* w : tileWidgets_) {
        if (stale == (w->graphicsEffect() != nullptr)) continue;
        if (stale) {
            auto* dim = new QGraphicsOpacityEffect(w);
            dim->setOpacity(kStaleOpacity);
            w->setGraphicsEffect(dim);
        } else {
            w->setGraphicsEffect(nullptr);
        }
    }
}

}  // namespace nimbrel
