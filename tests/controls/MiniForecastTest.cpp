#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "TestHost.h"
#include "base/Temperature.h"
#include "controls/MiniForecast.h"
#include "feeds/WeatherCodes.h"

using namespace nimbrel::controls;
using nimbrel::controls::test::CountColour;
using nimbrel::controls::test::Pixel;
using nimbrel::controls::test::RecordingSite;
using nimbrel::controls::test::SavePicture;

namespace {

struct Tile {
    Tile() : tile(&site) {
        tile.InitProperties();
        tile.Resize(720, 540);
        tile.Show();
    }
    RecordingSite site;
    MiniForecast tile;
};

gdi::COLORREF PicturePixel(gdi::HBITMAP pic, int x, int y) {
    gdi::BitmapView v = gdi::GetBitmapView(pic);
    const gdi::BYTE* p = v.bits + (v.height - 1 - y) * v.stride + x * 3;
    return gdi::RGB(p[2], p[1], p[0]);
}

}  // namespace

TEST(MiniForecastWeather, TextMustEqualAKnownWeatherAfterLowerCasing) {
    EXPECT_EQ(MiniForecast::WeatherForText("Sunny"), int(Weather::Sunny));
    EXPECT_EQ(MiniForecast::WeatherForText("SUNNY"), int(Weather::Sunny));
    EXPECT_EQ(MiniForecast::WeatherForText("sunny intervals"), int(Weather::SunnyIntervals));
    EXPECT_EQ(MiniForecast::WeatherForText("Drizzle"), int(Weather::Drizzle));
    EXPECT_EQ(MiniForecast::WeatherForText("Light Rain"), int(Weather::LightRain));
    EXPECT_EQ(MiniForecast::WeatherForText("heavy showers"), int(Weather::HeavyShowers));
    for (const char* unknown : {"sunny ", "sunny  intervals", "mostly sunny", "", "volcanic ash", " clear"})
        EXPECT_EQ(MiniForecast::WeatherForText(unknown), -1) << '"' << unknown << '"';
}

TEST(MiniForecastWeather, EverySummaryOfTheWeatherCodesHasAPicture) {
    for (int code = 0; code <= 99; ++code)
        for (bool day : {true, false}) {
            const std::string summary = nimbrel::WeatherCodeSummary(code, day);
            const int w = MiniForecast::WeatherForText(summary);
            EXPECT_GE(w, 0) << code << " " << summary;
            if (summary == nimbrel::kUnknownWeatherSummary)
                EXPECT_EQ(w, int(Weather::Neutral)) << code;
            else
                EXPECT_NE(w, int(Weather::Neutral)) << code;
        }
    EXPECT_EQ(MiniForecast::WeatherForText("Mist"), int(Weather::Fog));
    EXPECT_EQ(MiniForecast::WeatherForText("Thundery Showers"), int(Weather::Thunder));
    EXPECT_EQ(MiniForecast::WeatherForText("Sleet"), int(Weather::Sleet));
}

TEST(MiniForecastTemperature, ColourByRangeAndDegreeText) {
    const std::pair<int, gdi::COLORREF> cases[] = {{-1, 0xFF6464}, {0, 0xFFC8BE},  {9, 0xFFC8BE},
                                                   {10, 0xA5FF8C}, {19, 0xA5FF8C}, {20, 0x00FFFF},
                                                   {29, 0x00FFFF}, {30, 0x829BFF}, {-40, 0xFF6464}};
    for (auto [t, colour] : cases) EXPECT_EQ(MiniForecast::TemperatureColour(t), colour) << t;

    Tile t;
    t.tile.UpdateForecast("Mon", "cloudy", -3);
    EXPECT_EQ(t.tile.TempCaption(),
              "-3\xC2\xB0"
              "C");
    t.tile.UpdateForecast("Mon", "cloudy", 0);
    EXPECT_EQ(t.tile.TempCaption(),
              "0\xC2\xB0"
              "C");
    EXPECT_EQ(t.tile.Title().Caption(), "Mon");
}

