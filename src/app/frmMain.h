#pragma once
// The main window and its monitoring cycle: a small black window that stays
// above the others and shows the current weather (today tile), three forecast
// tiles, humidity, sunrise and sunset with the sun dial, and the time of the
// last update. Three one-minute timers decide when to fetch the observation
// and the forecast, when to turn the dial and when to save settings.txt.
// Every command is reached through one pop-up menu, from the window or from
// its tray icon.
//
// A fetch runs on a worker thread so that the window goes on painting; its
// document is parsed back on this thread. A fetch asked for while another
// runs waits for it, so documents are handled in the order they were asked.
#include <QWidget>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/Preferences.h"
#include "app/modSysTray.h"
#include "controls/MiniForecast.h"
#include "controls/SunTransit.h"
#include "feeds/FeedDisplay.h"
#include "feeds/FeedRetrieval.h"
#include "graph/GraphHost.h"
#include "graph/WeatherGraph.h"
#include "store/SettingsStore.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace nimbrel {

class ControlWidget;
class PreferencesDialog;
class frmGraph;
struct GraphCaptureState;

// Why the window is being unloaded.
enum UnloadMode {
    vbFormControlMenu = 0,  // the user's close button: goes to the tray instead
    vbFormCode = 1,         // the program's own unload ("Exit Nimbrel")
    vbAppWindows = 2,       // the desktop session ends, or a signal asks the program to end
    vbAppTaskManager = 3,
};

class frmMain : public QWidget, public FeedDisplay, public GraphHost, public TrayOwner {
    Q_OBJECT
public:
    using Fetcher = std::function<HttpResult(const std::string& url)>;

    struct Config {
        std::string folder;                             // the program's folder
        std::string feedBaseUrl = kDefaultFeedBaseUrl;  // scheme and host of the feed server
        // The command line or the environment named the server: it wins
        // over the one stored in the preferences.
        bool feedUrlGiven = false;
        std::string commandLine;  // the words the "tray" rule looks at
        Fetcher fetch;            // empty: the real HTTP fetch
        // Runs when the window has unloaded (the program ends); empty:
        // QCoreApplication::exit(0).
        std::function<void()> onEnded;
    };

    static constexpr int kTimerInterval = 60000;
    static constexpr int kForecastTicks = 30;
    static constexpr int kSaveTicks = 15;

    explicit frmMain(Config config, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: sizes the window, loads the settings, shows the stored
    // reading and forecast, prepares the chart and starts the timers. Ends in
    // the tray when the command line asks for it. Fetches nothing.
    void Form_Load();
    // Shows the window in the centre of the screen (unless start-up sent it
    // to the tray).
    void ShowFirst();

    // The timers' ticks.
    void tmrSun_Timer();
    void tmrWeather_Timer();
    void tmrForecast_Timer();

    // The menu commands.
    void mnCancel_Click() {}
    void mnUpdateCurrent_Click();
    void mnUpdateForecast_Click();
    void mnRestore_Click();
    void mnShowGraph_Click() { ShowGraphWindow(); }
    // Opens the preferences dialog (not modal: the window goes on showing
    // the weather meanwhile); a second click raises the open one.
    void mnPreferences_Click();
    void mnExit_Click();

    // The close request: true cancels the unload.
    bool Form_QueryUnload(int UnloadMode);
    // Unloads the window for the given reason (not the close button's):
    // saves, removes the tray icon, unloads the graph window, ends.
    void UnloadForm(int UnloadMode);
    bool Unloaded() const { return unloaded_; }

    // Pop-up menu at the mouse position, with no default item.
    void ShowTrayMenu();
    void SendToTray();
    void RestoreFromTray();
    void ShowGraphWindow();
    // The window's mouse-move handler, X in twips; the tray's messages come
    // here while the icon is shown.
    void Form_MouseMove(float X);

    // FeedDisplay: what the feed parsers show.
    void UpdateTodayTile(const std::string& caption, const std::string& description, int temperature) override;
    void SetHumidityCaption(const std::string& caption) override;
    void SetLastUpdateCaption(const std::string& caption) override;
    void RedrawGraph() override;
    void UpdateForecastTile(int index, const std::string& caption, const std::string& description,
                            int temperature) override;
    void SetForecastToolTip(int index, const std::string& text) override;
    void SetSunriseCaption(const std::string& caption) override;
    void SetSunsetCaption(const std::string& caption) override;
    void SetSunUp(DateTime time) override;
    void SetSunDown(DateTime time) override;

    // GraphHost
    void DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                          bool blnAutoTime) override;
    bool& blnGraphShow() override { return blnGraphShow_; }

    // TrayOwner
    void TrayMouseMove(float X) override { Form_MouseMove(X); }
    QIcon TrayIconPicture() const override;

    // The preferences in force, and what the dialog's OK does with new ones:
    // saves and applies them at once; a message, and nothing changed, when
    // they are refused.
    PreferenceValues CurrentPreferenceValues() const;
    std::string PreferencesOk(const PreferenceValues& values);
    PreferencesDialog* PreferencesWindow() const { return preferences_; }

