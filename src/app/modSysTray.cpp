#include "app/modSysTray.h"

#include <QObject>
#include <QSystemTrayIcon>

#include "app/PlainText.h"

namespace nimbrel {

namespace {

constexpr unsigned NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;
constexpr size_t kTipCharacters = 63;

// The Qt notification area: one QSystemTrayIcon made when the icon is added
// and dropped when it is removed, so nothing stays in the tray after that.
class QtTrayHost : public TrayHost {
public:
    bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void NotifyIcon(unsigned message, const NotifyIconData& record) override {
        if (message == NIM_DELETE) {
            icon_.reset();
            return;
        }
        if (message == NIM_MODIFY) {
            if (!icon_) return;
            icon_->setIcon(record.hIcon);
            icon_->setToolTip(PlainToolTip(record.szTip));
            return;
        }
        if (message != NIM_ADD || icon_) return;
        icon_ = std::make_unique<QSystemTrayIcon>(record.hIcon);
        icon_->setToolTip(PlainToolTip(record.szTip));
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason r) {
            switch (r) {
                case QSystemTrayIcon::Trigger:
                    Deliver(TrayClick::Click);
                    break;
                case QSystemTrayIcon::DoubleClick:
                    Deliver(TrayClick::DoubleClick);
                    break;
                case QSystemTrayIcon::Context:
                    Deliver(TrayClick::Context);
                    break;
                case QSystemTrayIcon::MiddleClick:
                    Deliver(TrayClick::Middle);
                    break;
                default:
                    break;
            }
        });
        icon_->show();
    }

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
};

struct TrayState {
    bool shown = false;
    NotifyIconData record;
    std::shared_ptr<TrayHost> host;
};

TrayState& State() {
    static TrayState s;
    return s;
}

}  // namespace

void TrayHost::Deliver(TrayClick click) {
    const NotifyIconData& r = State().record;
    if (!State().shown || !r.hWnd) return;
    r.hWnd->Activated(click);
}

std::shared_ptr<TrayHost> SetTrayHost(std::shared_ptr<TrayHost> host) {
    auto old = std::move(State().host);
    State().host = std::move(host);
    return old;
}

TrayHost& CurrentTrayHost() {
    if (!State().host) State().host = std::make_shared<QtTrayHost>();
    return *State().host;
}

bool blnIconShown() {
    return State().shown;
}

std::string TrayTip(const std::string& text) {
    size_t chars = 0, i = 0;
    while (i < text.size() && chars < kTipCharacters) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        i = std::min(text.size(), i + len);
        ++chars;
    }
    return text.substr(0, i);
}

void AddTrayIcon(TrayOwner& frmOwner, const std::string& strTip) {
    TrayState& s = State();
    if (s.shown) return;
    NotifyIconData r;
    r.hWnd = &frmOwner;
    r.uID = 1;
    r.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    r.hIcon = frmOwner.TrayIconPicture();
    r.szTip = TrayTip(strTip);
    s.record = r;
    CurrentTrayHost().NotifyIcon(NIM_ADD, s.record);
    s.shown = true;
}

void RemoveTrayIcon() {
    TrayState& s = State();
    if (!s.shown) return;
    CurrentTrayHost().NotifyIcon(NIM_DELETE, s.record);
    s.shown = false;
}

void UpdateTrayIcon(const QIcon& icon, const std::string& tip) {
    TrayState& s = State();
    if (!s.shown) return;
    if (tip == s.record.szTip && icon.cacheKey() == s.record.hIcon.cacheKey()) return;
    s.record.hIcon = icon;
    s.record.szTip = tip;
    CurrentTrayHost().NotifyIcon(NIM_MODIFY, s.record);
}

const NotifyIconData& NotifyRecord() {
    return State().record;
}

}  // namespace nimbrel
