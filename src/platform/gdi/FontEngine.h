#pragma once
// Fonts for DrawTextA: fontconfig finds the face, FreeType measures and
// rasterises. Private to the drawing layer.
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/gdi/GdiObjects.h"

namespace gdi {

// A glyph as coverage values 0..255, placed relative to its pen origin on the
// baseline: the top-left pixel lies at (origin.x + left, origin.y - top).
struct GlyphImage {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<BYTE> coverage;
};

struct GlyphInfo {
    int advance = 0;   // whole pixels, as Windows lays text out
    GlyphImage image;  // unrotated
};

// One LOGFONTA made concrete: a face at one pixel size with the metrics of a
// Windows TEXTMETRIC (ascent and descent from the face's Windows metrics).
struct FontInstance {
    void* face = nullptr;  // FT_Face, owned by the engine; null when no font file could be opened
    int ppem = 12;
    int ascent = 11, descent = 3;
    bool mono = false, emboldenSynth = false, obliqueSynth = false;
    bool underline = false, strikeOut = false;
    int underlineOffset = 1, underlineThickness = 1;  // below the baseline
    int strikeOffset = 4, strikeThickness = 1;        // above the baseline
    double escapement = 0;                            // radians, counter-clockwise
    std::unordered_map<char32_t, GlyphInfo> glyphs;

    int LineHeight() const { return ascent + descent; }
};

// Everything here is called with EngineLock held.
std::mutex& EngineLock();
std::shared_ptr<FontInstance> ResolveFont(const LOGFONTA& log);
const GlyphInfo& Glyph(FontInstance& font, char32_t ch);
// The glyph turned by the font's escapement, for a pen origin whose fraction
// of a pixel is (fx, fy) in screen coordinates.
GlyphImage RotatedGlyph(FontInstance& font, char32_t ch, double fx, double fy);

}  // namespace gdi
