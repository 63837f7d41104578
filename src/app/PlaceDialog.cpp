#include "app/PlaceDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <thread>

#include "app/AboutBox.h"

namespace nimbrel {

PlaceDialog::PlaceDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PlaceDialog"));
    setWindowTitle(tr("Nimbrel - Set location"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("txtPlace"));
    field_->setPlaceholderText(tr("Town or city, such as Berlin"));
    search_ = new QPushButton(tr("Search"), this);
    search_->setObjectName(QStringLiteral("cmdSearch"));
    row->addWidget(field_, 1);
    row->addWidget(search_);
    layout->addLayout(row);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstMatches"));
    layout->addWidget(list_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setWordWrap(true);
    // What the search reported, word for word: plain text, never HTML.
    status_->setTextFormat(Qt::PlainText);
    layout->addWidget(status_);
    layout->addWidget(MakePlaceDataCredit(this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);
    layout->addWidget(buttons);
    resize(360, 280);

    connect(search_, &QPushButton::clicked, this, &PlaceDialog::Search);
    connect(field_, &QLineEdit::returnPressed, this, &PlaceDialog::Search);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int r) { ok_->setEnabled(r >= 0); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { OkPressed(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &PlaceDialog::OkPressed);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, [this] {
        if (onCancelled) onCancelled();
    });
}

void PlaceDialog::Search() {
    const std::string text = field_->text().trimmed().toStdString();
    if (text.empty() || searching_) return;
    searching_ = true;
    search_->setEnabled(false);
    status_->setText(tr("Searching…"));
    std::weak_ptr<int> alive = alive_;
    PlaceDialog* self = this;
    std::thread([self, alive, text] {
        const PlaceSearch found = SearchPlaces(text);
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [self, alive, found] {
                    if (alive.lock()) self->Found(found);
                },
                Qt::QueuedConnection);
    }).detach();
}

void PlaceDialog::Found(const PlaceSearch& search) {
    searching_ = false;
    search_->setEnabled(true);
    list_->clear();
    places_.clear();
    ok_->setEnabled(false);
    if (!search.ok) {
        // The place kept so far stays; nothing is chosen.
        status_->setText(tr("The search failed: %1").arg(QString::fromStdString(search.error)));
        return;
    }
    places_ = search.places;
    for (const Place& p : places_) list_->addItem(QString::fromStdString(p.DisplayName()));
    if (places_.empty()) {
        status_->setText(tr("No place of that name was found."));
        return;
    }
    status_->setText(tr("Choose a place and press OK."));
    list_->setCurrentRow(0);
}

PlaceDialog* PlaceDialog::OpenOnce(QWidget* parent, QPointer<PlaceDialog>& slot) {
    if (slot) {
        slot->raise();
        slot->activateWindow();
        return nullptr;
    }
    slot = new PlaceDialog(parent);
    slot->setAttribute(Qt::WA_DeleteOnClose);
    return slot;
}

void PlaceDialog::OkPressed() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(places_.size())) return;
    const Place chosen = places_[static_cast<size_t>(row)];
    done(QDialog::Accepted);
    if (onChosen) onChosen(chosen);
}

QString PlaceDialog::Status() const {
    return status_->text();
}

QStringList PlaceDialog::Matches() const {
    QStringList out;
    for (int i = 0; i < list_->count(); ++i) out << list_->item(i)->text();
    return out;
}

void PlaceDialog::ChooseRow(int row) {
    list_->setCurrentRow(row);
    OkPressed();
}

}  // namespace nimbrel
