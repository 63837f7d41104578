#pragma once
// The main window: a small black window that stays above the others and
// shows the current weather (today tile), three forecast tiles, humidity,
// sunrise and sunset with the sun dial, and the time of the last update.
// It is a view of the WeatherState it owns: it draws what the state holds
// when the state says it changed. The FetchCycle fetches (its timers, the
// Schedule, the worker threads) and hands each reading to the state; the
// TrayIcon is its notification-area icon.
// Every command is reached through one pop-up menu, from the window or from
// its tray icon.
//
// The window's member functions are kept in files by job: frmMain.cpp (the
// window, its layout and what it shows), frmMainStart.cpp (start-up and
// unloading), frmMainTray.cpp (the tray and the window's coming and going),
// frmMainCommands.cpp (the menu commands, preferences and places),
// frmMainSave.cpp (saving, and what the window tells of it).
#include <QByteArray>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/FetchCycle.h"
#include "app/Notice.h"
#include "app/PlaceDialog.h"
#include "app/Preferences.h"
#include "app/Schedule.h"
#include "app/TrayIcon.h"
#include "app/WeatherState.h"
#include "app/modSysTray.h"
#include "controls/MiniForecast.h"
#include "controls/SunTransit.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/PlaceSearch.h"
#include "feeds/WeatherSource.h"
#include "graph/GraphHost.h"
#include "graph/WeatherGraph.h"
#include "store/SettingsStore.h"

class QAction;
class QLabel;
class QMenu;

namespace nimbrel {

class ControlWidget;
class PreferencesDialog;
class frmGraph;
struct GraphChoices;
struct GraphCaptureState;

// Why the window is being unloaded.
enum class UnloadReason {
    CloseButton,  // the user's close button: goes to the tray instead
    Code,         // the program's own unload ("Exit Nimbrel")
    Session,      // the desktop session ends, or a signal asks the program to end
};

class frmMain : public QWidget, public GraphHost {
    Q_OBJECT
public:
    using Fetcher = std::function<HttpResult(const std::string& url)>;

    struct Config {
        std::string folder;                             // the program's folder
        std::string feedBaseUrl = kDefaultFeedBaseUrl;  // scheme and host of the feed server
        // A feed server was named (--feed or NIMBREL_FEED): it wins over the
        // one stored in the preferences, and the stored place waits until
        // the user chooses one again.
        bool feedNamed = true;
        std::string commandLine;  // the words the "tray" rule looks at
        Fetcher fetch;            // empty: the real HTTP fetch
        // Runs when the window has unloaded (the program ends); empty:
        // QCoreApplication::exit(0).
        std::function<void()> onEnded;
        // The place --place found: stored at start-up and used at once.
        std::optional<Place> place;
        // A first start (no settings.txt) may open "Set location…" once.
        bool mayAskForPlace = false;
    };

    static constexpr int kTimerInterval = FetchCycle::kTimerInterval;

