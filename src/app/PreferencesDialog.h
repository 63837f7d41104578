#pragma once
// The one small preferences dialog: the place (the real-weather place, found
// by name in the place dialog, or the rss feed server and the location id),
// the update interval, the temperature unit and the start at
// log-in. OK hands the values to the owner, which saves and applies them at
// once; a refusal is shown and the dialog stays open with what was typed.
// Cancel changes nothing.
#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

#include "app/PlaceDialog.h"
#include "app/Preferences.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbrel {

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // Returns an empty text when the values were saved, otherwise the
    // message to show.
    using SaveHandler = std::function<std::string(const PreferenceValues&)>;

    PreferencesDialog(const PreferenceValues& current, SaveHandler save, QWidget* parent = nullptr);

    PreferenceValues Values() const;

    // The buttons (tests press them too).
    void OkClicked();
    void CancelClicked() { reject(); }
    // "Choose place…": the place dialog, whose OK makes its place the one
    // this dialog saves.
    void ChoosePlace();
    PlaceDialog* OpenPlaceDialog() const { return placeDialog_; }

    QLabel& PlaceName() const { return *placeName_; }
    QLineEdit& FeedServer() const { return *server_; }
    QLineEdit& LocationId() const { return *location_; }
    QLineEdit& Interval() const { return *interval_; }
    QComboBox& Unit() const { return *unit_; }
    QComboBox& WindUnitBox() const { return *windUnit_; }
    QCheckBox& Autostart() const { return *autostart_; }

private:
    void ShowPlaceName(const std::string& name);

    SaveHandler save_;
    std::string shownPlace_;
    std::optional<Place> chosen_;
    QLabel* placeName_ = nullptr;
    QPushButton* choosePlace_ = nullptr;
    QPointer<PlaceDialog> placeDialog_;
    QLineEdit* server_ = nullptr;
    QLineEdit* location_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QComboBox* unit_ = nullptr;
    QComboBox* windUnit_ = nullptr;
    QCheckBox* autostart_ = nullptr;
};

}  // namespace nimbrel
