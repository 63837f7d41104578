#include "controls/WeatherPictures.h"

#include <turbojpeg.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace nimbrel::controls {

// Defined in the file the build generates from pictures/*.jpg.
JpegBytes EmbeddedPictureBytes(int index);
PictureBits EmbeddedPictureBits(int index);

namespace {

constexpr const char* kNames[kWeatherCount] = {
    "imgSunny",        "imgSunnyIntervals", "imgClear",     "imgPartlyCloudy",      "imgCloudy",    "imgLightShowers",
    "imgHeavyshowers", "imgLightRain",      "imgHeavyRain", "imgLightSnow",         "imgHeavySnow", "imgFog",
    "imgDrizzle",      "imgSleet",          "imgThunder",   "imgPartlyCloudyNight", "imgNeutral",
};

}  // namespace

const char* PictureName(Weather weather) {
    return kNames[int(weather)];
}

JpegBytes EmbeddedPicture(Weather weather) {
    return EmbeddedPictureBytes(int(weather));
}

PictureBits EmbeddedPictureBits(Weather weather) {
    return EmbeddedPictureBits(int(weather));
}

std::string FindPictureFile(Weather weather) {
    const std::string file = std::string(PictureName(weather)) + ".jpg";
    for (const char* dir : {NIMBREL_PICTURES_INSTALL_DIR, NIMBREL_PICTURES_SOURCE_DIR}) {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::path(dir) / file;
        if (std::filesystem::is_regular_file(p, ec)) return p.string();
    }
    return {};
}

gdi::HBITMAP DecodeJpeg(const unsigned char* data, size_t size, std::string* error) {
    auto fail = [&](const std::string& why) -> gdi::HBITMAP {
        if (error) *error = why;
        return nullptr;
    };
    if (!data || size == 0) return fail("no picture data");
    tjhandle tj = tjInitDecompress();
    if (!tj) return fail("cannot start the JPEG decoder");
    int w = 0, h = 0, sub = 0, space = 0;
    auto* src = const_cast<unsigned char*>(data);
    if (tjDecompressHeader3(tj, src, (unsigned long)size, &w, &h, &sub, &space) != 0 || w <= 0 || h <= 0 || w > 4096 ||
        h > 4096) {
        std::string why = tjGetErrorStr2(tj);
        tjDestroy(tj);
        return fail("not a readable JPEG picture: " + why);
    }
    // Straight into the bitmap's own layout: bottom-up rows of blue, green,
    // red, each padded to 4 bytes.
    void* bits = nullptr;
    gdi::HBITMAP bitmap = gdi::CreateDIB24(nullptr, w, h, &bits);
    if (!bitmap || !bits) {
        tjDestroy(tj);
        return fail("cannot make a bitmap for the picture");
    }
    gdi::BitmapView view = gdi::GetBitmapView(bitmap);
    int rc = tjDecompress2(tj, src, (unsigned long)size, view.bits, w, view.stride, h, TJPF_BGR, TJFLAG_BOTTOMUP);
    std::string why = rc != 0 ? tjGetErrorStr2(tj) : "";
    tjDestroy(tj);
    if (rc != 0) {
        gdi::DeleteObject(bitmap);
        return fail("cannot decode the JPEG picture: " + why);
    }
    return bitmap;
}

gdi::HBITMAP LoadJpegFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return nullptr;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DecodeJpeg(bytes.data(), bytes.size(), error);
}

gdi::HBITMAP LoadPicture(Weather weather, std::string* error) {
    if (const PictureBits p = EmbeddedPictureBits(weather); p.data) {
        void* bits = nullptr;
        if (gdi::HBITMAP bitmap = gdi::CreateDIB24(nullptr, p.width, p.height, &bits); bitmap && bits) {
            const gdi::BitmapView view = gdi::GetBitmapView(bitmap);
            if (view.stride == p.stride) {
                std::memcpy(view.bits, p.data, size_t(p.stride) * size_t(p.height));
                return bitmap;
            }
            gdi::DeleteObject(bitmap);
        }
    }
    JpegBytes b = EmbeddedPicture(weather);
    if (gdi::HBITMAP bm = DecodeJpeg(b.data, b.size, error)) return bm;
    std::string file = FindPictureFile(weather);
    if (file.empty()) return nullptr;
    return LoadJpegFile(file, error);
}

}  // namespace nimbrel::controls
