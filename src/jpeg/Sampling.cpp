// Reading the picture: each component is drawn at its own size by the
// platform's stretching blit into a 24-bit DIB section, padded by repeating
// its last column and row to whole blocks, colour-converted from the DIB's
// memory, transformed and quantized block by block.
#include <cstring>

#include "jpeg/JpegTables.h"
#include "jpeg/cJpeg.h"

namespace nimbrel {

using namespace jpeg_tables;

namespace {

int64_t RoundUp8(int64_t n) {
    return (n + 7) / 8 * 8;
}
int64_t CeilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

// The working surface of one call; released on every way out, an error
// raised by the quantization included.
struct Surface {
    gdi::HDC dc = nullptr;
    gdi::HBITMAP dib = nullptr;
    gdi::HGDIOBJ previous = nullptr;
    uint8_t* bits = nullptr;
    ~Surface() {
        if (dc && previous) gdi::SelectObject(dc, previous);
        if (dib) gdi::DeleteObject(dib);
        if (dc) gdi::DeleteDC(dc);
    }
};

// A DIB larger than this is refused like one the platform cannot create.
constexpr int64_t kLargestSurfaceBytes = int64_t(1) << 31;

}  // namespace

int32_t cJpeg::SampleHDC(gdi::HDC lHDC, int32_t lWidth, int32_t lHeight, int32_t lSrcLeft, int32_t lSrcTop) {
    P_ = 8;
    Y_ = lHeight;
    X_ = lWidth;

    // A failed call leaves no picture behind: a later SaveFile then refuses
    // to write instead of coding an earlier picture under the new size.
    for (Component& c : components_) {
        c.Id = 0;
        c.coefficients.clear();
        c.coefficients.shrink_to_fit();
    }
    const int64_t W8 = RoundUp8(X_), H8 = RoundUp8(Y_);
    const int64_t stride = (3 * W8 + 3) / 4 * 4;
    if (X_ < 1 || Y_ < 1 || stride * H8 > kLargestSurfaceBytes) return 1;

    Surface surface;
    surface.dc = gdi::CreateCompatibleDC(nullptr);
    if (!surface.dc) return 1;
    void* bits = nullptr;
    surface.dib = gdi::CreateDIB24(surface.dc, static_cast<int>(W8), static_cast<int>(H8), &bits);
    if (!surface.dib || !bits) return 1;
    surface.bits = static_cast<uint8_t*>(bits);
    surface.previous = gdi::SelectObject(surface.dc, surface.dib);
    if (gdi::SetStretchBltMode(surface.dc, gdi::HALFTONE) == 0) gdi::SetStretchBltMode(surface.dc, gdi::COLORONCOLOR);

    // An error part of the way through leaves no half-sampled picture either.
    struct DiscardOnError {
        std::vector<Component>& components;
        bool done = false;
        ~DiscardOnError() {
            if (done) return;
            for (Component& c : components) {
                c.Id = 0;
                c.coefficients.clear();
            }
        }
    } discard{components_};

    for (int t = 0; t < 2; ++t) std::memcpy(sampledQ_[t], qt_[t].Q, sizeof sampledQ_[t]);
    int64_t drawnW = -1, drawnH = -1;
    for (int c = 0; c < Nf_; ++c) {
        Component& component = components_[c];
        component.Id = c + 1;
        const int64_t cw = CeilDiv(int64_t(component.H) * X_, Hmax_);
        const int64_t ch = CeilDiv(int64_t(component.V) * Y_, Vmax_);
        const int64_t pw = RoundUp8(cw), ph = RoundUp8(ch);
        // Left uninitialised: the blocks below write every coefficient.
        component.coefficients.resize(static_cast<size_t>(pw * ph));

        if (cw != drawnW || ch != drawnH) {
            const int top = static_cast<int>(H8 - ph);
            if (cw == X_ && ch == Y_) {
                gdi::BitBlt(surface.dc, 0, top, int(cw), int(ch), lHDC, lSrcLeft, lSrcTop, gdi::SRCCOPY);
            } else {
                gdi::StretchBlt(surface.dc, 0, top, int(cw), int(ch), lHDC, lSrcLeft, lSrcTop, X_, Y_, gdi::SRCCOPY);
            }
            // Pad to whole blocks: repeat the last real column, then the last
            // real row. Drawing row y is stored row H8 - 1 - y.
            const auto row = [&](int64_t y) { return surface.bits + (H8 - 1 - y) * stride; };
            for (int64_t y = top; y < top + ch; ++y) {
                uint8_t* r = row(y);
                for (int64_t x = cw; x < pw; ++x) std::memcpy(r + 3 * x, r + 3 * (x - 1), 3);
            }
            for (int64_t y = top + ch; y < H8; ++y) std::memcpy(row(y), row(y - 1), static_cast<size_t>(3 * pw));
            drawnW = cw;
            drawnH = ch;
        }
        SampleComponent(component, c, surface.bits, static_cast<int>(stride), static_cast<int>(H8),
                        static_cast<int>(ph));
    }
    discard.done = true;
    return 0;
}

void cJpeg::SampleComponent(Component& c, int row, const uint8_t* bits, int stride, int H8, int ph) {
    // The product of a byte and a single-precision weight is exact in
    // double, and so is the sum of three of them and the offset: tables of
    // the products give the very sums the multiplications would, in any
    // order, and the one rounding is the store to single precision.
    const ColourRow& w = kColourRows[row];
    double red[256], green[256], blueAndOffset[256];
    for (int v = 0; v < 256; ++v) {
        red[v] = v * double(w.wR);
        green[v] = v * double(w.wG);
        blueAndOffset[v] = v * double(w.wB) + double(w.offset);
    }
    const int blocksPerRow = static_cast<int>(c.coefficients.size() / 64 / (ph / 8));
    size_t position = 0;
    for (int by = 0; by < ph / 8; ++by) {
        for (int bx = 0; bx < blocksPerRow; ++bx) {
            for (int j = 0; j < 8; ++j) {
                const int y = H8 - ph + 8 * by + j;
                const uint8_t* p = bits + static_cast<int64_t>(H8 - 1 - y) * stride + 3 * 8 * bx;
                float* out = workspace_ + j * 8;
                for (int k = 0; k < 8; ++k, p += 3)
                    out[k] = static_cast<float>(red[p[2]] + green[p[1]] + blueAndOffset[p[0]]);
            }
            TransformAndQuantize(workspace_, c.coefficients, position, c.Tq);
        }
    }
}

}  // namespace nimbrel
