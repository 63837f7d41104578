#include "platform/gdi/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

namespace gdi {

namespace {

// The FreeType library, the opened faces and the recently used font
// instances. One function-local static, torn down at exit so that the
// sanitizer build sees every FreeType allocation returned.
class Engine {
public:
    Engine() {
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    }
    ~Engine() {
        instances_.clear();
        for (auto& [key, face] : faces_)
            if (face) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
    }

    std::shared_ptr<FontInstance> Resolve(const LOGFONTA& log);
    // Sets the face's size to the instance's before loading one of its glyphs.
    FT_Face Prepare(FontInstance& font) {
        auto face = static_cast<FT_Face>(font.face);
        if (face && sized_[face] != font.ppem) {
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(font.ppem));
            sized_[face] = font.ppem;
        }
        return face;
    }

private:
    struct Match {
        std::string file;
        int index = 0;
        bool bold = false, italic = false;
    };
    Match Find(const std::string& family, bool bold, bool italic);
    FT_Face Open(const Match& m);

    FT_Library library_ = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces_;
    std::map<FT_Face, int> sized_;
    std::map<std::string, Match> matches_;
    std::map<std::string, std::shared_ptr<FontInstance>> instances_;
};

Engine& TheEngine() {
    static Engine engine;
    return engine;
}

std::string Lower(std::string s) {
    // ASCII rules: family names are matched the same under every locale.
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

Engine::Match Engine::Find(const std::string& family, bool bold, bool italic) {
    const std::string key = Lower(family) + (bold ? "|b" : "|r") + (italic ? "i" : "");
    if (auto it = matches_.find(key); it != matches_.end()) return it->second;
    Match m;
    // fontconfig always answers with its best match, so a face the machine
    // does not have falls back to a similar one ("Arial" to Liberation Sans).
    FcPattern* pattern = FcPatternCreate();
    if (pattern) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* found = FcFontMatch(nullptr, pattern, &result)) {
            FcChar8* file = nullptr;
            int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
            if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file)
                m.file = reinterpret_cast<const char*>(file);
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(found, FC_SLANT, 0, &slant);
            m.index = index;
            m.bold = weight >= FC_WEIGHT_DEMIBOLD;
            m.italic = slant != FC_SLANT_ROMAN;
            FcPatternDestroy(found);
        }
        FcPatternDestroy(pattern);
    }
    matches_[key] = m;
    return m;
}

FT_Face Engine::Open(const Match& m) {
    if (!library_ || m.file.empty()) return nullptr;
    const auto key = std::make_pair(m.file, m.index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, m.file.c_str(), m.index, &face) != 0) face = nullptr;
    if (face && !FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        face = nullptr;
    }
    faces_[key] = face;
    return face;
}

std::shared_ptr<FontInstance> Engine::Resolve(const LOGFONTA& log) {
    std::string name(log.lfFaceName, strnlen(log.lfFaceName, LF_FACESIZE));
    if (name.empty()) name = "Arial";
    const bool bold = log.lfWeight >= 600;
    const bool italic = log.lfItalic != 0;
    const std::string key = Lower(name) + "|" + std::to_string(log.lfHeight) + "|" + std::to_string(bold) +
                            std::to_string(italic) + std::to_string(log.lfUnderline != 0) +
                            std::to_string(log.lfStrikeOut != 0) + "|" + std::to_string(int(log.lfQuality)) + "|" +
                            std::to_string(log.lfEscapement);
    if (auto it = instances_.find(key); it != instances_.end()) return it->second;

    auto font = std::make_shared<FontInstance>();
    Match m = Find(name, bold, italic);
    FT_Face face = Open(m);
    if (!face) {
        m = Find("sans-serif", bold, italic);
        face = Open(m);
    }
    font->face = face;
    font->mono = log.lfQuality == 3;  // NONANTIALIASED_QUALITY
    font->emboldenSynth = bold && !m.bold;
    font->obliqueSynth = italic && !m.italic;
    font->underline = log.lfUnderline != 0;
    font->strikeOut = log.lfStrikeOut != 0;
    font->escapement = log.lfEscapement / 10.0 * 3.14159265358979323846 / 180.0;

    // Windows sizes: a negative height is the em size in pixels, a positive
    // one the cell height (ascent + descent), zero a default cell.
    const auto* os2 = face ? static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)) : nullptr;
    double up = face ? face->units_per_EM : 2048;
    double asc = 0.905 * up, desc = 0.212 * up;
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        asc = os2->usWinAscent;
        desc = os2->usWinDescent;
    } else if (face && face->ascender - face->descender > 0) {
        asc = face->ascender;
        desc = -face->descender;
    }
    const LONG h = log.lfHeight;
    if (h < 0)
        font->ppem = std::max(1, int(std::min<int64_t>(-int64_t(h), 2000)));
    else
        font->ppem = std::max(1, int(std::lround(std::min<LONG>(h == 0 ? 16 : h, 2000) * up / (asc + desc))));
    const double scale = font->ppem / up;
    font->ascent = int(std::lround(asc * scale));
    font->descent = int(std::lround(desc * scale));
    if (face) {
        font->underlineThickness = std::max(1, int(std::lround(face->underline_thickness * scale)));
        font->underlineOffset = std::max(1, int(std::lround(-face->underline_position * scale)));
    }
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        font->strikeThickness = std::max(1, int(std::lround(os2->yStrikeoutSize * scale)));
        font->strikeOffset = int(std::lround(os2->yStrikeoutPosition * scale));
    } else {
        font->strikeThickness = font->underlineThickness;
        font->strikeOffset = font->ascent / 3;
    }
    // Captions are made and dropped at every redraw; keeping a few recent
    // instances keeps their rendered glyphs.
    if (instances_.size() >= 32) instances_.clear();
    instances_[key] = font;
    return font;
}

