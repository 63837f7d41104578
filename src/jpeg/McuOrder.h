#pragma once
// The order in which an interleaved scan visits blocks (T.81 A.2.3): MCU rows
// top to bottom, MCUs left to right, and within an MCU each component's V
// rows of H blocks. Where a component's block grid does not fill the MCUs of
// the right and bottom edges, the scan codes dummy blocks. The statistics and
// the coder both walk this one definition, so the symbols counted are the
// symbols written.
#include <cstdint>
#include <vector>

#include "jpeg/cJpeg.h"

namespace nimbrel::mcu_order {

inline int64_t CeilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

// Blocks per row of a component: its padded width divided by 8.
inline int64_t BlocksPerRow(const cJpeg::Component& c, int32_t X, int32_t Hmax) {
    return CeilDiv(CeilDiv(int64_t(c.H) * X, Hmax), 8);
}

// Calls real(component, block index) for every real block and
// dummy(component) for every dummy block, in scan order. Always inlined, so
// that the walk is built with its caller's instruction set.
template <class Real, class Dummy>
__attribute__((always_inline)) inline void Walk(const std::vector<cJpeg::Component>& components, int first, int last,
                                                int32_t X, int32_t Y, int32_t Hmax, int32_t Vmax, Real&& real,
                                                Dummy&& dummy) {
    const int64_t mx = CeilDiv(X, 8 * int64_t(Hmax)), my = CeilDiv(Y, 8 * int64_t(Vmax));
    struct Grid {
        int64_t perRow, rows;
    };
    std::vector<Grid> grids;
    for (int c = first; c <= last; ++c) {
        const int64_t b = BlocksPerRow(components[c], X, Hmax);
        grids.push_back({b, static_cast<int64_t>(components[c].coefficients.size() / 64) / b});
    }
    for (int64_t mcuRow = 0; mcuRow < my; ++mcuRow) {
        for (int64_t mcuCol = 0; mcuCol < mx; ++mcuCol) {
            for (int c = first; c <= last; ++c) {
                const cJpeg::Component& comp = components[c];
                const Grid& g = grids[c - first];
                for (int v = 0; v < comp.V; ++v) {
                    const int64_t row = mcuRow * comp.V + v;
                    for (int h = 0; h < comp.H; ++h) {
                        const int64_t col = mcuCol * comp.H + h;
                        if (col < g.perRow && row < g.rows) {
                            real(c, row * g.perRow + col);
                        } else {
                            dummy(c);
                        }
                    }
                }
            }
        }
    }
}

}  // namespace nimbrel::mcu_order
