// Reading the picture: each component is drawn at its own size by the
// platform's stretching blit into a 24-bit DIB section, colour-converted
// from the DIB's memory, transformed and quantized block by block, its last
// column and row repeated to fill whole blocks. A component at the
// picture's own size is read straight from the drawn picture's memory when
// the whole rectangle lies inside it: a copy would hold the same bytes.
#include <algorithm>
#include <cstring>

#include "jpeg/BlockKernel.h"
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

    const gdi::BitmapView source = gdi::GetBitmapView(gdi::GetCurrentBitmap(lHDC));
    const bool inside = source.bits && lSrcLeft >= 0 && lSrcTop >= 0 && int64_t(lSrcLeft) + X_ <= source.width &&
                        int64_t(lSrcTop) + Y_ <= source.height;
    struct Extent {
        int64_t cw, ch;
        bool direct;
    };
    std::vector<Extent> extents;
    int64_t surfaceW = 0, surfaceH = 0;  // the largest component drawn
    for (const Component& component : components_) {
        const int64_t cw = CeilDiv(int64_t(component.H) * X_, Hmax_);
        const int64_t ch = CeilDiv(int64_t(component.V) * Y_, Vmax_);
        const bool direct = inside && cw == X_ && ch == Y_;
        extents.push_back({cw, ch, direct});
        if (!direct) surfaceW = std::max(surfaceW, cw), surfaceH = std::max(surfaceH, ch);
    }

    Surface surface;
    int64_t surfaceStride = 0;
    if (surfaceW > 0) {
        surface.dc = gdi::CreateCompatibleDC(nullptr);
        if (!surface.dc) return 1;
        void* bits = nullptr;
        surface.dib = gdi::CreateDIB24(surface.dc, static_cast<int>(surfaceW), static_cast<int>(surfaceH), &bits);
        if (!surface.dib || !bits) return 1;
        surface.bits = static_cast<uint8_t*>(bits);
        surface.previous = gdi::SelectObject(surface.dc, surface.dib);
        if (gdi::SetStretchBltMode(surface.dc, gdi::HALFTONE) == 0)
            gdi::SetStretchBltMode(surface.dc, gdi::COLORONCOLOR);
        surfaceStride = (3 * surfaceW + 3) / 4 * 4;
    }

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
        const auto [cw, ch, direct] = extents[size_t(c)];
        // Left uninitialised: the blocks below write every coefficient.
        component.coefficients.resize(static_cast<size_t>(RoundUp8(cw) * RoundUp8(ch)));

        // Drawing row 0 of the component, and the bytes from one drawing row
        // to the next (bottom-up rows: downwards in memory).
        const uint8_t* top = nullptr;
        int64_t step = 0;
        if (direct) {
            top = source.bits + int64_t(source.height - 1 - lSrcTop) * source.stride + 3 * int64_t(lSrcLeft);
            step = source.stride;
        } else {
            // Drawn in the surface's bottom rows, which come first in memory.
            const int y = static_cast<int>(surfaceH - ch);
            if (cw != drawnW || ch != drawnH) {
                // Where the rectangle reaches past the drawn picture the blit
                // leaves pixels alone: they stay black for every component,
                // not what an earlier component's drawing left there.
                if (!inside && drawnW >= 0) std::memset(surface.bits, 0, size_t(surfaceH * surfaceStride));
                if (cw == X_ && ch == Y_) {
                    gdi::BitBlt(surface.dc, 0, y, int(cw), int(ch), lHDC, lSrcLeft, lSrcTop, gdi::SRCCOPY);
                } else {
                    gdi::StretchBlt(surface.dc, 0, y, int(cw), int(ch), lHDC, lSrcLeft, lSrcTop, X_, Y_, gdi::SRCCOPY);
                }
                drawnW = cw;
                drawnH = ch;
            }
            top = surface.bits + (ch - 1) * surfaceStride;
            step = surfaceStride;
        }
        SampleComponent(component, c, top, step, cw, ch);
    }
    discard.done = true;
    return 0;
}

void cJpeg::SampleComponent(Component& c, int row, const uint8_t* top, int64_t step, int64_t cw, int64_t ch) {
    const ColourRow& w = kColourRows[row];
    double red[256], green[256], blueAndOffset[256];
    for (int v = 0; v < 256; ++v) {
        red[v] = v * double(w.wR);
        green[v] = v * double(w.wG);
        blueAndOffset[v] = v * double(w.wB) + double(w.offset);
    }
    block_kernel::BlockRow job{};
    job.red = red, job.green = green, job.blueAndOffset = blueAndOffset;
    job.wR = w.wR, job.wG = w.wG, job.wB = w.wB, job.offset = w.offset;
    job.M = mTransposed_[c.Tq];
    const int64_t perRow = RoundUp8(cw) / 8, rows = RoundUp8(ch) / 8;
    const int whole = static_cast<int>(cw / 8), rest = static_cast<int>(cw % 8);
    // The last block of a row when the width is not a multiple of 8: its
    // pixels and then the last one repeated.
    uint8_t edge[8][24];
    block_kernel::BlockRow edgeJob = job;
    edgeJob.blocks = 1;
    for (int j = 0; j < 8; ++j) edgeJob.rows[j] = edge[j];
    for (int64_t by = 0; by < rows; ++by) {
        for (int j = 0; j < 8; ++j) job.rows[j] = top - std::min(8 * by + j, ch - 1) * step;
        int16_t* out = c.coefficients.data() + static_cast<size_t>(by * perRow) * 64;
        job.blocks = whole;
        job.out = out;
        bool fits = whole == 0 || block_kernel::SampleBlockRow(job);
        if (fits && rest > 0) {
            for (int j = 0; j < 8; ++j) {
                std::memcpy(edge[j], job.rows[j] + 24 * whole, size_t(3 * rest));
                for (int x = rest; x < 8; ++x) std::memcpy(edge[j] + 3 * x, edge[j] + 3 * (rest - 1), 3);
            }
            edgeJob.out = out + 64 * whole;
            fits = block_kernel::SampleBlockRow(edgeJob);
        }
        if (!fits) throw JpegError(jpeg_errors::kOverflow, jpeg_errors::kOverflowText);
    }
}

}  // namespace nimbrel
