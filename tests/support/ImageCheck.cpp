#include "ImageCheck.h"

#include <turbojpeg.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

namespace nimbrel::testing {

QImage DecodeJpegFile(const std::string& path, int* subsampling) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty()) return {};
    tjhandle tj = tjInitDecompress();
    int width = 0, height = 0, samp = -1, colours = 0;
    QImage image;
    if (tjDecompressHeader3(tj, data.data(), data.size(), &width, &height, &samp, &colours) == 0) {
        image = QImage(width, height, QImage::Format_RGB888);
        if (tjDecompress2(tj, data.data(), data.size(), image.bits(), width, image.bytesPerLine(), height, TJPF_RGB,
                          TJFLAG_ACCURATEDCT) != 0)
            image = QImage();
    }
    tjDestroy(tj);
    if (subsampling) *subsampling = samp;
    return image;
}

QImage TurboRoundTrip(const QImage& image, int quality, int subsampling) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    tjhandle enc = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    QImage result;
    if (tjCompress2(enc, rgb.constBits(), rgb.width(), rgb.bytesPerLine(), rgb.height(), TJPF_RGB, &jpeg, &size,
                    subsampling, quality, TJFLAG_ACCURATEDCT) == 0) {
        tjhandle dec = tjInitDecompress();
        result = QImage(rgb.width(), rgb.height(), QImage::Format_RGB888);
        if (tjDecompress2(dec, jpeg, size, result.bits(), rgb.width(), result.bytesPerLine(), rgb.height(), TJPF_RGB,
                          TJFLAG_ACCURATEDCT) != 0)
            result = QImage();
        tjDestroy(dec);
    }
    tjFree(jpeg);
    tjDestroy(enc);
    return result;
}

QImage BitmapToImage(gdi::HBITMAP bitmap) {
    const gdi::BitmapView view = gdi::GetBitmapView(bitmap);
    QImage image(view.width, view.height, QImage::Format_RGB888);
    for (int y = 0; y < view.height; ++y) {
        const gdi::BYTE* src = view.bits + size_t(view.height - 1 - y) * view.stride;
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < view.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return image;
}

double Psnr(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i) {
            const double d = double(p[i]) - double(q[i]);
            sum += d * d;
        }
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    const double mse = sum / (double(x.width()) * x.height() * 3);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace nimbrel::testing
