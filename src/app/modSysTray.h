#pragma once
// The one notification-area icon of the program. The module keeps the record
// last handed to the tray and the flag that says whether the icon is shown;
// the flag follows the calls, not the tray's answer. Clicks on the icon
// reach the owning window as Activated events.
#include <QIcon>
#include <functional>
#include <memory>
#include <string>

namespace nimbrel {

// What the user did on the icon.
enum class TrayClick {
    Click,        // the primary button
    DoubleClick,  // the primary button, twice
    Context,      // the context-menu button
    Middle,       // the middle button
};

// The window that owns the icon and hears its clicks.
class TrayOwner {
public:
    virtual ~TrayOwner() = default;
    virtual void Activated(TrayClick click) = 0;
    virtual QIcon TrayIconPicture() const = 0;
};

// What the module hands the tray: the record, in the platform's terms.
struct NotifyIconData {
    TrayOwner* hWnd = nullptr;
    unsigned uID = 0;
    unsigned uFlags = 0;
    QIcon hIcon;
    std::string szTip;  // at most 63 characters: what the tray shows
};

constexpr unsigned NIM_ADD = 0;
constexpr unsigned NIM_MODIFY = 1;
constexpr unsigned NIM_DELETE = 2;

// The notification area itself. The program uses the Qt tray; tests plug in
// a recorder.
class TrayHost {
public:
    virtual ~TrayHost() = default;
    // False when the desktop has no notification area.
    virtual bool Available() const = 0;
    // NIM_ADD, NIM_MODIFY (a new picture or tip) or NIM_DELETE. The host reports clicks on the icon through
    // Deliver.
    virtual void NotifyIcon(unsigned message, const NotifyIconData& record) = 0;

    // Called by the host for a click on the icon: reaches the owner while
    // the icon is shown.
    void Deliver(TrayClick click);
};

// Replaces the tray (tests); returns the previous one. Null restores the Qt
// tray.
std::shared_ptr<TrayHost> SetTrayHost(std::shared_ptr<TrayHost> host);
TrayHost& CurrentTrayHost();

// The flag: true from AddTrayIcon until RemoveTrayIcon.
bool blnIconShown();
void AddTrayIcon(TrayOwner& frmOwner, const std::string& strTip);
void RemoveTrayIcon();
// A new tip for the shown icon, whole: the status lines it carries are
// longer than the 63 characters of the first tip, and a tray that shows
// tool tips shows them in full.
void SetTrayTip(const std::string& tip);
// A new picture and tip, whole, for the shown icon (a new reading);
// nothing reaches the tray when neither changed or no icon is shown.
void UpdateTrayIcon(const QIcon& icon, const std::string& tip);
// The record last sent (tests).
const NotifyIconData& NotifyRecord();

// The tip as the tray shows it: the first 63 characters (whole UTF-8
// characters; the tray reads 64 bytes including the terminating NUL).
std::string TrayTip(const std::string& text);

}  // namespace nimbrel