    explicit frmMain(Config config, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: sizes the window, loads the settings, shows the stored
    // reading and forecast, prepares the chart and starts the timers. Ends in
    // the tray when the command line asks for it. Fetches nothing.
    void Load();
    // Shows the window in the centre of the screen (unless start-up sent it
    // to the tray).
    void ShowFirst();

    // The timers' ticks: turn the dial and save now and then, fetch the
    // observation, fetch the forecast.
    void OnSunTick();
    void OnWeatherTick();
    void OnForecastTick();

    // The observation, then the forecast, fetched at once (--fetch-now).
    // Unlike the menu commands, a failure is told only in the tool tips.
    void FetchBoth();

    // The menu commands.
    void UpdateCurrent();
    void UpdateForecast();
    // "Send to system tray" or "Restore", whichever the window is not.
    void ToggleTray();
    // Another start of the program on this folder: the window comes back
    // from the tray or from being minimised and is raised.
    void BringToFront();
    void ShowGraphWindow();
    // The preferences dialog, not modal (the window goes on showing the
    // weather meanwhile); its OK saves and applies the values at once.
    void ShowPreferences();
    // "About Nimbrel…" (also in the graph window's Help menu).
    // A notice told once for the program's folder: the key in the
    // settings file's own section remembers that it was told.
    void TellOnce(const std::string& key, const std::string& text);
    void ShowAbout();
    void Exit();
    // "Set location…": opens the place dialog (not modal).
    void SetLocation();
    // Stores the place, fetches from it at once and names it in the title.
    void UsePlace(const Place& place);
    PlaceDialog* OpenPlaceDialog() const { return placeDialog_; }
    // A click on forecast tile index: its forecast in a message, with the
    // weather service's attribution when the data is its.
    void ShowTileMessage(int index);

    // Unloads the window for the given reason: the close button sends it to
    // the tray instead; any other saves, removes the tray icon, unloads the
    // graph window and ends.
    void Unload(UnloadReason reason);
    bool Unloaded() const { return unloaded_; }
    // 1 when the exit save failed (the reason went to standard error), else 0.
    int ExitStatus() const { return exitStatus_; }

    // The machine has woken from sleep or the network has come back: the
    // observation is fetched at once, the forecast too when it is older than
    // 30 minutes. The program calls it from the session bus and the network
    // watch, and the sun tick when the wall clock jumped.
    void OnResumed();

    // Pop-up menu at the mouse position, with no default item.
    void ShowTrayMenu();
    void SendToTray();
    void RestoreFromTray();

    // The weather the window shows.
    const WeatherState& State() const { return *state_; }

    // GraphHost
    void DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                          bool blnAutoTime) override;
    // Whether the graph window is meant to be on the screen.
    bool blnGraphShow() const { return blnGraphShow_; }

    // The window's tool tip and the tray's: what the last fetch of each kind
    // did, or the title while nothing has been fetched.
    std::string StatusTip() const;
    // What the store found wrong with the file, told once in the notice.
    void ShowStoreNotice();
    std::string StatusLines() const;
    std::string TrayTip() const;
    // The line of extra values under the "Now" tile's and forecast tile
    // index's texts (empty when the source gave none).
    QString NowExtras() const;
    QString DayExtras(int index) const;
    // The hourly forecast after the history in the graph window's chart,
    // when the user has it shown.
    void ShowChartForecast();
    void ShowNowExtras();

