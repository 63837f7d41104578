#include "app/PreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AboutBox.h"
#include "app/PlaceDialog.h"
#include "app/PlainText.h"
#include "app/WeatherExtrasText.h"
#include "platform/ui/MessageBox.h"

namespace nimbrel {

namespace {

constexpr int kPlaceNameWidth = 420;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

PreferencesDialog::PreferencesDialog(const PreferenceValues& current, SaveHandler save, QWidget* parent)
    : QDialog(parent), save_(std::move(save)) {
    setObjectName(QStringLiteral("PreferencesDialog"));
    setWindowTitle(tr("Nimbrel Preferences"));

    auto* place = new QGroupBox(tr("Place"), this);
    auto* placeForm = new QFormLayout(place);
    placeName_ = new QLabel(place);
    placeName_->setObjectName(QStringLiteral("placeName"));
    // The name comes from the place search: plain text, never HTML.
    placeName_->setTextFormat(Qt::PlainText);
    ShowPlaceName(current.placeName);
    choosePlace_ = new QPushButton(tr("C&hoose place\u2026"), place);
    choosePlace_->setObjectName(QStringLiteral("choosePlace"));
    connect(choosePlace_, &QPushButton::clicked, this, &PreferencesDialog::ChoosePlace);
    auto* placeRow = new QHBoxLayout;
    placeRow->addWidget(placeName_, 1);
    placeRow->addWidget(choosePlace_);
    placeForm->addRow(tr("Real weather:"), placeRow);
    placeForm->addRow(QString(), MakePlaceDataCredit(place));
    server_ = new QLineEdit(Q(current.feedServer), place);
    server_->setObjectName(QStringLiteral("feedServer"));
    server_->setMinimumWidth(260);
    location_ = new QLineEdit(Q(current.locationId), place);
    location_->setObjectName(QStringLiteral("locationId"));
    placeForm->addRow(tr("Feed &server:"), server_);
    placeForm->addRow(tr("&Location id:"), location_);

    auto* form = new QFormLayout;
    // A line, not a spin box: what was typed is checked and a refusal says
    // why, instead of the box silently holding the last good number.
    interval_ = new QLineEdit(Q(current.interval), this);
    interval_->setObjectName(QStringLiteral("interval"));
    interval_->setToolTip(tr("From 1 to 1440 minutes"));
    unit_ = new QComboBox(this);
    unit_->setObjectName(QStringLiteral("unit"));
    unit_->addItem(
        tr("\xC2\xB0"
           "C (Celsius)"));
    unit_->addItem(
        tr("\xC2\xB0"
           "F (Fahrenheit)"));
    unit_->setCurrentIndex(current.unit == TempUnit::Fahrenheit ? 1 : 0);
    form->addRow(tr("&Update every (minutes):"), interval_);
    form->addRow(tr("&Temperatures in:"), unit_);
    windUnit_ = new QComboBox(this);
    windUnit_->setObjectName(QStringLiteral("windUnit"));
    for (WindUnit u : kWindUnits) {
        windUnit_->addItem(WindUnitName(u), QString::fromStdString(WindUnitKey(u)));
        if (u == current.windUnit) windUnit_->setCurrentIndex(windUnit_->count() - 1);
    }
    form->addRow(tr("&Wind in:"), windUnit_);

    autostart_ = new QCheckBox(tr("Start Nimbrel in the tray when I &log in"), this);
    autostart_->setObjectName(QStringLiteral("autostart"));
    autostart_->setChecked(current.autostart);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &PreferencesDialog::OkClicked);
    connect(buttons->button(QDialogButtonBox::Cancel), &QPushButton::clicked, this, &PreferencesDialog::CancelClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(place);
    layout->addLayout(form);
    layout->addWidget(autostart_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

PreferenceValues PreferencesDialog::Values() const {
    PreferenceValues v;
    v.place = chosen_;
    v.placeName = shownPlace_;
    v.feedServer = server_->text().toStdString();
    v.locationId = location_->text().toStdString();
    v.interval = interval_->text().toStdString();
    v.unit = unit_->currentIndex() == 1 ? TempUnit::Fahrenheit : TempUnit::Celsius;
    v.windUnit = WindUnitFromKey(windUnit_->currentData().toString().toStdString());
    v.autostart = autostart_->isChecked();
    return v;
}

void PreferencesDialog::ShowPlaceName(const std::string& name) {
    shownPlace_ = name;
    if (name.empty()) {
        placeName_->setText(tr("(none chosen: the feed server below)"));
        placeName_->setToolTip(QString());
        return;
    }
    // A long name is cut to a width the dialog can hold; the tip has it whole.
    placeName_->setText(placeName_->fontMetrics().elidedText(Q(name), Qt::ElideRight, kPlaceNameWidth));
    placeName_->setToolTip(PlainToolTip(name));
}

void PreferencesDialog::ChoosePlace() {
    PlaceDialog* dialog = PlaceDialog::OpenOnce(this, placeDialog_);
    if (!dialog) return;
    // Only kept here: the store changes on this dialog's OK, not before.
    dialog->onChosen = [this](const Place& p) {
        chosen_ = p;
        ShowPlaceName(p.DisplayName());
    };
    dialog->show();
}

void PreferencesDialog::OkClicked() {
    const std::string why = save_ ? save_(Values()) : std::string();
    if (!why.empty()) {
        ShowMessage(why, tr("Nimbrel Preferences").toStdString(), MsgIcon::Warning);
        return;
    }
    accept();
}

}  // namespace nimbrel
