// The fonts of the styles, built at the window's DPI and zoom, and the
// fallback fonts for characters a style's font lacks.
#include "component/view/view.h"
#include <algorithm>
#include "kalmor.h"

namespace kalmor {

namespace {

// Styles whose fonts decide the line height: the lexer's styles and the
// predefined ones (default, line numbers and their neighbours).
constexpr int kMeasuredStyles = 40;

// Faces tried, in order, for a character a style's font lacks: those of
// Windows for each script and for symbols, then common ones of other
// systems (Wine takes its fonts from the host). A face not installed is
// skipped.
constexpr const wchar_t* kFallbackFaces[] = {L"Segoe UI",
                                             L"Meiryo",
                                             L"MS Gothic",
                                             L"Microsoft YaHei",
                                             L"SimSun",
                                             L"Malgun Gothic",
                                             L"Gulim",
                                             L"Microsoft JhengHei",
                                             L"MingLiU",
                                             L"Nirmala UI",
                                             L"Ebrima",
                                             L"Segoe UI Historic",
                                             L"Segoe UI Symbol",
                                             L"Segoe UI Emoji",
                                             L"Arial Unicode MS",
                                             L"Noto Sans CJK JP",
                                             L"WenQuanYi Micro Hei",
                                             L"DejaVu Sans",
                                             L"Symbola"};
constexpr int kFallbackCount = static_cast<int>(sizeof kFallbackFaces / sizeof kFallbackFaces[0]);

// A style's size in points, with the zoom added; never below 2.
int ZoomedSize(const View& w, const Style& style) {
    return std::max(2, style.size + w.core.Zoom());
}

bool SameFont(const View& w, const StyleFont& cached, const Style& style) {
    return cached.built && cached.face == style.font && cached.size == ZoomedSize(w, style) &&
           cached.bold == style.bold && cached.italic == style.italic;
}

// Builds the font a style asks for, or shares another style's equal one, and
// records its vertical metrics.
void BuildFont(View& w, StyleFont& cached, const Style& style, HDC dc) {
    for (const StyleFont& other : w.fonts) {
        if (&other != &cached && other.font && SameFont(w, other, style)) {
            cached = other;
            return;
        }
    }
    int height = -MulDiv(ZoomedSize(w, style), w.metrics.dpi, 72);
    cached.font = std::make_shared<OwnedFont>(
        CreateFontA(height, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, style.italic, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, style.font.c_str()));
    cached.fallbacks = std::make_shared<std::vector<FallbackFont>>(kFallbackCount);
    // What was measured or looked up in the old font (whose handle the new
    // one may reuse) is stale.
    w.layouts.clear();
    w.fallbackOf.clear();
    cached.built = true;
    cached.face = style.font;
    cached.size = ZoomedSize(w, style);
    cached.bold = style.bold;
    cached.italic = style.italic;
    TEXTMETRICA metrics{};
    SelectedObject selected(dc, cached.font->Get() ? cached.font->Get()
                                                   : GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetricsA(dc, &metrics);
    cached.ascent = metrics.tmAscent;
    cached.descent = metrics.tmDescent;
    cached.maxWidth = metrics.tmMaxCharWidth;
    wchar_t printable[kPrintableAscii];
    INT extents[kPrintableAscii];
    for (int k = 0; k < kPrintableAscii; ++k)
        printable[k] = static_cast<wchar_t>(' ' + k);
    SIZE size{};
    auto ascii = std::make_shared<std::vector<int>>(kPrintableAscii);
    if (GetTextExtentExPointW(dc, printable, kPrintableAscii, 0, nullptr, extents, &size)) {
        for (int k = 0; k < kPrintableAscii; ++k)
            (*ascii)[static_cast<size_t>(k)] = extents[k] - (k > 0 ? extents[k - 1] : 0);
        cached.ascii = std::move(ascii);
    }
}

// The fallback font k - 1 of a style's font, made on first use; null when
// its face is not installed (the system would give another face instead).
HFONT FallbackFontOf(HDC dc, const StyleFont& font, int k) {
    FallbackFont& fallback = (*font.fallbacks)[static_cast<size_t>(k - 1)];
    if (fallback.tried)
        return fallback.font.Get();
    fallback.tried = true;
    LOGFONTW description{};
    if (!GetObjectW(font.font->Get(), sizeof description, &description))
        return nullptr;
    lstrcpynW(description.lfFaceName, kFallbackFaces[k - 1], LF_FACESIZE);
    fallback.font.Reset(CreateFontIndirectW(&description));
    wchar_t face[LF_FACESIZE] = L"";
    {
        SelectedObject selected(dc, fallback.font.Get());
        GetTextFaceW(dc, LF_FACESIZE, face);
    }
    if (lstrcmpiW(face, kFallbackFaces[k - 1]) != 0)
        fallback.font.Reset();
    return fallback.font.Get();
}

// The glyph of a character in the font selected into dc, 0 if it has none:
// GetGlyphIndicesW for one UTF-16 unit, ScriptShape for a surrogate pair.
WORD GlyphOf(View& w, HDC dc, const wchar_t* units, int count) {
    WORD glyphs[2] = {0, 0};
    if (count == 1) {
        GetGlyphIndicesW(dc, units, 1, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
        return glyphs[0] == 0xFFFF ? 0 : glyphs[0];
    }
    UniscribeApi& api = w.uniscribe;
    if (!api.tried) {
        api.tried = true;
        if (HMODULE usp = LoadLibraryW(L"usp10.dll")) {
            api.ScriptItemize = reinterpret_cast<decltype(api.ScriptItemize)>(
                reinterpret_cast<void*>(GetProcAddress(usp, "ScriptItemize")));
            api.ScriptShape = reinterpret_cast<decltype(api.ScriptShape)>(
                reinterpret_cast<void*>(GetProcAddress(usp, "ScriptShape")));
            api.ScriptFreeCache = reinterpret_cast<decltype(api.ScriptFreeCache)>(
                reinterpret_cast<void*>(GetProcAddress(usp, "ScriptFreeCache")));
        }
    }
    SCRIPT_ITEM items[3]{};
    int itemCount = 0;
    if (!api.ScriptItemize || !api.ScriptShape || !api.ScriptFreeCache ||
        FAILED(api.ScriptItemize(units, count, 2, nullptr, nullptr, items, &itemCount)))
        return 0;
    SCRIPT_CACHE cache = nullptr;
    WORD clusters[2];
    SCRIPT_VISATTR attributes[2];
    int glyphCount = 0;
    HRESULT shaped = api.ScriptShape(dc, &cache, units, count, 2, &items[0].a, glyphs, clusters,
                                     attributes, &glyphCount);
    api.ScriptFreeCache(&cache);
    return SUCCEEDED(shaped) && glyphCount == 1 ? glyphs[0] : 0;
}

} // namespace

// The font of a style, built on first use and rebuilt only when the style's
// face, size, weight or slant changed since.
const StyleFont& FontFor(View& w, HDC dc, int style) {
    style = std::clamp(style, 0, kStyleCount - 1);
    StyleFont& cached = w.fonts[style];
    const Style& wanted = w.core.GetStyle(style);
    if (cached.built && cached.version == wanted.version)
        return cached;
    if (!SameFont(w, cached, wanted))
        BuildFont(w, cached, wanted, dc);
    cached.version = wanted.version;
    return cached;
}

// Brings the fonts of the common styles up to date and derives the line
// height, baseline and tab width from them.
void RefreshFonts(View& w) {
    bool current = w.tabColumns == w.core.TabWidth();
    for (int style = 0; style < kMeasuredStyles && current; ++style)
        current = w.fonts[style].built && w.fonts[style].version == w.core.GetStyle(style).version;
    if (current)
        return;
    WindowDC dc(w.hwnd);
    if (!dc.Get())
        return;
    int ascent = 1;
    int descent = 0;
    int widest = 1;
    for (int style = 0; style < kMeasuredStyles; ++style) {
        const StyleFont& font = FontFor(w, dc.Get(), style);
        ascent = std::max(ascent, font.ascent);
        descent = std::max(descent, font.descent);
        widest = std::max(widest, font.maxWidth);
    }
    w.maxCharWidth = widest;
    w.layouts.clear();
    w.fallbackOf.clear();
    w.ascent = ascent;
    w.lineHeight = ascent + descent;
    SelectedObject font(dc.Get(), FontFor(w, dc.Get(), STYLE_DEFAULT).font->Get());
    SIZE space{};
    GetTextExtentPoint32A(dc.Get(), " ", 1, &space);
    w.spaceWidth = std::max<int>(1, space.cx);
    w.tabColumns = w.core.TabWidth();
    w.tabWidth = w.spaceWidth * w.tabColumns;
}

// The font a piece is drawn in: its style's own or one of its fallbacks.
HFONT PieceFont(View& w, HDC dc, const Piece& piece) {
    const StyleFont& font = FontFor(w, dc, piece.style);
    if (piece.font == 0 || !font.fallbacks)
        return font.font->Get();
    return (*font.fallbacks)[static_cast<size_t>(piece.font - 1)].font.Get();
}

// The font slot (0 the style's own, k its fallback k - 1) that has a glyph
// for the character, and the glyph; the style's own missing glyph when none
// has one. Answers are kept for each font and character.
int FontSlotFor(View& w, HDC dc, const StyleFont& font, const wchar_t* units, int count,
                WORD* glyph) {
    char32_t value =
        count == 1 ? units[0] : 0x10000 + ((units[0] - 0xD800) << 10) + (units[1] - 0xDC00);
    uint64_t key =
        static_cast<uint64_t>(reinterpret_cast<uintptr_t>(font.font->Get())) << 21 | value;
    auto known = w.fallbackOf.find(key);
    int slot = known != w.fallbackOf.end() ? known->second : -1;
    for (int k = slot < 0 ? 0 : slot; k <= kFallbackCount; ++k) {
        HFONT candidate = k == 0 ? font.font->Get() : FallbackFontOf(dc, font, k);
        if (!candidate)
            continue;
        SelectedObject selected(dc, candidate);
        *glyph = GlyphOf(w, dc, units, count);
        if (*glyph != 0 || k == slot) {
            w.fallbackOf[key] = k;
            return k;
        }
    }
    w.fallbackOf[key] = 0;
    SelectedObject selected(dc, font.font->Get());
    *glyph = GlyphOf(w, dc, units, count);
    return 0;
}

} // namespace kalmor
