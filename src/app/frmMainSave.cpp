// The main window's saves of settings.txt, and what it has to tell of them.
#include "app/SaveOutcome.h"
#include "app/frmMain.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

void frmMain::Save() {
    RememberPlaces();
    // The save writes the lists straight from memory and keeps no copy of
    // them, so there is nothing to hand back to the system afterwards. Its
    // flushes to the disk would hold the window for milliseconds; they end
    // on a thread of their own, and the outcome comes back as OnSaved.
    state_->SaveInBackground();
    // What the store has to tell about the file (a damaged file kept aside,
    // a settings path that is no file), once.
    ShowStoreNotice();
}

void frmMain::OnSaved(bool ok) {
    if (unloading_ || unloaded_) return;
    if (ok) {
        saveFailing_ = false;
        return;
    }
    if (saveFailing_) return;
    saveFailing_ = true;
    ShowNotice(tr("%1 cannot save its history to %2: %3. It keeps it in memory and tries again every minute.")
                   .arg(QString::fromUtf8(kAppTitle), QString::fromStdString(store_.SettingsPath),
                        QString::fromStdString(SaveFailureReason(store_)))
                   .toStdString());
}

void frmMain::TellOnce(const std::string& key, const std::string& text) {
    if (!store_.Extra(key).empty()) return;
    store_.SetExtra(key, "1");
    ShowNotice(text);
}

void frmMain::ShowStoreNotice() {
    if (const std::string notice = store_.TakeNotice(); !notice.empty()) ShowNotice(notice);
}

void frmMain::ShowNotice(const std::string& text) {
    notice_.Show(text);
}

}  // namespace nimbrel
