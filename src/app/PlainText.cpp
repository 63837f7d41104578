#include "app/PlainText.h"

#include <QTextDocument>

namespace nimbrel {

QString PlainToolTip(const QString& text) {
    // Only text Qt would take for rich text is converted, so an ordinary tip
    // reaches every desktop's tray exactly as before.
    if (!Qt::mightBeRichText(text)) return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString PlainToolTip(const std::string& text) {
    return PlainToolTip(QString::fromStdString(text));
}

}  // namespace nimbrel
