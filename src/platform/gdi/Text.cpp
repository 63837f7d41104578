// Fonts and DrawTextA: line breaking, word wrap, alignment, measuring, and
// text turned by the font's escapement about the start of each line.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/gdi/FontEngine.h"

namespace gdi {

Font::~Font() = default;

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) return nullptr;
    auto* f = new Font;
    f->log = *font;
    AddLiveObject();
    return f;
}

namespace {

// UTF-8 to code points; a byte that does not start a valid sequence stands
// for itself (Latin-1), so 8-bit text from old files still shows.
std::u32string Decode(const char* text, size_t n) {
    std::u32string out;
    out.reserve(n);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = len > 0 && i + size_t(len) <= n;
        for (int k = 1; ok && k < len; ++k) {
            if ((s[i + size_t(k)] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + size_t(k)] & 0x3F);
        }
        if (ok && len > 1) {
            static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            ok = cp >= least[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
        } else {
            out.push_back(cp);
            i += size_t(len);
        }
    }
    return out;
}

struct TextLine {
    size_t begin, end;  // code points [begin, end)
    int width;
};

bool IsBreak(char32_t c) {
    return c == U'\r' || c == U'\n';
}

// Control characters other than line breaks take the space's place.
char32_t Shown(char32_t c) {
    return c < 0x20 ? U' ' : c;
}

int Advance(FontInstance& font, const std::u32string& text, size_t b, size_t e) {
    int w = 0;
    for (size_t i = b; i < e; ++i) w += Glyph(font, Shown(text[i])).advance;
    return w;
}

// Breaks one paragraph (no line breaks inside) into lines no wider than
// width, at spaces; a word wider than the line stands on a line of its own.
// The spaces at a break belong to neither line.
void WrapParagraph(FontInstance& font, const std::u32string& text, size_t b, size_t e, int width,
                   std::vector<TextLine>& lines) {
    size_t lineStart = b;
    size_t lineEnd = b;  // end of the last word that fits
    int lineWidth = 0;
    size_t i = b;
    while (true) {
        size_t spaceEnd = i;
        while (spaceEnd < e && text[spaceEnd] == U' ') ++spaceEnd;
        if (spaceEnd >= e) {
            if (lineEnd == lineStart && lineStart < e && i == lineStart) lineEnd = e;  // only spaces
            lines.push_back({lineStart, lineEnd, Advance(font, text, lineStart, lineEnd)});
            return;
        }
        size_t wordEnd = spaceEnd;
        while (wordEnd < e && text[wordEnd] != U' ') ++wordEnd;
        const int candidate = lineWidth + Advance(font, text, i, wordEnd);
        if (candidate <= width || lineEnd == lineStart) {
            lineEnd = wordEnd;
            lineWidth = candidate;
        } else {
            lines.push_back({lineStart, lineEnd, lineWidth});
            lineStart = spaceEnd;
            lineEnd = wordEnd;
            lineWidth = Advance(font, text, spaceEnd, wordEnd);
        }
        i = wordEnd;
    }
}

std::vector<TextLine> Layout(FontInstance& font, const std::u32string& text, UINT format, int width) {
    std::vector<TextLine> lines;
    if (text.empty()) return lines;
    const bool single = format & DT_SINGLELINE;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = start;
        if (!single)
            while (end < text.size() && !IsBreak(text[end])) ++end;
        else
            end = text.size();
        if (format & DT_WORDBREAK)
            WrapParagraph(font, text, start, end, width, lines);
        else
            lines.push_back({start, end, Advance(font, text, start, end)});
        if (end >= text.size()) break;
        // CR LF, LF CR, CR or LF end a line; text that ends with one does not
        // get an empty last line.
        size_t next = end + 1;
        if (next < text.size() && IsBreak(text[next]) && text[next] != text[end]) ++next;
        if (next >= text.size()) break;
        start = next;
    }
    return lines;
}

void BlendGlyph(Bitmap& b, const GlyphImage& g, int x0, int y0, COLORREF colour, const RECT& clip) {
    const int r = GetRValue(colour), gr = GetGValue(colour), bl = GetBValue(colour);
    const int ys = std::max<int>(y0, clip.top), ye = std::min<int>(y0 + g.height, clip.bottom);
    const int xs = std::max<int>(x0, clip.left), xe = std::min<int>(x0 + g.width, clip.right);
    for (int y = ys; y < ye; ++y) {
        const BYTE* cov = &g.coverage[size_t(y - y0) * size_t(g.width)];
        BYTE* p = b.row(y) + 3 * xs;
        for (int x = xs; x < xe; ++x, p += 3) {
            const int a = cov[x - x0];
            if (a == 0) continue;
            if (a == 255) {
                p[0] = BYTE(bl);
                p[1] = BYTE(gr);
                p[2] = BYTE(r);
                continue;
            }
            p[0] = BYTE(p[0] + ((bl - p[0]) * a + 127) / 255);
            p[1] = BYTE(p[1] + ((gr - p[1]) * a + 127) / 255);
            p[2] = BYTE(p[2] + ((r - p[2]) * a + 127) / 255);
        }
    }
}

