#include "app/Notice.h"

#include <QMessageBox>
#include <QWidget>

#include "platform/qt/DialogPlace.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

Notice::~Notice() {
    delete box_.data();
}

void Notice::Show(const std::string& text) {
    if (!box_) {
        box_ = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kAppTitle), QString(), QMessageBox::Ok);
        box_->setObjectName(QStringLiteral("notice"));
        // A notice may quote a server's or a file's words: plain text only.
        box_->setTextFormat(Qt::PlainText);
        box_->setWindowModality(Qt::NonModal);
        box_->setAttribute(Qt::WA_DeleteOnClose);
        box_->setWindowIcon(owner_.windowIcon());
    }
    ofFetch_ = false;
    box_->setText(QString::fromStdString(text));
    if (!box_->isVisible()) PlaceNear(*box_, &owner_);
    box_->show();
    box_->raise();
}

void Notice::ShowFetchFailure(const std::string& text) {
    Show(text);
    ofFetch_ = true;
}

void Notice::FetchWorked() {
    if (!ofFetch_ || !box_) return;
    box_->close();
    ofFetch_ = false;
}

}  // namespace nimbrel
