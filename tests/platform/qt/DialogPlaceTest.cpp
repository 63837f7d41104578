// Where a box opens beside the always-on-top main window: whole on the
// screen, never over the window, wherever the window stands.
#include <gtest/gtest.h>

#include "platform/qt/DialogPlace.h"

namespace nimbrel {
namespace {

const QRect kScreen(0, 0, 1024, 768);
const QSize kBox(300, 120);

void ExpectBesideAndOnScreen(const QRect& anchor, const QPoint& at) {
    const QRect box(at, kBox);
    EXPECT_TRUE(kScreen.contains(box)) << at.x() << "," << at.y();
    EXPECT_FALSE(box.intersects(anchor)) << at.x() << "," << at.y();
}

TEST(NearPlace, BesideTheWindowWholeOnTheScreenFromEveryCorner) {
    const QSize window(173, 180);
    for (const QPoint& corner :
         {QPoint(0, 0), QPoint(1024 - 173, 0), QPoint(0, 768 - 180), QPoint(1024 - 173, 768 - 180), QPoint(420, 300)}) {
        const QRect anchor(corner, window);
        ExpectBesideAndOnScreen(anchor, NearPlace(anchor, kBox, kScreen));
    }
    // Right of the window where there is room, level with its top.
    EXPECT_EQ(NearPlace(QRect(100, 100, 173, 180), kBox, kScreen), QPoint(100 + 173 + 8, 100));
    // Near the bottom edge it slides up rather than running off.
    EXPECT_EQ(NearPlace(QRect(100, 700, 173, 60), kBox, kScreen).y(), 768 - 120 - 12);
}

TEST(NearPlace, AWindowCoveringTheScreenGetsTheBoxOverItInsideTheScreen) {
    const QRect anchor(-50, -40, 1200, 900);
    const QPoint at = NearPlace(anchor, kBox, kScreen);
    EXPECT_TRUE(kScreen.contains(QRect(at, kBox)));
    // A box larger than the screen keeps its title bar on the screen.
    const QPoint big = NearPlace(QRect(0, 0, 100, 100), QSize(2000, 1000), kScreen);
    EXPECT_EQ(big, QPoint(12, 12));
}

}  // namespace
}  // namespace nimbrel
