#include "graph/frmGraph.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>

#include "base/Clock.h"
#include "base/SkipOnError.h"

namespace nimbrel {

frmGraph::frmGraph(GraphHost& host, QWidget* parent) : QMainWindow(parent), host_(host) {
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(tr("Nimbrel - Graph"));
    // A top-level window of its own with a sizable frame, minimise and
    // maximise boxes, listed in the task bar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);

    mscTemp_ = new ChartControl(client_);
    mscTemp_->setObjectName(QStringLiteral("mscTemp"));
    mscTemp_->SetReservedTop(kTitleHeight);
    mscTemp_->setGeometry(0, 0, kClientWidth, kClientHeight);

    txtTitle_ = new QLineEdit(QStringLiteral("Title"), client_);
    txtTitle_->setObjectName(QStringLiteral("txtTitle"));
    txtTitle_->setReadOnly(true);
    txtTitle_->setFocusPolicy(Qt::NoFocus);
    txtTitle_->setFrame(false);
    txtTitle_->setAlignment(Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPointSize(9);
    titleFont.setBold(true);
    txtTitle_->setFont(titleFont);
    // White on dark grey, by the palette: a style sheet would bring the
    // toolkit's whole style sheet engine in for this one line, and keep its
    // code and caches after the window has gone.
    QPalette titleColours = txtTitle_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        titleColours.setColor(group, QPalette::Base, QColor(0x40, 0x40, 0x40));
        titleColours.setColor(group, QPalette::Text, Qt::white);
    }
    txtTitle_->setPalette(titleColours);
    txtTitle_->setAutoFillBackground(true);
    txtTitle_->setBackgroundRole(QPalette::Base);
    txtTitle_->setGeometry(0, 0, kClientWidth, kTitleHeight);
    // The title strip lies over the top of the chart, which keeps that band
    // free of its drawing.
    txtTitle_->raise();

    BuildMenus();
    client_->installEventFilter(this);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    TakeFirstChoices();
}

frmGraph::~frmGraph() = default;

void frmGraph::BuildMenus() {
    // Every menu and item has its key (the & before it), so that the window
    // works from the keyboard alone: Alt+G, Alt+I, Alt+C, Alt+H.
    QMenuBar* bar = menuBar();
    auto item = [this](QMenu* menu, const char* name, const char* caption, bool checkable) {
        QAction* a = menu->addAction(tr(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(checkable);
        return a;
    };

    mnGraphType = bar->addMenu(tr("&Graph Type"));
    mnGraphType->setObjectName(QStringLiteral("mnGraphType"));
    mnGraphType->menuAction()->setObjectName(QStringLiteral("mnGraphType"));
    mnBoth = item(mnGraphType, "mnBoth", QT_TR_NOOP("Temperature &and Humidity"), true);
    mnTempGraph = item(mnGraphType, "mnTempGraph", QT_TR_NOOP("&Temperature"), true);
    mnHumidGraph = item(mnGraphType, "mnHumidGraph", QT_TR_NOOP("&Humidity"), true);
    mnSep1 = mnGraphType->addSeparator();
    mnSep1->setObjectName(QStringLiteral("mnSep1"));
    mn3D = item(mnGraphType, "mn3D", "&3D", true);
    mnForecast = mnGraphType->addAction(tr("Show &forecast"));
    mnForecast->setObjectName(QStringLiteral("mnForecast"));
    mnForecast->setCheckable(true);
    mnForecast->setChecked(blnShowForecast_);

    mnTimeFrame = bar->addMenu(tr("T&ime frame"));
    mnTimeFrame->setObjectName(QStringLiteral("mnTimeFrame"));
    mnTimeFrame->menuAction()->setObjectName(QStringLiteral("mnTimeFrame"));
    mnAll = item(mnTimeFrame, "mnAll", QT_TR_NOOP("&All"), true);
    mnDay = item(mnTimeFrame, "mnDay", QT_TR_NOOP("Last &24 hours"), true);
    mnWeek = item(mnTimeFrame, "mnWeek", QT_TR_NOOP("Last &Week"), true);
    mnMonth = item(mnTimeFrame, "mnMonth", QT_TR_NOOP("Last &Month"), true);
    mnSixMonths = item(mnTimeFrame, "mnSixMonths", QT_TR_NOOP("Last &Six Months"), true);
    mnYear = item(mnTimeFrame, "mnYear", QT_TR_NOOP("Last &Year"), true);

    mnCapture = bar->addAction(tr("&Capture"));
    mnCapture->setObjectName(QStringLiteral("mnCapture"));

    mnHelp = bar->addMenu(tr("&Help"));
    mnHelp->setObjectName(QStringLiteral("mnHelp"));
    mnHelp->menuAction()->setObjectName(QStringLiteral("mnHelp"));
    mnAbout = item(mnHelp, "mnAbout", QT_TR_NOOP("&About Nimbrel\xE2\x80\xA6"), false);

    // The groups give the items the look of radio items and keep a chosen
    // item checked when it is chosen again; the commands still set the marks
    // themselves (ClearMenuChecks, then their own item).
    auto* types = new QActionGroup(this);
    auto* frames = new QActionGroup(this);
    for (QAction* a : {mnBoth, mnTempGraph, mnHumidGraph}) types->addAction(a);
    for (QAction* a : {mnAll, mnDay, mnWeek, mnMonth, mnSixMonths, mnYear}) frames->addAction(a);
    mnBoth->setChecked(true);
    mnWeek->setChecked(true);

    connect(mnBoth, &QAction::triggered, this, [this] { ChooseGraphType(mnBoth, true, true, true); });
    connect(mnTempGraph, &QAction::triggered, this, [this] { ChooseGraphType(mnTempGraph, false, true, false); });
    connect(mnHumidGraph, &QAction::triggered, this, [this] { ChooseGraphType(mnHumidGraph, false, false, false); });
    connect(mn3D, &QAction::triggered, this, [this] { SwitchThreeD(); });
    connect(mnForecast, &QAction::triggered, this, [this] {
        blnShowForecast_ = mnForecast->isChecked();
        if (OnShowForecast) OnShowForecast(blnShowForecast_);
        DrawGraphWithCurrentSettings();
    });
    connect(mnAll, &QAction::triggered, this, [this] { ChooseTimeFrame(mnAll, DateSerial(1900, 1, 1), true); });
    connect(mnDay, &QAction::triggered, this, [this] { ChooseTimeFrame(mnDay, Now() - 1.0, false); });
    connect(mnWeek, &QAction::triggered, this, [this] { ChooseTimeFrame(mnWeek, Now() - 7.0, true); });
    connect(mnMonth, &QAction::triggered, this, [this] { ChooseTimeFrame(mnMonth, AddMonths(Now(), -1), true); });
    connect(mnSixMonths, &QAction::triggered, this,
            [this] { ChooseTimeFrame(mnSixMonths, AddMonths(Now(), -6), true); });
    connect(mnYear, &QAction::triggered, this, [this] { ChooseTimeFrame(mnYear, AddYears(Now(), -1), true); });
    connect(mnCapture, &QAction::triggered, this, [this] { Capture(); });
    connect(mnAbout, &QAction::triggered, this, [this] {
        if (OnAbout) OnAbout(*this);
    });
}

void frmGraph::TakeFirstChoices() {
    mscTemp_->move(0, 0);
    txtTitle_->move(0, 0);
    blnShowBoth_ = true;
    blnShowTemperature_ = true;
    datFrameStart_ = Now() - 7.0;
    blnWholeDays_ = true;
}

void frmGraph::FitToClientArea() {
    const int w = client_->width();
    const int h = client_->height();
    SkipOnError([&] { mscTemp_->resize(w, mscTemp_->height()); });
    SkipOnError([&] { mscTemp_->resize(mscTemp_->width(), h); });
    SkipOnError([&] { txtTitle_->resize(w, txtTitle_->height()); });
}

bool frmGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) FitToClientArea();
    return QMainWindow::eventFilter(watched, event);
}

void frmGraph::RestoreFrame(DateTime start, DateTime end) {
    datFrameStart_ = start;
    datFrameEnd_ = end;
}

GraphChoices frmGraph::Choices() const {
    GraphChoices c;
    c.blnShowTemperature = blnShowTemperature_;
    c.blnShowBoth = blnShowBoth_;
    c.datFrameStart = datFrameStart_;
    c.datFrameEnd = datFrameEnd_;
    c.blnWholeDays = blnWholeDays_;
    c.threeD = mn3D->isChecked();
    for (QAction* a : {mnBoth, mnTempGraph, mnHumidGraph})
        if (a->isChecked()) c.typeItem = a->objectName().toStdString();
    for (QAction* a : {mnAll, mnDay, mnWeek, mnMonth, mnSixMonths, mnYear})
        if (a->isChecked()) c.frameItem = a->objectName().toStdString();
    return c;
}

void frmGraph::RestoreChoices(const GraphChoices& c) {
    blnShowTemperature_ = c.blnShowTemperature;
    blnShowBoth_ = c.blnShowBoth;
    datFrameStart_ = c.datFrameStart;
    datFrameEnd_ = c.datFrameEnd;
    blnWholeDays_ = c.blnWholeDays;
    mn3D->setChecked(c.threeD);
    SwitchThreeD();
    ClearMenuChecks(false);
    ClearMenuChecks(true);
    for (const std::string* name : {&c.typeItem, &c.frameItem})
        if (QAction* a = MenuItem(*name); a && !name->empty()) a->setChecked(true);
}

void frmGraph::DrawGraphWithCurrentSettings() {
    datFrameEnd_ = Now();
    host_.DrawWeatherGraph(blnShowTemperature_, blnShowBoth_, datFrameStart_, datFrameEnd_, blnWholeDays_);
}

void frmGraph::ClearMenuChecks(bool blnTimeFrames) {
    if (blnTimeFrames) {
        for (QAction* a : {mnAll, mnDay, mnWeek, mnMonth, mnSixMonths, mnYear}) a->setChecked(false);
    } else {
        for (QAction* a : {mnBoth, mnTempGraph, mnHumidGraph}) a->setChecked(false);
    }
}

void frmGraph::ChooseTimeFrame(QAction* item, DateTime start, bool wholeDays) {
    ClearMenuChecks(true);
    item->setChecked(true);
    datFrameStart_ = start;
    blnWholeDays_ = wholeDays;
    DrawGraphWithCurrentSettings();
}

void frmGraph::ChooseGraphType(QAction* item, bool both, bool temperature, bool keepTemperature) {
    ClearMenuChecks(false);
    item->setChecked(true);
    blnShowBoth_ = both;
    if (!keepTemperature) blnShowTemperature_ = temperature;
    DrawGraphWithCurrentSettings();
}

void frmGraph::SwitchThreeD() {
    // The menu has already turned the mark over; the chart follows it.
    mscTemp_->SetChartType(mn3D->isChecked() ? kChartType3dLine : kChartType2dLine);
}

void frmGraph::SetShowForecast(bool show) {
    blnShowForecast_ = show;
    mnForecast->setChecked(show);
}

void frmGraph::SetForecastAvailable(bool available) {
    mnForecast->setEnabled(available);
}

void frmGraph::Capture() {
    if (OnCapture) OnCapture(*this);
}

void frmGraph::SetShowLegend(bool blnShow) {
    mscTemp_->SetShowLegend(blnShow);
}

void frmGraph::SetChartData(std::shared_ptr<const ChartGrid> grid) {
    mscTemp_->SetChartData(std::move(grid));
}

void frmGraph::SetTitleText(const std::string& text) {
    txtTitle_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    txtTitle_->setCursorPosition(0);
}

QAction* frmGraph::MenuItem(const std::string& name) const {
    return findChild<QAction*>(QString::fromStdString(name));
}

void frmGraph::Unload() {
    unloading_ = true;
    close();
}

void frmGraph::closeEvent(QCloseEvent* event) {
    if (!unloading_ && !QCoreApplication::closingDown()) {
        // The user's close: keep the window and its choices (the main
        // window lets the chart's data go until it is shown again).
        event->ignore();
        hide();
        // The native window goes, and with it the backing store (the
        // window's pixels in memory shared with the X server); showing the
        // window again makes both anew.
        destroy();
        emit HiddenByUser();
        return;
    }
    event->accept();
}

}  // namespace nimbrel
