#pragma once
// The graph window: the reading history as a chart under a one-line title,
// with menus for the kind of graph, a three-dimensional look, the time frame,
// a capture command and Help (the program's About box). The window never
// reads the history itself; it keeps the user's choices and hands them to the
// main window's DrawWeatherGraph, which fills the chart and the title through
// this window's ChartTarget side.
//
// Closing it by the user only hides it and says so (HiddenByUser); whoever
// owns the window may then keep its Choices, let the window go, and make a
// new one with them when it is wanted again. Otherwise the window lives until
// the program unloads it with Unload.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "base/DateTime.h"
#include "graph/GraphHost.h"
#include "platform/chart/ChartControl.h"
#include "platform/chart/ChartTarget.h"

class QAction;
class QLineEdit;
class QMenu;
class QWidget;

namespace nimbrel {

// What the user chose in the window: its kind of graph, its time frame and
// the three-dimensional look, with the menu items that show them.
struct GraphChoices {
    bool blnShowTemperature = true;
    bool blnShowBoth = true;
    DateTime datFrameStart = 0;
    DateTime datFrameEnd = 0;
    bool blnWholeDays = true;
    bool threeD = false;
    std::string typeItem;   // the checked item of "Graph Type" ("mnBoth", ...)
    std::string frameItem;  // the checked item of "Time frame" ("mnWeek", ...)
};

class frmGraph : public QMainWindow, public ChartTarget {
    Q_OBJECT
public:
    // The client area at first, in pixels (6420 x 5430 twips).
    static constexpr int kClientWidth = 428;
    static constexpr int kClientHeight = 362;
    static constexpr int kTitleHeight = 17;

    // Builds the window with its first choices; does not draw and does not show.
    explicit frmGraph(GraphHost& host, QWidget* parent = nullptr);
    ~frmGraph() override;

    // Takes the stored choices, with the end of the frame now, to the main
    // window's DrawWeatherGraph.
    void DrawGraphWithCurrentSettings();

    // The frame a window made at `start` + 7 days would hold, last drawn
    // with its end at `end` (0: never drawn with the stored choices). The
    // main window makes this window only when it is first opened, and gives
    // it the frame it would have had if it had been made at start-up.
    void RestoreFrame(DateTime start, DateTime end);

    // The user's choices, and a new window given those of one before it
    // (nothing is drawn).
    GraphChoices Choices() const;
    void RestoreChoices(const GraphChoices& choices);

    // Closes the window for good (the program's unload), as opposed to the
    // user's close, which only hides it.
    void Unload();

    // ChartTarget: what DrawWeatherGraph sets on mscTemp and txtTitle.
    void SetShowLegend(bool blnShow) override;
    void SetChartData(std::shared_ptr<const ChartGrid> grid) override;
    void SetTitleText(const std::string& text) override;

    // The "Capture" command. Does nothing until the capture command is
    // plugged in here (or a subclass overrides Capture).
    std::function<void(frmGraph&)> OnCapture;
    // "Show forecast" switched by the user, with its new state: the main
    // window remembers it and draws the chart again.
    std::function<void(bool)> OnShowForecast;
    // The item's mark, as remembered; whether the source has a forecast to
    // show (the item is greyed without one).
    void SetShowForecast(bool show);
    void SetForecastAvailable(bool available);
    bool blnShowForecast() const { return blnShowForecast_; }

    // "Help > About Nimbrel…": the program's About box, which lives above
    // this window; nothing happens until the main window plugs it in.
    std::function<void(frmGraph&)> OnAbout;

    // Menu items by their names ("mnBoth", "mnWeek", "mn3D", "mnCapture",
    // ...); null for an unknown name. Triggering one runs its command.
    QAction* MenuItem(const std::string& name) const;
    ChartControl& mscTemp() const { return *mscTemp_; }
    QLineEdit& txtTitle() const { return *txtTitle_; }
    // The client area (below the menu bar), where the chart and title live.
    QWidget& ClientArea() const { return *client_; }

    // The stored choices.
    bool blnShowTemperature() const { return blnShowTemperature_; }
    bool blnShowBoth() const { return blnShowBoth_; }
    DateTime datFrameStart() const { return datFrameStart_; }
    DateTime datFrameEnd() const { return datFrameEnd_; }
    bool blnWholeDays() const { return blnWholeDays_; }

signals:
    // The user closed the window: it is hidden, with its choices; whoever
    // draws it may let its chart go and draw it again when it is shown.
    void HiddenByUser();

protected:
    virtual void Capture();
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TakeFirstChoices();
    void FitToClientArea();
    void BuildMenus();
    void ClearMenuChecks(bool blnTimeFrames);
    void ChooseTimeFrame(QAction* item, DateTime start, bool wholeDays);
    void ChooseGraphType(QAction* item, bool both, bool temperature, bool keepTemperature);
    void SwitchThreeD();

    GraphHost& host_;
    QWidget* client_ = nullptr;
    ChartControl* mscTemp_ = nullptr;
    QLineEdit* txtTitle_ = nullptr;

    QMenu* mnGraphType = nullptr;
    QAction* mnBoth = nullptr;
    QAction* mnTempGraph = nullptr;
    QAction* mnHumidGraph = nullptr;
    QAction* mnSep1 = nullptr;
    QAction* mn3D = nullptr;
    QAction* mnForecast = nullptr;
    QMenu* mnTimeFrame = nullptr;
    QAction* mnAll = nullptr;
    QAction* mnDay = nullptr;
    QAction* mnWeek = nullptr;
    QAction* mnMonth = nullptr;
    QAction* mnSixMonths = nullptr;
    QAction* mnYear = nullptr;
    QAction* mnCapture = nullptr;
    QMenu* mnHelp = nullptr;
    QAction* mnAbout = nullptr;

    bool blnShowTemperature_ = true;
    bool blnShowBoth_ = true;
    DateTime datFrameStart_ = 0;
    DateTime datFrameEnd_ = 0;
    bool blnWholeDays_ = true;
    bool blnShowForecast_ = true;
    bool unloading_ = false;
};

}  // namespace nimbrel