TEST(MiniForecastTemperature, FahrenheitCaptionKeepsTheColourOfTheCelsiusReading) {
    Tile c, f;
    c.tile.UpdateForecast("Mon", "cloudy", 21);
    f.tile.SetUnit(nimbrel::TempUnit::Fahrenheit);
    f.tile.UpdateForecast("Mon", "cloudy", 21);
    EXPECT_EQ(c.tile.TempCaption(),
              "21\xC2\xB0"
              "C");
    EXPECT_EQ(f.tile.TempCaption(),
              "70\xC2\xB0"
              "F");
    // The colour tells the weather, not the figure: 70 °F is still 21 °C.
    EXPECT_EQ(f.tile.TempColour(), c.tile.TempColour());
    f.tile.UpdateForecast("Tue", "sunny", -12);
    EXPECT_EQ(f.tile.TempCaption(),
              "10\xC2\xB0"
              "F");
}

TEST(MiniForecastUpdate, UnknownWeatherKeepsTheLastPictureOrShowsTheNeutralOne) {
    {
        Tile first;
        first.tile.UpdateForecast("Now", "volcanic ash", 3);
        ASSERT_TRUE(first.tile.HasPicture());
        EXPECT_EQ(first.tile.ShownWeather(), Weather::Neutral);
        first.tile.UpdateForecast("Now", "Unknown", 3);
        EXPECT_EQ(first.tile.ShownWeather(), Weather::Neutral);
    }
    Tile t;
    EXPECT_FALSE(t.tile.HasPicture());
    t.tile.UpdateForecast("Now", "clear", 12);
    ASSERT_TRUE(t.tile.HasPicture());
    EXPECT_EQ(t.tile.ShownWeather(), Weather::Clear);
    t.tile.UpdateForecast("Now", "volcanic ash", 14);
    EXPECT_EQ(t.tile.ShownWeather(), Weather::Clear);
    EXPECT_EQ(t.tile.TempCaption(),
              "14\xC2\xB0"
              "C");
    EXPECT_EQ(t.tile.TempColour(), 0xA5FF8Cu);
    t.tile.UpdateForecast("Tue", "", 1);
    EXPECT_EQ(t.tile.ShownWeather(), Weather::Clear);
    EXPECT_EQ(t.tile.Title().Caption(), "Tue");
}

TEST(MiniForecastDrawing, BlackTileUntilTheFirstReport) {
    Tile t;
    ASSERT_EQ(t.tile.ScaleWidth(), 48);
    ASSERT_EQ(t.tile.ScaleHeight(), 36);
    EXPECT_EQ(CountColour(t.tile, 0), 48 * 36);
}

TEST(MiniForecastDrawing, PictureTitleAndTemperatureLandInTheirPlaces) {
    Tile t;
    t.tile.UpdateForecast("Now", "Sunny", 25);
    gdi::HBITMAP pic = t.tile.ShownPicture();
    ASSERT_TRUE(pic);
    for (int y = 0; y < 26; y += 5)
        for (int x = 0; x < 31; x += 5) EXPECT_EQ(Pixel(t.tile, 17 + x, y), PicturePixel(pic, x, y));
    // White text on the black strip, temperature in its colour below the picture.
    int white = 0, temp = 0;
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 17; ++x) {
            gdi::COLORREF c = Pixel(t.tile, x, y);
            EXPECT_TRUE(gdi::GetRValue(c) == gdi::GetGValue(c) && gdi::GetGValue(c) == gdi::GetBValue(c));
            white += gdi::GetRValue(c) > 160;
        }
    for (int y = 26; y < 36; ++y)
        for (int x = 17; x < 48; ++x) temp += Pixel(t.tile, x, y) == 0x00FFFFu;
    EXPECT_GT(white, 5);
    EXPECT_GT(temp, 5);
}