FT_Int32 LoadFlags(const FontInstance& font) {
    return FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | (font.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
}

// Renders the loaded glyph of the slot (outline form) into a coverage image.
GlyphImage Render(FT_Face face, const FontInstance& font) {
    GlyphImage img;
    FT_GlyphSlot slot = face->glyph;
    if (font.emboldenSynth) FT_GlyphSlot_Embolden(slot);
    if (FT_Render_Glyph(slot, font.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return img;
    const FT_Bitmap& bm = slot->bitmap;
    img.left = slot->bitmap_left;
    img.top = slot->bitmap_top;
    img.width = int(bm.width);
    img.height = int(bm.rows);
    img.coverage.resize(size_t(img.width) * size_t(img.height));
    for (int y = 0; y < img.height; ++y) {
        const unsigned char* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
        for (int x = 0; x < img.width; ++x) {
            BYTE v = 0;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                v = row[x];
            img.coverage[size_t(y) * size_t(img.width) + size_t(x)] = v;
        }
    }
    return img;
}

// The italic shear is applied by transform so that it combines with the
// escapement; FT_GlyphSlot_Oblique would shear only unrotated glyphs.
void SetTransform(FT_Face face, const FontInstance& font, double angle, double fx, double fy) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double shear = font.obliqueSynth ? 0.2 : 0.0;  // about 11 degrees, like a synthesised italic
    // rotation * shear, in FreeType's y-up coordinates
    FT_Matrix m;
    m.xx = FT_Fixed(std::lround(c * 65536));
    m.xy = FT_Fixed(std::lround((c * shear - s) * 65536));
    m.yx = FT_Fixed(std::lround(s * 65536));
    m.yy = FT_Fixed(std::lround((s * shear + c) * 65536));
    FT_Vector delta{FT_Pos(std::lround(fx * 64)), FT_Pos(std::lround(-fy * 64))};
    FT_Set_Transform(face, &m, &delta);
}

}  // namespace

std::mutex& EngineLock() {
    static std::mutex lock;
    return lock;
}

std::shared_ptr<FontInstance> ResolveFont(const LOGFONTA& log) {
    return TheEngine().Resolve(log);
}

const GlyphInfo& Glyph(FontInstance& font, char32_t ch) {
    if (auto it = font.glyphs.find(ch); it != font.glyphs.end()) return it->second;
    GlyphInfo info;
    FT_Face face = TheEngine().Prepare(font);
    if (face) {
        SetTransform(face, font, 0, 0, 0);
        const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(ch));
        if (FT_Load_Glyph(face, index, LoadFlags(font)) == 0) {
            info.image = Render(face, font);
            // Read after rendering: a synthesised bold glyph is wider.
            info.advance = int((face->glyph->advance.x + 32) >> 6);
        }
        FT_Set_Transform(face, nullptr, nullptr);
    } else {
        info.advance = std::max(1, font.ppem / 2);  // no font at all: measure, draw nothing
    }
    return font.glyphs.emplace(ch, std::move(info)).first->second;
}

GlyphImage RotatedGlyph(FontInstance& font, char32_t ch, double fx, double fy) {
    GlyphImage img;
    FT_Face face = TheEngine().Prepare(font);
    if (!face) return img;
    SetTransform(face, font, font.escapement, fx, fy);
    const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(ch));
    if (FT_Load_Glyph(face, index, LoadFlags(font)) == 0) img = Render(face, font);
    FT_Set_Transform(face, nullptr, nullptr);
    return img;
}

}  // namespace gdi

#if defined(__SANITIZE_ADDRESS__)
#define NIMBREL_GDI_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NIMBREL_GDI_ASAN 1
#endif
#endif
#if defined(NIMBREL_GDI_ASAN)
// fontconfig loses a few hundred bytes while parsing the system's font
// configuration, once per process; that is outside this program, and the
// leak check of the sanitizer build should report only our own leaks. Any
// other suppression the program needs belongs in this one list.
extern "C" const char* __lsan_default_suppressions() {
    // libdbus keeps one buffer of the session-bus lookup that Qt's xcb
    // platform makes at start-up (the screen-capture tests run on X11).
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
#endif
