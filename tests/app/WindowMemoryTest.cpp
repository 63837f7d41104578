#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "AppTestSupport.h"
#include "app/TrayIconPicture.h"
#include "app/WindowMemory.h"

namespace nimbrel {
namespace {

using apptest::TempFolder;

TEST(WindowMemory, PlacesComeBackAfterARestartAndOffScreenOnesAreBroughtBack) {
    apptest::EnsureApp();
    TempFolder folder;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    {
        SettingsStore store;
        store.SetFolder(folder.Str());
        store.LoadSettings();
        QWidget main, graph;
        main.resize(171, 98);
        main.move(screen.x() + 40, screen.y() + 30);
        graph.resize(300, 200);
        graph.move(screen.x() + 10, screen.y() + 20);
        RememberWindowPlace(main, store, kMainWindowKey, false);
        RememberWindowPlace(graph, store, kGraphWindowKey, true);
        store.SaveSettings();
    }
    SettingsStore store;
    store.SetFolder(folder.Str());
    store.LoadSettings();
    QWidget main, graph;
    main.resize(171, 98);
    ASSERT_TRUE(RestoreWindowPlace(main, store, kMainWindowKey, false));
    ASSERT_TRUE(RestoreWindowPlace(graph, store, kGraphWindowKey, true));
    EXPECT_EQ(main.pos(), QPoint(screen.x() + 40, screen.y() + 30));
    EXPECT_EQ(graph.pos(), QPoint(screen.x() + 10, screen.y() + 20));
    EXPECT_EQ(graph.size(), QSize(300, 200));

    // Far off every screen, and larger than the screen: back on it, whole.
    store.SetExtra(kMainWindowKey, "-900000,900000");
    store.SetExtra(kGraphWindowKey, "5000,5000," + std::to_string(screen.width() + 500) + ",400");
    ASSERT_TRUE(RestoreWindowPlace(main, store, kMainWindowKey, false));
    ASSERT_TRUE(RestoreWindowPlace(graph, store, kGraphWindowKey, true));
    EXPECT_TRUE(screen.contains(QRect(main.pos(), main.size()))) << main.x() << "," << main.y();
    EXPECT_TRUE(screen.contains(QRect(graph.pos(), graph.size())));
    EXPECT_EQ(graph.width(), screen.width());

    // Damaged or missing: the window is left to its own default place.
    for (const char* damaged : {"", "x,y", "10"}) {
        store.SetExtra(kMainWindowKey, damaged);
        main.move(7, 8);
        EXPECT_FALSE(RestoreWindowPlace(main, store, kMainWindowKey, false)) << damaged;
        EXPECT_EQ(main.pos(), QPoint(7, 8));
    }
}

TEST(TrayIconPicture, TheStoresLastReadingGivesTheTipAndNoneGivesTheTitle) {
    apptest::EnsureApp();
    SettingsStore store;
    EXPECT_FALSE(StoredTrayReading(store).has_value());
    EXPECT_EQ(TrayTipFor(store, "Nimbrel", TempUnit::Celsius), "Nimbrel");
    store.LastReading = "Sunny,18,40,08/12/2026 09:30:00";
    store.CurrentSummary = "Sunny";
    store.CurrentTemp = 18;
    store.HumidityCaption = "40%";
    EXPECT_EQ(TrayTipFor(store, "Nimbrel", TempUnit::Celsius),
              "Location 1769: Sunny, 18\xC2\xB0"
              "C, humidity 40%, at 09:30");
    store.SetExtra("place", "Leeds");
    EXPECT_EQ(TrayTipFor(store, "Nimbrel", TempUnit::Celsius).rfind("Leeds: Sunny", 0), 0u);
    EXPECT_FALSE(TrayIconFor(store, TempUnit::Celsius).isNull());
}

}  // namespace
}  // namespace nimbrel