TEST(MiniForecastLayout, SnapsBackToItsOwnSize) {
    Tile t;
    int sizedBefore = t.site.sized;
    t.tile.Resize(2000, 100);
    EXPECT_EQ(t.tile.Width(), 720);
    EXPECT_EQ(t.tile.Height(), 540);
    EXPECT_EQ(t.tile.ScaleWidth(), 48);
    EXPECT_EQ(t.site.sized, sizedBefore + 1);
    t.tile.Resize(720, 540);
    EXPECT_EQ(t.site.sized, sizedBefore + 1);
}

TEST(MiniForecastEvents, ClicksGoToPictureTemperatureOrTitle) {
    Tile t;
    int clicks = 0, titleClicks = 0;
    t.tile.Click.Connect([&] { ++clicks; });
    t.tile.TitleClick.Connect([&] { ++titleClicks; });
    t.tile.HostClick(30, 10);  // picture
    t.tile.HostClick(30, 30);  // temperature line
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(titleClicks, 0);
    t.tile.HostClick(5, 20);   // title strip
    t.tile.HostClick(16, 30);  // where the strip lies over the temperature line
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(titleClicks, 2);
}

TEST(WeatherPictures, EveryPictureIsABaselineJpegOfTheTileSize) {
    tjhandle tj = tjInitDecompress();
    for (int i = 0; i < kWeatherCount; ++i) {
        Weather w = Weather(i);
        JpegBytes b = EmbeddedPicture(w);
        ASSERT_GT(b.size, 100u) << PictureName(w);
        // SOI, then JFIF 1.01 at 96 x 96 dots per inch.
        EXPECT_EQ(b.data[0], 0xFF);
        EXPECT_EQ(b.data[1], 0xD8);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data) + 6, 4), "JFIF");
        EXPECT_EQ(b.data[11], 1);
        EXPECT_EQ(b.data[12], 1);
        EXPECT_EQ(b.data[13], 1);
        EXPECT_EQ(b.data[15], 96);
        EXPECT_EQ(b.data[17], 96);
        int width = 0, height = 0, sub = -1, space = -1;
        ASSERT_EQ(tjDecompressHeader3(tj, const_cast<unsigned char*>(b.data), b.size, &width, &height, &sub, &space),
                  0);
        EXPECT_EQ(width, kPictureWidth);
        EXPECT_EQ(height, kPictureHeight);
        EXPECT_EQ(sub, TJSAMP_420);
        EXPECT_EQ(space, TJCS_YCbCr);
        // Baseline: a SOF0 marker, no progressive SOF2.
        std::string bytes(reinterpret_cast<const char*>(b.data), b.size);
        EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);
        EXPECT_EQ(bytes.find("\xFF\xC2"), std::string::npos);

        // The compiled-in bytes are the committed file's.
        std::string file = FindPictureFile(w);
        ASSERT_FALSE(file.empty());
        std::ifstream in(file, std::ios::binary);
        std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(onDisk, bytes) << file;
    }
    tjDestroy(tj);
}

// The pixels the build compiled in are the ones the decoder gives for the
// compiled-in file at run time, padding included.
TEST(WeatherPictures, CompiledInPixelsAreTheDecodedFile) {
    for (int i = 0; i < kWeatherCount; ++i) {
        const Weather w = Weather(i);
        SCOPED_TRACE(PictureName(w));
        const PictureBits bits = EmbeddedPictureBits(w);
        ASSERT_NE(bits.data, nullptr);
        EXPECT_EQ(bits.width, kPictureWidth);
        EXPECT_EQ(bits.height, kPictureHeight);
        const JpegBytes b = EmbeddedPicture(w);
        std::string error;
        gdi::HBITMAP decoded = DecodeJpeg(b.data, b.size, &error);
        ASSERT_NE(decoded, nullptr) << error;
        gdi::HBITMAP loaded = LoadPicture(w);
        ASSERT_NE(loaded, nullptr);
        const gdi::BitmapView d = gdi::GetBitmapView(decoded), l = gdi::GetBitmapView(loaded);
        ASSERT_EQ(d.stride, bits.stride);
        ASSERT_EQ(l.stride, bits.stride);
        const size_t n = size_t(bits.stride) * size_t(bits.height);
        EXPECT_EQ(std::memcmp(d.bits, bits.data, n), 0);
        EXPECT_EQ(std::memcmp(l.bits, bits.data, n), 0);
        gdi::DeleteObject(decoded);
        gdi::DeleteObject(loaded);
    }
}

