#pragma once
// The weather pictures of the forecast tile: baseline JPEG files of
// 31 x 26 pixels, compiled into the library so the program never depends on
// its working folder. The build decodes them with libjpeg-turbo and compiles
// the pixels in as well, so that a tile copies its picture instead of
// starting a decoder (whose code and buffers cost the running program memory)
// for each one.
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

// The pixels the build decoded from that file, as a 24-bit bitmap holds them:
// bottom-up rows of blue, green, red, each `stride` bytes.
struct PictureBits {
    const unsigned char* data = nullptr;
    int width = 0, height = 0, stride = 0;
};
PictureBits EmbeddedPictureBits(Weather weather);

// The picture's file in the installed data folder or, in a build tree, in
// the sources; empty when neither exists.
std::string FindPictureFile(Weather weather);

// Decodes a JPEG into a new 24-bit bitmap; null (and the reason) on failure.
gdi::HBITMAP DecodeJpeg(const unsigned char* data, size_t size, std::string* error = nullptr);
gdi::HBITMAP LoadJpegFile(const std::string& path, std::string* error = nullptr);

// The picture from the compiled-in pixels, falling back to decoding the
// compiled-in file, then the installed one.
gdi::HBITMAP LoadPicture(Weather weather, std::string* error = nullptr);

}  // namespace nimbrel::controls
