#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "TestHost.h"
#include "base/DateTime.h"
#include "base/modMisc.h"
#include "controls/KestLabel.h"

using namespace nimbrel::controls;
using nimbrel::controls::test::BoxOfNot;
using nimbrel::controls::test::CountColour;
using nimbrel::controls::test::Pixel;
using nimbrel::controls::test::RecordingSite;
using nimbrel::controls::test::SavePicture;

namespace {

const gdi::COLORREF kWindow = gdi::GetSysColor(gdi::COLOR_WINDOW);

// A label as a host loads it: properties from a bag, then sized.
struct Label {
    explicit Label(int wPx, int hPx, PropertyBag bag = {}, double tpp = 15) : site(tpp), label(&site) {
        label.Resize(int(wPx * tpp), int(hPx * tpp));
        label.ReadProperties(bag);
    }
    RecordingSite site;
    KestLabel label;
};

PropertyBag NoCaption() {
    PropertyBag bag;
    bag.Set("Caption", std::string());
    return bag;
}

// A component after `step` bands, the increment added once per band.
int Channel(double from, double to, int step, int steps) {
    double v = from, d = (to - from) / steps;
    for (int i = 0; i < step; ++i) v += d;
    return int(nimbrel::RoundHalfEven(v));
}

}  // namespace

TEST(KestLabelProperties, EverySetterNotifiesWithItsKeyEvenWhenUnchanged) {
    RecordingSite site;
    KestLabel l(&site);
    l.InitProperties();
    l.SetCaption(l.Caption());
    l.SetNormalColour(l.NormalColour());
    l.SetGradientDirection(l.GradientDirection());
    l.SetBorderColour(l.BorderColour());
    l.SetResolution(l.Resolution());
    l.SetLightColour(l.LightColour());
    l.SetShadeColour(l.ShadeColour());
    l.SetLabelFont(l.LabelFont());
    l.SetDrawBorder(l.DrawBorder());
    l.SetAlignment(l.Alignment());
    l.SetTriColour(l.TriColour());
    l.SetOuterColour(l.OuterColour());
    l.SetDrawOuter(l.DrawOuter());
    l.SetAngle(l.Angle());
    l.SetManualAlign(l.ManualAlign());
    l.SetTextColour(l.TextColour());
    EXPECT_EQ(site.changed, (std::vector<std::string>{"Caption", "NormalColour", "GradientDirection", "BorderColour",
                                                      "Resolution", "LightColour", "ShadeColour", "LabelFont",
                                                      "DrawBorder", "Alignment", "TriColour", "OuterColour",
                                                      "DrawOuter", "Angle", "ManualAlign", "TextColour"}));
}

TEST(KestLabelProperties, AngleSetterNormalisesButTheBagValueIsKept) {
    KestLabel l;
    l.InitProperties();
    l.SetAngle(-90);
    EXPECT_EQ(l.Angle(), 270);
    l.SetAngle(720);
    EXPECT_EQ(l.Angle(), 0);
    l.SetAngle(450);
    EXPECT_EQ(l.Angle(), 90);
    l.SetAngle(-360);
    EXPECT_EQ(l.Angle(), 0);

    PropertyBag bag;
    bag.Set("Angle", int32_t(400));
    KestLabel loaded;
    loaded.ReadProperties(bag);
    EXPECT_EQ(loaded.Angle(), 400);
}

TEST(KestLabelProperties, SystemColoursAreTranslatedExceptTheTextColour) {
    const int32_t windowRef = int32_t(0x80000005u);
    KestLabel l;
    l.InitProperties();
    l.SetLightColour(windowRef);
    EXPECT_EQ(l.LightColour(), int32_t(kWindow));
    l.SetTextColour(windowRef);
    EXPECT_EQ(l.TextColour(), windowRef);

    PropertyBag bag;
    l.WriteProperties(bag);
    EXPECT_EQ(bag.ReadLong("TextColour", 0), windowRef);
    if (kWindow != uint32_t(KestLabel::kDefaultLightColour)) {
        EXPECT_EQ(bag.ReadLong("LightColour", 0), int32_t(kWindow));
    }
}