    // Fetching: asks for the document of the kind at the URL; runs now or
    // after the fetch that is running.
    void FetchFeed(const std::string& Url);
    bool FetchRunning() const { return fetching_; }
    size_t FetchesWaiting() const { return queue_.size(); }
    // Number of documents handled (accepted or not) so far.
    int FetchesDone() const { return fetchesDone_; }

    // --- state, for the program's pieces and for tests ---
    SettingsStore& Store() { return store_; }
    const FeedUrls& Urls() const { return urls_; }
    const std::string& CommandLine() const { return commandLine_; }
    int16_t SunTicks() const { return SunTicks_; }
    int16_t WeatherTicks() const { return WeatherTicks_; }
    int16_t ForecastTicks() const { return ForecastTicks_; }
    bool FetchingForecast() const { return FetchingForecast_; }
    controls::MiniForecast& MFC_Today() { return today_; }
    controls::MiniForecast& MiniFC(int index) { return tiles_.at(size_t(index)); }
    controls::SunTransit& SunTransit1() { return sun_; }
    ControlWidget& TodayWidget() const { return *todayWidget_; }
    ControlWidget& TileWidget(int index) const { return *tileWidgets_.at(size_t(index)); }
    ControlWidget& SunWidget() const { return *sunWidget_; }
    QLabel& lblSunrise() const { return *lblSunrise_; }
    QLabel& lblSunset() const { return *lblSunset_; }
    QLabel& lblHumidTitle() const { return *lblHumidTitle_; }
    QLabel& lblHumid() const { return *lblHumid_; }
    QLabel& lblLastTime() const { return *lblLastTime_; }
    const std::string& TileToolTip(int index) const { return tileTips_.at(size_t(index)); }
    QMenu& mnSysTray() const { return *mnSysTray_; }
    QAction& mnRestore() const { return *mnRestore_; }
    QAction* MenuItem(const std::string& name) const;
    QTimer& tmrSun() const { return *tmrSun_; }
    QTimer& tmrWeather() const { return *tmrWeather_; }
    QTimer& tmrForecast() const { return *tmrForecast_; }
    frmGraph* GraphWindow() const { return graph_.get(); }
    int PaintCount() const { return paints_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct FetchRequest {
        FeedKind kind;
        std::string url;
    };

    void BuildWindow();
    void BuildMenu();
    QLabel* MakeLabel(const char* name, int left, int top, int width, int height, QColor colour, const char* face,
                      double points, bool bold, const char* caption);
    void BuildFeedUrls();
    void PlaceCentred();
    void ShowLoaded();
    frmGraph& EnsureGraph();
    void StartNextFetch();
    void FetchDone(const FetchRequest& request, const HttpResult& result);
    void Ended();
    void RememberPlaces();
    void RefreshTray();
    void ShowInUnit();

    Config config_;
    SettingsStore store_;
    FeedUrls urls_;
    WeatherGraph chart_;
    std::string commandLine_;

    int16_t SunTicks_ = 0;
    int16_t WeatherTicks_ = 0;
    int16_t ForecastTicks_ = 0;
    bool FetchingForecast_ = false;
    bool blnGraphShow_ = false;

    controls::MiniForecast today_;
    std::array<controls::MiniForecast, 3> tiles_;
    controls::SunTransit sun_;
    ControlWidget* todayWidget_ = nullptr;
    std::array<ControlWidget*, 3> tileWidgets_{};
    ControlWidget* sunWidget_ = nullptr;
    std::array<std::string, 3> tileTips_;
    QLabel* lblSunrise_ = nullptr;
    QLabel* lblSunset_ = nullptr;
    QLabel* lblHumidTitle_ = nullptr;
    QLabel* lblHumid_ = nullptr;
    QLabel* lblLastTime_ = nullptr;

    QMenu* mnSysTray_ = nullptr;
    QAction* mnCancel_ = nullptr;
    QAction* mnUpdateCurrent_ = nullptr;
    QAction* mnUpdateForecast_ = nullptr;
    QAction* mnRestore_ = nullptr;
    QAction* mnShowGraph_ = nullptr;
    QAction* mnPreferences_ = nullptr;
    PreferencesDialog* preferences_ = nullptr;
    // Where the windows stood when first placed: a place equal to it is the
    // default, and not kept in the settings file.
    std::string centredPlace_, graphFirstPlace_;
    QAction* mnExit_ = nullptr;

    QTimer* tmrSun_ = nullptr;
    QTimer* tmrWeather_ = nullptr;
    QTimer* tmrForecast_ = nullptr;

    std::unique_ptr<frmGraph> graph_;
    std::shared_ptr<GraphCaptureState> capture_;

    std::deque<FetchRequest> queue_;
    bool fetching_ = false;
    int fetchesDone_ = 0;
    // Lives as long as the window; a fetch that ends after the window has
    // gone finds it expired and drops its document.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    bool loaded_ = false;
    bool unloading_ = false;
    bool unloaded_ = false;
    bool placed_ = false;
    bool minimisedForTray_ = false;
    bool pressed_ = false;
    int paints_ = 0;
};

// True when a fetch of any main window is still running on its worker
// thread (the program then ends without waiting for it).
bool AnyFetchRunning();

}  // namespace nimbrel
