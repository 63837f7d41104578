#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <set>

#include "AppTestSupport.h"
#include "QtSession.h"
#include "app/TrayIconPicture.h"
#include "app/modSysTray.h"
#include "base/Temperature.h"

namespace nimbrel {
namespace {

using testing::QtPlatform;
using testing::StartQt;

// Pixels that differ from the badge: the figures' ink.
int InkPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 160 && qAlpha(image.pixel(x, y)) == 255) ++n;
    return n;
}

// The icons at every size on a light and a dark panel, written under
// /tmp/shots17 to be looked at.
QImage Sheet(const std::vector<int>& temperatures) {
    const int cell = 72;
    QImage sheet(cell * int(temperatures.size()), cell * 2 * int(std::size(kTrayIconSizes)), QImage::Format_RGB32);
    QPainter p(&sheet);
    for (size_t row = 0; row < std::size(kTrayIconSizes); ++row) {
        for (int panel = 0; panel < 2; ++panel) {
            const QRect band(0, int(row * 2 + size_t(panel)) * cell, sheet.width(), cell);
            p.fillRect(band, panel == 0 ? QColor(236, 236, 236) : QColor(40, 40, 44));
            for (size_t i = 0; i < temperatures.size(); ++i)
                p.drawImage(int(i) * cell + 4, band.top() + 4,
                            DrawTrayTemperature(temperatures[i], kTrayIconSizes[row]));
        }
    }
    return sheet;
}

TEST(TrayIconPicture, FiguresHoldThreeCharactersWithATrueMinus) {
    EXPECT_EQ(TrayFigures(7), "7");
    EXPECT_EQ(TrayFigures(0), "0");
    EXPECT_EQ(TrayFigures(105), "105");
    EXPECT_EQ(TrayFigures(-12),
              "\xE2\x88\x92"
              "12");
    // Damaged readings do not turn into other temperatures by being cut.
    EXPECT_EQ(TrayFigures(1234), "999");
    EXPECT_EQ(TrayFigures(-140),
              "\xE2\x88\x92"
              "99");
}

TEST(TrayIconPicture, EveryTemperatureDrawsItsOwnLegiblePictureAtEverySize) {
    ASSERT_TRUE(StartQt(QtPlatform::Offscreen));
    const std::vector<int> temperatures{-12, -3, 0, 7, 21, 38, 105};
    for (int size : kTrayIconSizes) {
        std::set<QByteArray> seen;
        for (int t : temperatures) {
            const QImage image = DrawTrayTemperature(t, size);
            ASSERT_EQ(image.size(), QSize(size, size));
            // Enough ink for figures, and never the whole badge.
            const int ink = InkPixels(image);
            EXPECT_GT(ink, size * size / 25) << t << " at " << size;
            EXPECT_LT(ink, size * size / 2) << t << " at " << size;
            // The corners stay clear, so the badge is rounded on any panel.
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
            seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())));
        }
        EXPECT_EQ(seen.size(), temperatures.size()) << "at " << size;
    }
    QDir().mkpath(QStringLiteral("/tmp/shots17"));
    EXPECT_TRUE(Sheet(temperatures).save(QStringLiteral("/tmp/shots17/tray-icons.png")));
    const QImage big =
        Sheet(temperatures).scaled(Sheet(temperatures).size() * 3, Qt::KeepAspectRatio, Qt::FastTransformation);
    EXPECT_TRUE(big.save(QStringLiteral("/tmp/shots17/tray-icons-x3.png")));
}

TEST(TrayIconPicture, PlainIconBeforeAnyReadingDiffersFromANumber) {
    ASSERT_TRUE(StartQt(QtPlatform::Offscreen));
    for (int size : {16, 32})
        EXPECT_NE(PlainProgramIcon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  DrawTrayTemperature(0, size));
    EXPECT_FALSE(PlainProgramIcon().isNull());
    EXPECT_FALSE(TrayTemperatureIcon(5).isNull());
}

TEST(TrayIconPicture, TipNamesPlaceSummaryTemperatureHumidityAndTimeInTheShownUnit) {
    TrayReading r{"Leeds", "Light Rain", 21, "65%", "08/12/2026 14:05:33"};
    EXPECT_EQ(TrayTipText(r, TempUnit::Celsius),
              "Leeds: Light Rain, 21\xC2\xB0"
              "C, humidity 65%, at 14:05");
    EXPECT_EQ(TrayTipText(r, TempUnit::Fahrenheit),
              "Leeds: Light Rain, 70\xC2\xB0"
              "F, humidity 65%, at 14:05");
    // Missing parts leave no dangling commas.
    EXPECT_EQ(TrayTipText(TrayReading{"", "", -4, "", ""}, TempUnit::Celsius),
              "-4\xC2\xB0"
              "C");
}

struct Owner : TrayOwner {
    void Activated(TrayClick) override {}
    QIcon TrayIconPicture() const override { return PlainProgramIcon(); }
};

TEST(TrayIconPicture, ANewReadingChangesTheShownIconAndTipOnlyWhileItIsShown) {
    ASSERT_TRUE(StartQt(QtPlatform::Offscreen));
    apptest::ScopedTray scoped;
    auto& tray = scoped.tray();
    Owner owner;
    UpdateTrayIcon(TrayTemperatureIcon(5), "Leeds: 5");  // no icon yet
    EXPECT_TRUE(tray.calls.empty());
    AddTrayIcon(owner, "Nimbrel");
    const QIcon five = TrayTemperatureIcon(5);
    UpdateTrayIcon(five, "Leeds: 5");
    UpdateTrayIcon(five, "Leeds: 5");  // the same again: nothing to tell
    ASSERT_EQ(tray.calls.size(), 2u);
    EXPECT_EQ(tray.calls[1].first, NIM_MODIFY);
    EXPECT_EQ(tray.calls[1].second.szTip, "Leeds: 5");
    EXPECT_EQ(NotifyRecord().szTip, "Leeds: 5");
    RemoveTrayIcon();
    UpdateTrayIcon(TrayTemperatureIcon(6), "Leeds: 6");
    EXPECT_EQ(tray.calls.size(), 3u);
}

}  // namespace
}  // namespace nimbrel
