// Window capture on a high-density screen (the offscreen platform at a scale
// of 2): the picture has the window's real pixels, not half of them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenuBar>

#include "ImageCheck.h"
#include "QtSession.h"
#include "TestWindow.h"
#include "platform/qt/modCapture.h"

namespace nimbrel {
namespace {

using testing::BitmapToImage;
using testing::Psnr;

TEST(HiDpiCapture, TheWholeWindowAtItsDevicePixelSize) {
    qputenv("QT_SCALE_FACTOR", "2");
    ASSERT_TRUE(testing::StartQt(testing::QtPlatform::Offscreen));
    testing::TestWindow w;
    ASSERT_TRUE(testing::ShowAndWait(w));
    ASSERT_EQ(w.devicePixelRatioF(), 2.0);

    const QRect outer = w.frameGeometry();
    // Twips stay those of the logical size, as the layouts assume.
    EXPECT_EQ(OuterWidthTwips(w), outer.width() * 15);

    PicturePtr pic = CaptureFormImage(w);
    ASSERT_TRUE(pic->HasBitmap());
    EXPECT_EQ(QSize(pic->Width(), pic->Height()), outer.size() * 2);

    // The window's own rendering is in it pixel for pixel, inside the frame.
    const QImage shot = BitmapToImage(pic->Handle());
    QImage look = w.grab().toImage();
    ASSERT_EQ(look.size(), w.size() * 2);
    look.setDevicePixelRatio(1.0);
    const QPoint corner = (w.geometry().topLeft() - outer.topLeft()) * 2;
    EXPECT_EQ(Psnr(shot.copy(QRect(corner, look.size())), look), std::numeric_limits<double>::infinity());
    EXPECT_EQ(shot.pixel(0, 0), w.palette().color(QPalette::Shadow).rgb());
    EXPECT_EQ(shot.pixel(shot.width() - 1, shot.height() - 1), w.palette().color(QPalette::Shadow).rgb());

    // The client area alone (below the menu bar), at its device size too.
    const int bar = w.menuWidget() && w.menuWidget()->isVisible() ? w.menuWidget()->height() : 0;
    const QSize clientSize(w.width() * 2, (w.height() - bar) * 2);
    PicturePtr client = CopyWindowToPicture(&w, true, 0, 0, clientSize.width(), clientSize.height());
    ASSERT_TRUE(client->HasBitmap());
    EXPECT_EQ(Psnr(BitmapToImage(client->Handle()), look.copy(QRect(QPoint(0, bar * 2), clientSize))),
              std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace nimbrel
