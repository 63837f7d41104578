// Window capture where the screen cannot be read (the offscreen platform):
// the window's rendering inside a frame drawn to its outer size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "ImageCheck.h"
#include "QtSession.h"
#include "TestWindow.h"
#include "platform/qt/modCapture.h"

namespace nimbrel {
namespace {

using testing::BitmapToImage;
using testing::Psnr;

TEST(ComposedCapture, WindowRenderingInsideAFrameOfTheOuterSize) {
    ASSERT_TRUE(testing::StartQt(testing::QtPlatform::Offscreen));
    testing::TestWindow w;
    ASSERT_TRUE(testing::ShowAndWait(w));
    EXPECT_FALSE(ReadsFromScreen(w));

    const QRect outer = w.frameGeometry();
    ASSERT_GT(outer.width(), w.width());  // the platform reports a frame
    EXPECT_EQ(OuterWidthTwips(w), outer.width() * 15);
    EXPECT_EQ(OuterHeightTwips(w), outer.height() * 15);

    PicturePtr pic = CaptureFormImage(w);
    ASSERT_TRUE(pic->HasBitmap());
    EXPECT_EQ(pic->hPal(), nullptr);
    EXPECT_EQ(QSize(pic->Width(), pic->Height()), outer.size());

    const QImage shot = BitmapToImage(pic->Handle());
    const QRect inner(w.geometry().topLeft() - outer.topLeft(), w.size());
    EXPECT_EQ(Psnr(shot.copy(inner), w.grab().toImage()), std::numeric_limits<double>::infinity());
    // The frame is drawn, not left black.
    EXPECT_EQ(shot.pixel(0, 0), w.palette().color(QPalette::Shadow).rgb());
    EXPECT_EQ(shot.pixel(outer.width() - 1, outer.height() - 1), w.palette().color(QPalette::Shadow).rgb());
}

}  // namespace
}  // namespace nimbrel