TEST(KestLabelProperties, StopListsAreBuiltByColourSettersThatUseThem) {
    KestLabel l;
    l.InitProperties();
    EXPECT_FALSE(l.StopsBuilt());
    l.SetOuterColour(255);  // not in the lists
    EXPECT_FALSE(l.StopsBuilt());
    l.SetBorderColour(255);  // not in the lists either, but rebuilds them
    EXPECT_TRUE(l.StopsBuilt());
    EXPECT_EQ(l.TwoColourStops(), "0,16777215#100,12964054");
    EXPECT_EQ(l.TriColourStops(), "0,16777215#33,15725555#66,15725555#100,12964054");
    l.SetShadeColour(-5);
    EXPECT_EQ(l.TwoColourStops(), "0,16777215#100,-5");
}

TEST(KestLabelPersistence, DefaultsWriteNothingAndChangesRoundTrip) {
    KestLabel l;
    l.InitProperties();
    PropertyBag bag;
    l.WriteProperties(bag);
    EXPECT_EQ(bag.Size(), 0u);

    l.SetCaption("Mon");
    l.SetGradientDirection(2);
    l.SetResolution(100);
    l.SetDrawBorder(true);
    l.SetAngle(90);
    l.SetLabelFont(MakeFont("Arial Narrow", 10, true));
    l.WriteProperties(bag);
    EXPECT_EQ(bag.Size(), 6u);

    KestLabel copy;
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.Caption(), "Mon");
    EXPECT_EQ(copy.GradientDirection(), 2);
    EXPECT_EQ(copy.Resolution(), 100);
    EXPECT_TRUE(copy.DrawBorder());
    EXPECT_EQ(copy.Angle(), 90);
    ASSERT_TRUE(copy.LabelFont());
    EXPECT_EQ(copy.LabelFont()->Name, "Arial Narrow");
    EXPECT_TRUE(copy.LabelFont()->Bold);
    EXPECT_EQ(copy.NormalColour(), KestLabel::kDefaultNormalColour);
    EXPECT_TRUE(copy.StopsBuilt());
}

TEST(KestLabelPersistence, BagErrorsReachTheHostAndEarlierValuesStay) {
    PropertyBag bag;
    bag.Set("Caption", std::string("Tue"));
    bag.Set("GradientDirection", std::string("down"));
    KestLabel l;
    l.InitProperties();
    EXPECT_THROW(l.ReadProperties(bag), PropertyBagError);
    EXPECT_EQ(l.Caption(), "Tue");
}

TEST(KestLabelLifecycle, NewInstanceDrawsOnlyFromShow) {
    RecordingSite site;
    KestLabel l(&site);
    l.InitProperties();
    l.Resize(1200, 300);
    EXPECT_EQ(site.shown, 0);
    EXPECT_EQ(l.PixelFactor(), 15);
    EXPECT_EQ(l.ClientArea().right, 80);
    EXPECT_EQ(l.BufferWidth(), 40);
    EXPECT_EQ(l.BufferHeight(), 10);
    l.Show();
    EXPECT_EQ(site.shown, 1);
    EXPECT_FALSE(l.NeedsRedraw());
    EXPECT_EQ(Pixel(l, 40, 0), gdi::RGB(255, 255, 255));
}

TEST(KestLabelLifecycle, RedrawBeforeTheFirstResizeWaitsForIt) {
    RecordingSite site;
    KestLabel l(&site);
    l.InitProperties();
    l.Show();  // no size, no pixel factor yet
    l.SetCaption("early");
    EXPECT_EQ(site.shown, 0);
    EXPECT_TRUE(l.NeedsRedraw());
    EXPECT_EQ(l.PixelFactor(), 0);
    l.Resize(600, 300);
    EXPECT_EQ(site.shown, 1);
    EXPECT_FALSE(l.NeedsRedraw());
}

TEST(KestLabelGradient, TopToBottomRunsFromLightToShadeOverTheBuffer) {
    Label t(80, 20, NoCaption());
    KestLabel& l = t.label;
    ASSERT_EQ(l.BufferHeight(), 10);
    for (int row = 0; row < 10; ++row) {
        gdi::COLORREF want =
            gdi::RGB(Channel(255, 214, row, 10), Channel(255, 208, row, 10), Channel(255, 197, row, 10));
        EXPECT_EQ(gdi::GetPixel(l.BufferDC(), 5, row), want) << "row " << row;
        // Stretched twice over the surface.
        EXPECT_EQ(Pixel(l, 10, 2 * row), want) << "surface row " << 2 * row;
        EXPECT_EQ(Pixel(l, 79, 2 * row + 1), want);
    }
}