// A rectangle given in the line's own coordinates (u along the baseline, v
// downwards from the top of the line), turned about the line's start.
struct LineFrame {
    double sx, sy, c, s;  // start point, cos and sin of the escapement
    std::pair<double, double> At(double u, double v) const { return {sx + u * c + v * s, sy - u * s + v * c}; }
};

void FillLineBox(Bitmap& b, const LineFrame& f, double u0, double v0, double u1, double v1, COLORREF colour,
                 const RECT& clip) {
    std::vector<std::pair<int64_t, int64_t>> pts;
    for (auto [u, v] : {std::pair{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}) {
        auto [x, y] = f.At(u, v);
        pts.emplace_back(std::llround(x * 256), std::llround(y * 256));
    }
    FillPolygonFixed(b, pts, false, colour, &clip);
}

}  // namespace

int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format) {
    DeviceContext* dc = ContextOf(hdc);
    if (!dc || !rect || !text) return 0;
    const size_t n = count < 0 ? std::strlen(text) : size_t(count);
    const std::u32string chars = Decode(text, n);

    std::lock_guard<std::mutex> lock(EngineLock());
    Font& fontObject = *dc->font;
    if (!fontObject.instance) fontObject.instance = ResolveFont(fontObject.log);
    FontInstance& font = *fontObject.instance;

    const RECT box{ClampCoord(rect->left), ClampCoord(rect->top), ClampCoord(rect->right), ClampCoord(rect->bottom)};
    const int boxWidth = box.right - box.left;
    const std::vector<TextLine> lines = Layout(font, chars, format, boxWidth);
    const int lineHeight = font.LineHeight();
    const int height = int(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        // Windows keeps the top-left corner and moves the right and bottom
        // edges to the text's extent.
        int widest = 0;
        for (const TextLine& l : lines) widest = std::max(widest, l.width);
        auto saturate = [](int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
        rect->right = saturate(int64_t(rect->left) + widest);
        rect->bottom = saturate(int64_t(rect->top) + height);
        return height;
    }
    if (lines.empty()) return 0;

    Bitmap& b = *dc->bitmap;
    RECT clip{0, 0, b.width, b.height};
    if (!(format & DT_NOCLIP)) {
        clip.left = std::max(clip.left, box.left);
        clip.top = std::max(clip.top, box.top);
        clip.right = std::min(clip.right, box.right);
        clip.bottom = std::min(clip.bottom, box.bottom);
    }
    if (clip.left >= clip.right || clip.top >= clip.bottom) return height;

    int top = box.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            top = box.bottom - lineHeight;
        else if (format & DT_VCENTER)
            top = box.top + (box.bottom - box.top - lineHeight) / 2;
    }
    const bool rotated = font.escapement != 0;
    const double c = std::cos(font.escapement), s = std::sin(font.escapement);
    for (size_t li = 0; li < lines.size(); ++li) {
        const TextLine& line = lines[li];
        int x = box.left;
        if (format & DT_CENTER)
            x = box.left + (boxWidth - line.width) / 2;
        else if (format & DT_RIGHT)
            x = box.right - line.width;
        const int y = top + int(li) * lineHeight;
        // Each line is laid out as if unturned and then turned about its own
        // start point, as TextOut does for every line of DrawText.
        const LineFrame frame{double(x), double(y), rotated ? c : 1.0, rotated ? s : 0.0};
        if (dc->bkMode == OPAQUE) FillLineBox(b, frame, 0, 0, line.width, lineHeight, dc->bkColour, clip);
        int pen = 0;
        for (size_t i = line.begin; i < line.end; ++i) {
            const char32_t ch = Shown(chars[i]);
            const GlyphInfo& g = Glyph(font, ch);
            if (!rotated) {
                BlendGlyph(b, g.image, x + pen + g.image.left, y + font.ascent - g.image.top, dc->textColour, clip);
            } else {
                auto [ox, oy] = frame.At(pen, font.ascent);
                const double fx = std::floor(ox), fy = std::floor(oy);
                const GlyphImage img = RotatedGlyph(font, ch, ox - fx, oy - fy);
                BlendGlyph(b, img, int(fx) + img.left, int(fy) - img.top, dc->textColour, clip);
            }
            pen += g.advance;
        }
        if (font.underline) {
            const double v = font.ascent + font.underlineOffset - font.underlineThickness / 2.0;
            FillLineBox(b, frame, 0, std::round(v), line.width, std::round(v) + font.underlineThickness, dc->textColour,
                        clip);
        }
        if (font.strikeOut) {
            const double v = font.ascent - font.strikeOffset;
            FillLineBox(b, frame, 0, v, line.width, v + font.strikeThickness, dc->textColour, clip);
        }
    }
    return height;
}

}  // namespace gdi