TEST(WeatherPictures, BrokenDataIsRefusedWithAReason) {
    std::string error;
    const unsigned char junk[] = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    EXPECT_EQ(DecodeJpeg(junk, sizeof junk, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(LoadJpegFile("/nonexistent/x.jpg", &error), nullptr);
}

TEST(MiniForecastPictures, OneTilePerWeatherSavedForLooking) {
    const char* texts[] = {"sunny",
                           "sunny intervals",
                           "clear",
                           "partly cloudy",
                           "cloudy",
                           "light showers",
                           "heavy showers",
                           "light rain",
                           "heavy rain",
                           "light snow",
                           "heavy snow",
                           "fog",
                           "drizzle",
                           "sleet",
                           "thundery showers",
                           "partly cloudy night",
                           "unknown"};
    const int temps[] = {31, 24, -3, 18, 12, 9, 15, 7, 11, -1, -8, 4, 10, 1, 21, 8, 14};
    const char* days[] = {"Now", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Mon",
                          "Tue", "Wed", "Thu", "Fri", "Sat", "Sun", "Mon", "Tue"};
    static_assert(std::size(texts) == kWeatherCount && std::size(temps) == kWeatherCount &&
                  std::size(days) == kWeatherCount);
    for (int i = 0; i < kWeatherCount; ++i) {
        Tile t;
        t.tile.UpdateForecast(days[i], texts[i], int16_t(temps[i]));
        EXPECT_EQ(t.tile.ShownWeather(), Weather(i));
        SavePicture(t.tile, std::string("tile-") + PictureName(Weather(i)));
    }
}

TEST(ControlResources, NoDrawingObjectOutlivesItsCallOrItsControl) {
    const int before = gdi::LiveObjectCount();
    {
        Tile t;
        const int alive = gdi::LiveObjectCount();
        t.tile.UpdateForecast("Now", "heavy snow", -4);
        t.tile.UpdateForecast("Mon", "sunny", 22);
        // Each picture the tile has shown is made once, and kept until the
        // tile goes.
        const int pictures = 2;
        EXPECT_EQ(gdi::LiveObjectCount(), alive + pictures);
        t.tile.UpdateForecast("Tue", "heavy snow", -1);
        t.tile.Title().SetDrawOuter(true);
        t.tile.Title().SetDrawBorder(true);
        t.tile.Title().SetGradientDirection(2);
        EXPECT_EQ(gdi::LiveObjectCount(), alive + pictures);
        t.tile.Resize(100, 100);
        EXPECT_EQ(gdi::LiveObjectCount(), alive + pictures);
    }
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

TEST(MiniForecastLayout, DenserScreenScalesChildrenByTheirTwips) {
    RecordingSite site(12);  // 120 dots per inch
    MiniForecast tile(&site);
    tile.Resize(720, 540);
    tile.UpdateForecast("Now", "cloudy", 5);
    EXPECT_EQ(tile.ScaleWidth(), 60);
    EXPECT_EQ(tile.ScaleHeight(), 45);
    EXPECT_EQ(tile.Title().ScaleWidth(), 21);
    EXPECT_EQ(tile.Title().ScaleHeight(), 45);
    int titleClicks = 0;
    tile.TitleClick.Connect([&] { ++titleClicks; });
    tile.HostClick(20, 40);
    EXPECT_EQ(titleClicks, 1);
}
