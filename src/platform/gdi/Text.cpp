// Fonts and DrawTextA.
#include <cstring>

#include "platform/gdi/GdiObjects.h"

namespace gdi {

struct FontInstance {};

Font::~Font() = default;

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) return nullptr;
    auto* f = new Font;
    f->log = *font;
    AddLiveObject();
    return f;
}

int DrawTextA(HDC hdc, const char*, int, RECT* rect, UINT) {
    if (!ContextOf(hdc) || !rect) return 0;
    return 0;
}

}  // namespace gdi
