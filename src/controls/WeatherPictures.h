#pragma once
// The weather pictures of the forecast tile: baseline JPEG files of
// 31 x 26 pixels, compiled into the library so the program never depends on
// its working folder, and decoded with libjpeg-turbo.
#include <cstddef>
#include <string>

#include "platform/gdi/gdi.h"

namespace nimbrel::controls {

enum class Weather {
    Sunny,
    SunnyIntervals,
    Clear,
    PartlyCloudy,
    Cloudy,
    LightShowers,
    HeavyShowers,
    LightRain,
    HeavyRain,
    LightSnow,
    HeavySnow,
    Fog,
    Drizzle,
    Sleet,
    Thunder,
    PartlyCloudyNight,
    // Shown for a summary the table has no picture for.
    Neutral,
};
constexpr int kWeatherCount = 17;
constexpr int kPictureWidth = 31, kPictureHeight = 26;

// The source picture's name ("imgSunny"); the file is that name + ".jpg".
const char* PictureName(Weather weather);

struct JpegBytes {
    const unsigned char* data = nullptr;
    size_t size = 0;
};
// The picture's JPEG file as compiled in (empty if the build had none).
JpegBytes EmbeddedPicture(Weather weather);

// The picture's file in the installed data folder or, in a build tree, in
// the sources; empty when neither exists.
std::string FindPictureFile(Weather weather);

// Decodes a JPEG into a new 24-bit bitmap; null (and the reason) on failure.
gdi::HBITMAP DecodeJpeg(const unsigned char* data, size_t size, std::string* error = nullptr);
gdi::HBITMAP LoadJpegFile(const std::string& path, std::string* error = nullptr);

// The picture from the compiled-in bytes, falling back to the files.
gdi::HBITMAP LoadPicture(Weather weather, std::string* error = nullptr);

}  // namespace nimbrel::controls