TEST(KestLabelGradient, FourStopsHoldTheNormalColourBetweenAThirdAndTwoThirds) {
    PropertyBag bag = NoCaption();
    bag.Set("TriColour", true);
    bag.Set("GradientDirection", int32_t(0));
    bag.Set("NormalColour", int32_t(gdi::RGB(0, 0, 255)));
    Label t(100, 10, bag);
    gdi::HDC buf = t.label.BufferDC();
    ASSERT_EQ(t.label.BufferWidth(), 50);
    EXPECT_EQ(gdi::GetPixel(buf, 0, 2), gdi::RGB(255, 255, 255));
    // 16.5 rounds to 16, the first column of the middle part.
    EXPECT_EQ(gdi::GetPixel(buf, 15, 2), gdi::RGB(Channel(255, 0, 15, 16), Channel(255, 0, 15, 16), 255));
    EXPECT_EQ(gdi::GetPixel(buf, 16, 2), gdi::RGB(0, 0, 255));
    EXPECT_EQ(gdi::GetPixel(buf, 33, 2), gdi::RGB(0, 0, 255));
    EXPECT_EQ(gdi::GetPixel(buf, 49, 2),
              gdi::RGB(Channel(0, 214, 16, 17), Channel(0, 208, 16, 17), Channel(255, 197, 16, 17)));
}

TEST(KestLabelGradient, CentreOutwardsSquaresStopAtTheShorterSide) {
    PropertyBag bag = NoCaption();
    bag.Set("GradientDirection", int32_t(2));
    Label t(80, 20, bag);
    gdi::HDC buf = t.label.BufferDC();
    const gdi::COLORREF shade = gdi::RGB(214, 208, 197);
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(gdi::GetPixel(buf, 10, y), shade);
        EXPECT_EQ(gdi::GetPixel(buf, 29, y), shade);
        EXPECT_EQ(gdi::GetPixel(buf, 9, y), kWindow);
        EXPECT_EQ(gdi::GetPixel(buf, 30, y), kWindow);
        EXPECT_EQ(gdi::GetPixel(buf, 0, y), kWindow);
        EXPECT_EQ(gdi::GetPixel(buf, 39, y), kWindow);
    }
    // Square of half-side 3 around (20, 5).
    EXPECT_EQ(gdi::GetPixel(buf, 17, 5),
              gdi::RGB(Channel(255, 214, 3, 10), Channel(255, 208, 3, 10), Channel(255, 197, 3, 10)));
}

TEST(KestLabelGradient, ZeroSpanAndUnknownDirectionsDrawSafely) {
    {  // No buffer at all: the control shows what the buffer is cleared to.
        PropertyBag bag = NoCaption();
        bag.Set("Resolution", int32_t(0));
        Label t(40, 20, bag);
        EXPECT_EQ(t.label.BufferWidth(), 0);
        EXPECT_EQ(CountColour(t.label, kWindow), 40 * 20);
    }
    {  // A direction without bands: cleared buffer, stretched.
        PropertyBag bag = NoCaption();
        bag.Set("GradientDirection", int32_t(7));
        Label t(40, 20, bag);
        EXPECT_EQ(CountColour(t.label, kWindow), 40 * 20);
    }
    {  // Four stops on two pixels: the middle stops share position 1.
        PropertyBag bag = NoCaption();
        bag.Set("TriColour", true);
        bag.Set("GradientDirection", int32_t(1));
        bag.Set("NormalColour", int32_t(gdi::RGB(0, 128, 0)));
        Label t(10, 4, bag);
        ASSERT_EQ(t.label.BufferHeight(), 2);
        EXPECT_EQ(gdi::GetPixel(t.label.BufferDC(), 0, 0), gdi::RGB(255, 255, 255));
        EXPECT_EQ(gdi::GetPixel(t.label.BufferDC(), 0, 1), gdi::RGB(0, 128, 0));
    }
    {  // A negative resolution cannot size the buffer; it keeps its size.
        Label t(40, 20, NoCaption());
        t.label.SetResolution(-50);
        EXPECT_EQ(t.label.BufferWidth(), 20);
        EXPECT_EQ(t.label.Resolution(), -50);
    }
}