    // The fetches asked for, running and handled. Tests wait on it: a
    // document that changes nothing on the screen leaves no other trace.
    const Schedule& Fetches() const { return cycle_->Fetches(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The menu item that sends the window to the tray, or brings it back.
    // The & marks the item's key in the menu; the text is the same.
    static constexpr const char* kSendToTray = QT_TR_NOOP("Send to system &tray");
    static constexpr const char* kRestore = QT_TR_NOOP("&Restore");

    void BuildWindow();
    void BuildMenu();
    // The window's size and colours, set when it is loaded.
    void FinishLayout();
    QLabel* MakeLabel(const char* name, int left, int top, int width, int height, QColor colour, const char* face,
                      double points, bool bold, const char* caption);
    void BuildFeedUrls();
    void PlaceCentred();
    // The state's listeners.
    void ShowReading(bool fresh);
    void ShowForecast();
    // The forecast tiles and the sun times back to empty: no forecast.
    void ClearForecast();
    void ShowInUnit();
    void RedrawGraph();
    void OnFetched(const FetchOutcome& outcome);
    frmGraph& EnsureGraph();
    // A graph window closed by the user goes, with its native window, its
    // menus and their pixels; its choices and its place are kept for the
    // next one.
    void DropGraphWindow();
    void RememberGraphPlace();
    void OnTrayActivated(TrayClick click);
    // True when the unload is cancelled (the close button).
    bool QueryUnload(UnloadReason reason);
    // Another place: its weather is not yet known, and the old one's goes.
    void ForgetPlaceWeather();
    // After a failed save at "Exit Nimbrel": true to try the save again.
    bool AskToSaveAgain();
    void ShowLastUpdate();
    // What the window says in its last line while it has no reading.
    enum class NoReading { Waiting, Unreachable, NoPlace };
    QString NoReadingText() const;
    // The dial's sentences, again each minute as the sun moves.
    void DescribeSun();
    void DescribeChart(bool blnTemperature, bool blnBothGraphs);
    // The pop-up menu opened from the keyboard, at the focused part.
    void ShowKeyboardMenu();
    // The window takes the keyboard when it is raised or clicked.
    void TakeFocus();
    void ShowForecastAge();
    void ShowStatus();
    void Save();
    // The outcome of a regular save, once its file is on the disk.
    void OnSaved(bool ok);
    // A message that does not wait for the user (see Notice).
    void ShowNotice(const std::string& text);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Ended();
    std::string SavePreferences(const PreferenceValues& values);
    void RememberPlaces();
    void RefreshTray();
    void ChooseSource();

    Config config_;
    // Children of the window, made first and gone last.
    WeatherState* state_ = nullptr;
    SettingsStore& store_;
    FetchCycle* cycle_ = nullptr;
    TrayIcon* tray_ = nullptr;
    // Guarded pointers: a dialog closed by the user deletes itself, and one
    // still open goes with the window's children.
    QPointer<PlaceDialog> placeDialog_;
    WeatherGraph chart_;
    bool blnGraphShow_ = false;
    // The user closed the graph window: it went with its chart data
    // (megabytes with "All"), and a new one is made and drawn when it is
    // shown again rather than at each reading while nobody sees it.
    bool graphDropped_ = false;

    controls::MiniForecast today_;
    std::array<controls::MiniForecast, 3> tiles_;
    controls::SunTransit sun_;
    ControlWidget* todayWidget_ = nullptr;
    std::array<ControlWidget*, 3> tileWidgets_{};
    ControlWidget* sunWidget_ = nullptr;
    QLabel* lblSunrise_ = nullptr;
    QLabel* lblSunset_ = nullptr;
    QLabel* lblHumidTitle_ = nullptr;
    QLabel* lblHumid_ = nullptr;
    QLabel* lblLastTime_ = nullptr;

    QMenu* mnSysTray_ = nullptr;
    QAction* mnRestore_ = nullptr;
    QPointer<PreferencesDialog> preferences_;
    // Where the windows stood when first placed: a place equal to it is the
    // default, and not kept in the settings file.
    std::string centredPlace_, graphFirstPlace_;

    std::unique_ptr<frmGraph> graph_;
    // The graph window is made the first time it is needed (shown, or drawn
    // by its own controls): until then a chart asked for is only remembered,
    // and drawn from the history as it is then. A window that is never
    // opened costs its menus, its chart bitmap and the toolkit's image
    // readers nothing.
    struct ChartRequest {
        bool blnTemperature, blnBothGraphs;
        DateTime datStart, datEnd;
        bool blnAutoTime;
        DateTime redrawnAt = 0;  // the last redraw asked for meanwhile, 0 for none
    };
    std::optional<ChartRequest> pendingChart_;
    std::shared_ptr<GraphCaptureState> capture_;
    // What a graph window closed by the user left for the next one.
    std::unique_ptr<GraphChoices> graphChoices_;
    QByteArray graphGeometry_;

    bool loaded_ = false;
    bool unloading_ = false;
    bool unloaded_ = false;
    bool placed_ = false;
    bool minimisedForTray_ = false;
    // SendToTray is running: the minimise it asks for is its own.
    bool sendingToTray_ = false;
    // Minimised by the window manager with no tray to go to: it has a task
    // bar button until it is restored.
    bool minimisedByManager_ = false;
    // Just brought back from the tray: a minimise now is not the user's.
    bool restoring_ = false;
    bool pressed_ = false;

    // The "Last update" caption as the parser gave it, before its age.
    std::string lastUpdateCaption_;
    int lastTimePixels_ = 9;
    bool sunKnown_ = false;
    NoReading noReading_ = NoReading::Waiting;
    std::string observationStatus_, forecastStatus_;
    bool saveFailing_ = false;
    int exitStatus_ = 0;
    Notice notice_{*this};
};

}  // namespace nimbrel
