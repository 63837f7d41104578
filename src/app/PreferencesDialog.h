#pragma once
// The one small preferences dialog: the place (the rss feed server and the
// location id), the update interval, the temperature unit and the start at
// log-in. OK hands the values to the owner, which saves and applies them at
// once; a refusal is shown and the dialog stays open with what was typed.
// Cancel changes nothing.
#include <QDialog>
#include <functional>
#include <string>

#include "app/Preferences.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

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

    QLineEdit& FeedServer() const { return *server_; }
    QLineEdit& LocationId() const { return *location_; }
    QLineEdit& Interval() const { return *interval_; }
    QComboBox& Unit() const { return *unit_; }
    QCheckBox& Autostart() const { return *autostart_; }

private:
    SaveHandler save_;
    QLineEdit* server_ = nullptr;
    QLineEdit* location_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QComboBox* unit_ = nullptr;
    QCheckBox* autostart_ = nullptr;
};

}  // namespace nimbrel