TEST(KestLabelBorder, TwoPixelRectangleAlongTheEdges) {
    PropertyBag bag = NoCaption();
    bag.Set("DrawBorder", true);
    bag.Set("BorderColour", int32_t(gdi::RGB(200, 0, 0)));
    Label t(100, 20, bag);
    const gdi::COLORREF border = gdi::RGB(200, 0, 0);
    EXPECT_EQ(Pixel(t.label, 0, 10), border);
    EXPECT_EQ(Pixel(t.label, 50, 0), border);
    EXPECT_EQ(Pixel(t.label, 99, 10), border);
    EXPECT_EQ(Pixel(t.label, 50, 19), border);
    EXPECT_NE(Pixel(t.label, 50, 10), border);
    EXPECT_NE(Pixel(t.label, 3, 10), border);
}

TEST(KestLabelCaption, CentredCaptionSitsInTheMiddle) {
    PropertyBag bag;
    bag.Set("Caption", std::string("Kest"));
    bag.Set("Alignment", int32_t(2));
    bag.Set("LightColour", int32_t(0xFFFFFF));
    bag.Set("ShadeColour", int32_t(0xFFFFFF));
    Label t(120, 30, bag);
    gdi::RECT box = BoxOfNot(t.label, 0xFFFFFF);
    ASSERT_GT(box.right, box.left) << "no caption drawn";
    EXPECT_NEAR((box.left + box.right) / 2.0, 60, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 15, 3);
    EXPECT_GT(CountColour(t.label, 0), 0);
    SavePicture(t.label, "label-centred");
}

TEST(KestLabelCaption, UnknownAlignmentOrNoFontDrawsNoCaption) {
    PropertyBag bag;
    bag.Set("Alignment", int32_t(5));
    bag.Set("LightColour", int32_t(0xFFFFFF));
    bag.Set("ShadeColour", int32_t(0xFFFFFF));
    Label t(120, 30, bag);
    EXPECT_EQ(CountColour(t.label, 0xFFFFFF), 120 * 30);
    t.label.SetAlignment(0);
    EXPECT_LT(CountColour(t.label, 0xFFFFFF), 120 * 30);
    t.label.SetLabelFont(nullptr);
    EXPECT_EQ(CountColour(t.label, 0xFFFFFF), 120 * 30);
}

TEST(KestLabelCaption, TurnedCaptionWithManualCentringIsCentredBothWays) {
    PropertyBag bag;
    bag.Set("Caption", std::string("Wednesday"));
    bag.Set("Angle", int32_t(90));
    bag.Set("ManualAlign", true);
    bag.Set("Alignment", int32_t(2));
    bag.Set("LightColour", int32_t(0xFFFFFF));
    bag.Set("ShadeColour", int32_t(0xFFFFFF));
    Label t(30, 90, bag);
    gdi::RECT box = BoxOfNot(t.label, 0xFFFFFF);
    ASSERT_GT(box.right, box.left) << "no caption drawn";
    // Taller than wide: the text runs up the strip.
    EXPECT_GT(box.bottom - box.top, 2 * (box.right - box.left));
    EXPECT_NEAR((box.left + box.right) / 2.0, 15, 3);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 45, 4);
    SavePicture(t.label, "label-angle90-manual-centred");
}

TEST(KestLabelCaption, HaloSurroundsTheLetters) {
    PropertyBag bag;
    bag.Set("Caption", std::string("Halo"));
    bag.Set("DrawOuter", true);
    bag.Set("OuterColour", int32_t(gdi::RGB(255, 0, 0)));
    bag.Set("TextColour", int32_t(gdi::RGB(0, 0, 255)));
    bag.Set("Alignment", int32_t(2));
    bag.Set("LightColour", int32_t(0xFFFFFF));
    bag.Set("ShadeColour", int32_t(0xFFFFFF));
    Label t(80, 24, bag);
    // The letters are drawn last, so their colour shows through the halo.
    EXPECT_GT(CountColour(t.label, gdi::RGB(0, 0, 255)), 0);
    gdi::RECT halo = BoxOfNot(t.label, 0xFFFFFF);
    ASSERT_GT(halo.right, halo.left);
    EXPECT_EQ(Pixel(t.label, halo.left, (halo.top + halo.bottom) / 2) & 0xFF, 0xFFu);
    SavePicture(t.label, "label-halo");
}

