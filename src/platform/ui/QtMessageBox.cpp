#include "platform/ui/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/DialogPlace.h"
#include "platform/ui/MessageBox.h"

namespace nimbrel {

const char* const kAppTitle = "Nimbrel";

void BindQtMessageBoxes() {
    SetMessageHandler([](const MessageRequest& m) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        switch (m.icon) {
            case MsgIcon::Information:
                icon = QMessageBox::Information;
                break;
            case MsgIcon::Warning:
                icon = QMessageBox::Warning;
                break;
            case MsgIcon::Critical:
                icon = QMessageBox::Critical;
                break;
            case MsgIcon::Question:
                icon = QMessageBox::Question;
                break;
            case MsgIcon::None:
                break;
        }
        const std::string& caption = m.caption.empty() ? std::string(kAppTitle) : m.caption;
        QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(m.text), QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setObjectName(QStringLiteral("NimbrelMessage"));
        // A tile's message carries the feed's words: plain text only.
        box.setTextFormat(Qt::PlainText);
        // Like the boxes of the platform the program comes from: on top of
        // the always-on-top main window, so it is never hidden behind it,
        // and beside it, whole on the screen.
        PlaceNear(box);
        box.exec();
    });
    SetQuestionHandler([](const QuestionRequest& q) {
        const std::string& caption = q.caption.empty() ? std::string(kAppTitle) : q.caption;
        QMessageBox box(q.icon == MsgIcon::Warning ? QMessageBox::Warning : QMessageBox::Question,
                        QString::fromStdString(caption), QString::fromStdString(q.text), QMessageBox::NoButton,
                        QApplication::activeWindow());
        box.setObjectName(QStringLiteral("NimbrelQuestion"));
        // The text holds a path, which may hold anything.
        box.setTextFormat(Qt::PlainText);
        QPushButton* first = box.addButton(QString::fromStdString(q.firstButton), QMessageBox::AcceptRole);
        box.addButton(QString::fromStdString(q.secondButton), QMessageBox::DestructiveRole);
        box.setDefaultButton(first);
        // Closing the box is no consent to lose anything: it asks again.
        box.setEscapeButton(first);
        PlaceNear(box);
        box.exec();
        return box.clickedButton() == first;
    });
}

}  // namespace nimbrel
