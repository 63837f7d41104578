#pragma once
// Reading back what the capture wrote: the reference decoder for the JPEG
// file, the picture's own pixels, and the distance between two images.
#include <QImage>
#include <string>

#include "platform/gdi/gdi.h"

namespace nimbrel::testing {

// Decodes a JPEG file with libjpeg-turbo; a null image when it cannot.
// *subsampling receives the TJSAMP_* value of the file.
QImage DecodeJpegFile(const std::string& path, int* subsampling = nullptr);

// The image encoded by libjpeg-turbo at the given quality and TJSAMP_*
// subsampling and decoded again: what the reference encoder keeps of it.
QImage TurboRoundTrip(const QImage& image, int quality, int subsampling);

// The bitmap's pixels as an RGB image, top row first.
QImage BitmapToImage(gdi::HBITMAP bitmap);

// Peak signal-to-noise ratio over the three colour channels, in dB;
// infinity for identical images, 0 when the sizes differ.
double Psnr(const QImage& a, const QImage& b);

}  // namespace nimbrel::testing