TEST(KestLabelCaption, AngleFromTheBagBeyondSixteenBitsOfTenthsStillDraws) {
    // -32310 turns like 90 degrees, 32767 like 7.
    for (int angle : {3277, 30000, -32310, 32767}) {
        PropertyBag bag;
        bag.Set("Caption", std::string("Far"));
        bag.Set("Angle", int32_t(angle));
        bag.Set("LightColour", int32_t(0xFFFFFF));
        bag.Set("ShadeColour", int32_t(0xFFFFFF));
        Label t(60, 60, bag);
        EXPECT_EQ(t.label.Angle(), angle);
        EXPECT_LT(CountColour(t.label, 0xFFFFFF), 60 * 60) << angle;
    }
}

TEST(KestLabelCaption, HostScaleOrFontSizeThatNoScreenHasStillDraws) {
    {  // A host without a usable twips per pixel is taken at 15.
        RecordingSite site(std::nan(""));
        KestLabel l(&site);
        l.InitProperties();
        l.Resize(1500, 300);
        l.Show();
        EXPECT_EQ(l.ScaleWidth(), 100);
        EXPECT_EQ(l.PixelFactor(), 15);
        EXPECT_EQ(site.shown, 1);
    }
    // A font size that is no number draws at the font's default height.
    for (double size : {std::nan(""), 1e300}) {
        PropertyBag bag;
        bag.Set("Caption", std::string("Kest"));
        bag.Set("LabelFont", MakeFont("Arial", size));
        bag.Set("LightColour", int32_t(0xFFFFFF));
        bag.Set("ShadeColour", int32_t(0xFFFFFF));
        Label t(120, 30, bag);
        if (std::isnan(size)) {
            gdi::RECT box = BoxOfNot(t.label, 0xFFFFFF);
            EXPECT_GT(box.right, box.left);
            EXPECT_LE(box.bottom - box.top, 30);
        }
    }
}

TEST(KestLabelEvents, EveryReportedClickRaisesClickOnce) {
    Label t(40, 20);
    int clicks = 0;
    t.label.Click.Connect([&] { ++clicks; });
    t.label.HostClick(3, 3);
    t.label.HostClick(30, 10);
    EXPECT_EQ(clicks, 2);
}

TEST(KestLabelPictures, SavedForLooking) {
    for (int dir = 0; dir <= 2; ++dir)
        for (int angle : {0, 90, 45, 270}) {
            PropertyBag bag;
            bag.Set("Caption", std::string("Kest Label"));
            bag.Set("GradientDirection", int32_t(dir));
            bag.Set("Angle", int32_t(angle));
            bag.Set("TriColour", dir == 1);
            bag.Set("NormalColour", int32_t(gdi::RGB(120, 170, 230)));
            bag.Set("DrawBorder", true);
            bag.Set("DrawOuter", angle == 45);
            bag.Set("Alignment", int32_t(2));
            bag.Set("ManualAlign", angle != 0);
            Label t(angle == 0 ? 120 : 60, angle == 0 ? 30 : 90, bag);
            SavePicture(t.label, "label-dir" + std::to_string(dir) + "-angle" + std::to_string(angle));
        }
}

// The gradient reads its stops back with the shared text rules; every stop
// list the label writes, down to the widest colours, reads back exactly.
TEST(KestLabelGradient, StopListsReadBackToTheirPositionsAndColours) {
    const int32_t colours[] = {INT32_MIN, -2147483643, -1, 0, 255, 16777215, INT32_MAX};
    for (int32_t c : colours) {
        Label t(20, 10, NoCaption());
        t.label.SetLightColour(c);
        t.label.SetNormalColour(c);
        t.label.SetShadeColour(c);
        const std::string& list = t.label.TriColourStops();
        const int positions[] = {0, 33, 66, 100};
        for (int k = 1; k <= 4; ++k) {
            const std::string stop = KestLabel::GetField(list, '#', int16_t(k));
            EXPECT_EQ(nimbrel::Val(KestLabel::GetField(stop, ',', 1)), positions[k - 1]) << list;
            // System colours are stored translated, so the text is compared
            // with what the C library reads from it.
            const std::string colour = KestLabel::GetField(stop, ',', 2);
            ASSERT_FALSE(colour.empty()) << list;
            EXPECT_EQ(nimbrel::Val(colour), std::strtod(colour.c_str(), nullptr)) << list;
            EXPECT_EQ(KestLabel::GetField(stop, ',', 3), "");
        }
        EXPECT_EQ(KestLabel::GetField(list, '#', 5), "");
        EXPECT_EQ(KestLabel::GetField(list, '#', 0), "");
    }
}
