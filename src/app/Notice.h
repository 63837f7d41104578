#pragma once
// The main window's notice: a message that does not wait for the user, one
// box at a time, its text replaced by a newer one. A notice of a failed
// fetch goes away by itself once a fetch works again.
#include <QPointer>
#include <string>

class QMessageBox;
class QWidget;

namespace nimbrel {

class Notice {
public:
    // owner lends the box its icon; the box is a window of its own.
    explicit Notice(QWidget& owner) : owner_(owner) {}
    ~Notice();
    Notice(const Notice&) = delete;
    Notice& operator=(const Notice&) = delete;

    void Show(const std::string& text);
    // A fetch the user asked for failed.
    void ShowFetchFailure(const std::string& text);
    // A fetch worked: a notice of a failed one is no longer true.
    void FetchWorked();

private:
    QWidget& owner_;
    QPointer<QMessageBox> box_;
    bool ofFetch_ = false;  // the box tells of a failed fetch
};

}  // namespace nimbrel
