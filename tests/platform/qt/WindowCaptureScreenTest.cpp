// Window capture read back from the screen, on a private Xvfb display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <cstdint>

#include "ImageCheck.h"
#include "QtSession.h"
#include "TestWindow.h"
#include "platform/gdi/gdi.h"
#include "platform/qt/modCapture.h"

namespace nimbrel {
namespace {

using testing::BitmapToImage;
using testing::Psnr;
using testing::TestWindow;

class ScreenCapture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::StartQt(testing::QtPlatform::Xvfb)) GTEST_SKIP() << "Xvfb is not available";
    }
};

TEST_F(ScreenCapture, WholeWindowAtItsOuterSizeMatchesItsRendering) {
    TestWindow w;
    w.move(40, 30);
    ASSERT_TRUE(testing::ShowAndWait(w));
    ASSERT_TRUE(ReadsFromScreen(w));

    PicturePtr pic = CaptureFormImage(w);
    ASSERT_TRUE(pic && pic->HasBitmap());
    EXPECT_EQ(pic->hPal(), nullptr);  // true-colour display: no palette
    EXPECT_EQ(pic->Width(), w.frameGeometry().width());
    EXPECT_EQ(pic->Height(), w.frameGeometry().height());

    // Without a window manager the frame is the window itself, so the screen
    // holds exactly what the window rendered, menu bar included.
    const QImage shot = BitmapToImage(pic->Handle());
    const QImage inner = shot.copy(QRect(w.geometry().topLeft() - w.frameGeometry().topLeft(), w.size()));
    EXPECT_GT(Psnr(inner, w.grab().toImage()), 60.0);
}

TEST_F(ScreenCapture, ShowsWhatCoversTheWindowAsTheUserSeesIt) {
    TestWindow w;
    w.move(0, 0);
    ASSERT_TRUE(testing::ShowAndWait(w));
    QWidget cover;
    cover.setWindowFlag(Qt::FramelessWindowHint);
    cover.setAutoFillBackground(true);
    QPalette pal = cover.palette();
    pal.setColor(QPalette::Window, QColor(255, 0, 255));
    cover.setPalette(pal);
    cover.setGeometry(w.geometry().x() + 100, w.geometry().y() + 100, 50, 40);
    ASSERT_TRUE(testing::ShowAndWait(cover));

    PicturePtr pic = CaptureFormImage(w);
    const QImage shot = BitmapToImage(pic->Handle());
    const QPoint inCover = cover.geometry().center() - w.frameGeometry().topLeft();
    EXPECT_EQ(shot.pixelColor(inCover), QColor(255, 0, 255));
    EXPECT_NE(w.grab().toImage().pixelColor(cover.geometry().center() - w.geometry().topLeft()), QColor(255, 0, 255));
}

TEST_F(ScreenCapture, ClientRectangleStartsBelowTheMenuBarAndOutsideIsBlack) {
    TestWindow w;
    ASSERT_TRUE(testing::ShowAndWait(w));
    const int bar = w.menuBar()->height();
    ASSERT_GT(bar, 0);
    const QImage own = w.grab().toImage();

    PicturePtr client = CopyWindowToPicture(&w, true, 0, 0, 100, 80);
    ASSERT_TRUE(client->HasBitmap());
    EXPECT_GT(Psnr(BitmapToImage(client->Handle()), own.copy(0, bar, 100, 80)), 60.0);

    // A rectangle reaching past the window's left and top edges.
    PicturePtr shifted = CopyWindowToPicture(&w, false, -10, -5, 60, 40);
    const QImage s = BitmapToImage(shifted->Handle());
    EXPECT_EQ(s.pixelColor(3, 2), QColor(0, 0, 0));
    EXPECT_EQ(s.pixelColor(9, 30), QColor(0, 0, 0));
    EXPECT_GT(Psnr(s.copy(10, 5, 50, 35), own.copy(0, 0, 50, 35)), 60.0);

    // A corner so far out that its far edge passes the largest coordinate:
    // nothing of the window, all black.
    PicturePtr far = CopyWindowToPicture(&w, true, INT32_MAX - 5, INT32_MAX - 5, 20, 10);
    ASSERT_TRUE(far->HasBitmap());
    const QImage f = BitmapToImage(far->Handle());
    EXPECT_EQ(f.size(), QSize(20, 10));
    EXPECT_EQ(f.pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(f.pixelColor(19, 9), QColor(0, 0, 0));
}

TEST_F(ScreenCapture, HiddenWindowIsComposedFromItsOwnRendering) {
    TestWindow w;
    ASSERT_TRUE(testing::ShowAndWait(w));
    w.hide();
    testing::PumpFor(50);
    EXPECT_FALSE(ReadsFromScreen(w));
    PicturePtr pic = CaptureFormImage(w);
    ASSERT_TRUE(pic->HasBitmap());
    EXPECT_EQ(QSize(pic->Width(), pic->Height()), w.frameGeometry().size());
    const QImage shot = BitmapToImage(pic->Handle());
    const QRect inner(w.geometry().topLeft() - w.frameGeometry().topLeft(), w.size());
    EXPECT_GT(Psnr(shot.copy(inner), w.grab().toImage()), 60.0);
}

TEST_F(ScreenCapture, PictureOwnsItsBitmapAndNothingElseIsKept) {
    TestWindow w;
    ASSERT_TRUE(testing::ShowAndWait(w));
    const int before = gdi::LiveObjectCount();
    {
        PicturePtr pic = CaptureFormImage(w);
        ASSERT_TRUE(pic->HasBitmap());
        EXPECT_EQ(gdi::LiveObjectCount(), before + 1);  // the picture's bitmap alone
    }
    EXPECT_EQ(gdi::LiveObjectCount(), before);

    // An empty rectangle makes no bitmap: the caller sees a picture without one.
    PicturePtr none = CopyWindowToPicture(&w, false, 0, 0, 0, 10);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->HasBitmap());
    EXPECT_EQ(none->Width(), 0);
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

}  // namespace
}  // namespace nimbrel
