#pragma once
// "Set location…": a search field, the matches as "Name, Region, Country",
// OK and Cancel. The search runs on a worker thread so the dialog (and the
// main window behind it) go on painting; a failed search says so in the
// dialog and chooses nothing. OK hands the chosen place to onChosen; Cancel
// and the close button hand nothing.
#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "feeds/PlaceSearch.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nimbrel {

class PlaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlaceDialog(QWidget* parent = nullptr);

    // One dialog per owner: raises the one slot holds and returns null, or
    // makes a new one for parent (deleted when closed) for the caller to
    // give its handlers and show.
    static PlaceDialog* OpenOnce(QWidget* parent, QPointer<PlaceDialog>& slot);

    std::function<void(const Place&)> onChosen;
    std::function<void()> onCancelled;

    // Starts a search for the field's text (the Search button, Enter).
    void Search();
    // What the dialog shows, for tests: the status line and the matches.
    QString Status() const;
    QStringList Matches() const;
    bool Searching() const { return searching_; }
    // Selects a match and presses OK (tests).
    void ChooseRow(int row);

    QLineEdit* Field() const { return field_; }

private:
    void Found(const PlaceSearch& search);
    void OkPressed();

    QLineEdit* field_ = nullptr;
    QPushButton* search_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* ok_ = nullptr;
    std::vector<Place> places_;
    bool searching_ = false;
    // Lives as long as the dialog; a search that ends after it has gone
    // finds it expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace nimbrel
