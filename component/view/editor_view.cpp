// Fonts, measuring, painting and hit-testing of the editor window.
#include "component/view/view.h"
#include "component/text/text.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
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

// Fills a rectangle with a solid colour without making a brush.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
}

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
}

// The selected part of one drawn line, from left to right in client pixels;
// false when the line holds none of the selection. A selected line end (with
// a folded header's hidden lines) shows as a space's width.
bool SpanOf(const View& w, const LineLayout& layout, int origin, int start, int end, int* left,
            int* right) {
    int lineEnd = layout.start + static_cast<int>(layout.text.size());
    if (w.selectionHidden || start == end || end < layout.start || start > lineEnd ||
        (start == lineEnd && end == lineEnd))
        return false;
    *left = origin + layout.x[std::max(start, layout.start) - layout.start];
    *right = origin + layout.x[std::min(end, lineEnd) - layout.start];
    if (end > lineEnd)
        *right += std::max(1, w.tabWidth / 8);
    return true;
}

bool SelectedSpan(const View& w, const LineLayout& layout, int origin, int* left, int* right) {
    return SpanOf(w, layout, origin, w.core.SelectionStart(), w.core.SelectionEnd(), left, right);
}

// The spans of the selections besides the main one on a drawn line.
std::vector<RECT> AdditionalSpans(const View& w, const LineLayout& layout, int origin, int top) {
    std::vector<RECT> spans;
    for (int n = 0, count = w.core.SelectionCount(); count > 1 && n < count; ++n) {
        SelectionRange range = w.core.SelectionN(n);
        int left = 0, right = 0;
        if (n != w.core.MainSelection() &&
            SpanOf(w, layout, origin, range.Start(), range.End(), &left, &right))
            spans.push_back(RECT{left, top, right, top + w.lineHeight});
    }
    return spans;
}

// The small framed "..." after a contracted header's text; answers its right
// edge in text pixels.
int PaintFoldTag(View& w, HDC dc, int textRight, int top, int origin) {
    const Style& style = w.core.GetStyle(STYLE_DEFAULT);
    SelectedObject font(dc, FontFor(w, dc, STYLE_DEFAULT).font->Get());
    SIZE dots{};
    GetTextExtentPoint32A(dc, "...", 3, &dots);
    const ViewMetrics& m = w.metrics;
    int gap = std::max(2, w.tabWidth / 8);
    RECT frame{origin + textRight + gap, top + m.tagInset,
               origin + textRight + gap + dots.cx + 2 * m.tagPadding,
               top + w.lineHeight - m.tagInset};
    COLORREF grey = w.palette.FoldTag();
    FillSolid(dc, frame, grey);
    RECT inside{frame.left + m.line, frame.top + m.line, frame.right - m.line,
                frame.bottom - m.line};
    FillSolid(dc, inside, w.palette.Back(style.back));
    SetTextColor(dc, grey);
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutA(dc, frame.left + m.tagPadding, top + w.ascent, ETO_CLIPPED, &inside, "...", 3,
                nullptr);
    SetBkMode(dc, OPAQUE);
    return frame.right - origin;
}

// The font a piece is drawn in: its style's own or one of its fallbacks.
HFONT PieceFont(View& w, HDC dc, const Piece& piece) {
    const StyleFont& font = FontFor(w, dc, piece.style);
    if (piece.font == 0 || !font.fallbacks)
        return font.font->Get();
    return (*font.fallbacks)[static_cast<size_t>(piece.font - 1)].font.Get();
}

// An invalid byte: a box in the text's colour, its hex value in the background's.
void PaintInvalidByte(View& w, HDC dc, const RECT& cell, unsigned char byte, COLORREF fore,
                      COLORREF back) {
    RECT box{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1};
    FillSolid(dc, box, fore);
    wchar_t label[4];
    std::swprintf(label, 4, L"x%02X", byte);
    SetTextColor(dc, back);
    SetTextAlign(dc, TA_BASELINE | TA_CENTER);
    ExtTextOutW(dc, (box.left + box.right) / 2, cell.top + w.ascent, ETO_CLIPPED, &box, label, 3,
                nullptr);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
}

// The colour of selected text: the highlight's text colour in high
// contrast, the host's when it set one, else the text's own.
COLORREF SelectedFore(const View& w, COLORREF own) {
    const Look& look = w.core.GetLook();
    return w.palette.highContrast ? w.palette.highlightText : look.selForeSet ? look.selFore : own;
}

// Draws the text of measured pieces: origin is the x of their first byte.
// Selected text has a colour of its own in high contrast.
void PaintPieces(View& w, HDC dc, const LineMeasure& measure, const std::string& text, int origin,
                 int top, const RECT& band, HGDIOBJ& selected, bool inSelection,
                 COLORREF ink = CLR_INVALID) {
    SetBkMode(dc, TRANSPARENT);
    for (const Piece& piece : measure.pieces) {
        RECT cell{origin + measure.x[piece.start], top, origin + measure.x[piece.end],
                  top + w.lineHeight};
        if (cell.left >= band.right)
            break;
        if (cell.right <= 0 || piece.kind == Piece::Tab)
            continue;
        const Style& style = w.core.GetStyle(piece.style);
        HGDIOBJ font = PieceFont(w, dc, piece);
        if (font != selected)
            selected = SelectObject(dc, font) ? font : nullptr;
        COLORREF fore = inSelection ? SelectedFore(w, style.fore) : w.palette.Fore(style.fore);
        fore = ink != CLR_INVALID ? ink : fore;
        if (piece.kind == Piece::Invalid) {
            PaintInvalidByte(w, dc, cell, static_cast<unsigned char>(text[piece.start]), fore,
                             w.palette.Back(style.back));
            continue;
        }
        if (!style.visible)
            continue;
        // Each character goes exactly where it was measured, so pieces in
        // different fonts meet without gaps or overlaps.
        SetTextColor(dc, fore);
        ExtTextOutW(dc, cell.left, top + w.ascent,
                    piece.kind == Piece::Glyphs ? ETO_GLYPH_INDEX : 0, nullptr, piece.text.data(),
                    static_cast<UINT>(piece.text.size()), piece.advances.data());
        if (style.underline)
            FillSolid(dc,
                      RECT{cell.left, top + w.ascent + w.metrics.line, cell.right,
                           top + w.ascent + 2 * w.metrics.line},
                      fore);
    }
    SetBkMode(dc, OPAQUE);
}

// Whether the blank at byte i is marked, as the host asked: everywhere, only
// after the line's indentation (which ends at byte indent), or only within it.
bool BlankMarked(int viewWs, size_t i, size_t indent) {
    return viewWs == SCWS_VISIBLEALWAYS || (viewWs == SCWS_VISIBLEAFTERINDENT && i >= indent) ||
           (viewWs == SCWS_VISIBLEONLYININDENT && i < indent);
}

// The marked blanks of a line: their backgrounds before the text, or their
// marks after it: a dot centred in a space's cell, an arrow across a tab's,
// those in the selection (x from selLeft to selRight) in the selected text's colour.
void PaintBlanks(View& w, HDC dc, const LineLayout& layout, int origin, int top, bool marks,
                 int selLeft = 0, int selRight = 0) {
    const Look& look = w.core.GetLook();
    if (look.viewWs == SCWS_INVISIBLE || (!marks && (!look.wsBackSet || w.palette.highContrast)))
        return;
    const std::string& text = layout.text;
    size_t indent = std::min(text.find_first_not_of(" \t"), text.size());
    int line = w.metrics.line;
    int middle = top + w.lineHeight / 2;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((text[i] != ' ' && text[i] != '\t') || !BlankMarked(look.viewWs, i, indent))
            continue;
        int left = origin + layout.x[i], right = origin + layout.x[i + 1];
        if (!marks) {
            FillSolid(dc, RECT{left, top, right, top + w.lineHeight}, look.wsBack);
            continue;
        }
        COLORREF own = look.wsForeSet
                           ? look.wsFore
                           : w.core.GetStyle(static_cast<unsigned char>(layout.styles[i])).fore;
        COLORREF fore =
            left >= selLeft && left < selRight ? SelectedFore(w, own) : w.palette.Fore(own);
        if (text[i] == ' ') {
            int size = Scale(w.metrics, look.wsSize);
            int x = (left + right - size) / 2;
            FillSolid(dc, RECT{x, middle - size / 2, x + size, middle - size / 2 + size}, fore);
            continue;
        }
        int tip = right - 2 * line;
        FillSolid(dc, RECT{left + 2 * line, middle, tip, middle + line}, fore);
        for (int d = 1; d <= std::max(2, w.lineHeight / 6); ++d) {
            for (int side : {-1, 1})
                FillSolid(dc,
                          RECT{tip - (d + 1) * line, middle + side * d * line, tip - d * line,
                               middle + side * d * line + line},
                          fore);
        }
    }
}

// Indentation guides, when the host shows them: a dotted line at every
// indent stop inside the line's indentation; a blank line's reach to the
// next line's that is not blank (LOOKFORWARD) or to the greater of that and
// the previous one's (LOOKBOTH). The guide at the highlighted column is in
// the highlighted brace's colour, the others in STYLE_INDENTGUIDE's.
void PaintIndentGuides(View& w, HDC dc, int line, int origin, int top) {
    const EditorCore& core = w.core;
    const Look& look = core.GetLook();
    if (look.indentGuides == SC_IV_NONE)
        return;
    auto blank = [&](int l) { return core.LineIndentPosition(l) == core.LineEnd(l); };
    // The indentation of the nearest line that is not blank, looking one way (a bounded look).
    auto nearest = [&](int step) {
        for (int l = line + step, n = 0; l >= 0 && l < core.LineCount() && n < 1000; l += step, ++n)
            if (!blank(l))
                return core.LineIndentation(l);
        return 0;
    };
    int columns = core.LineIndentation(line);
    if (blank(line) && look.indentGuides != SC_IV_REAL)
        columns = std::max(nearest(1), look.indentGuides == SC_IV_LOOKBOTH ? nearest(-1) : 0);
    int indent = std::max(core.IndentSize(), 1);
    for (int column = indent; column < columns; column += indent) {
        COLORREF colour = w.palette.Fore(
            core.GetStyle(column == look.highlightGuide ? STYLE_BRACELIGHT : STYLE_INDENTGUIDE)
                .fore);
        int x = origin + column * w.spaceWidth;
        for (int y = top; y < top + w.lineHeight; y += 2 * w.metrics.line)
            FillSolid(
                dc,
                RECT{x, y, x + w.metrics.line, std::min(y + w.metrics.line, top + w.lineHeight)},
                colour);
    }
}

// The line's end, when the host shows line ends, as a box after the text
// naming it (CR, LF or CRLF) in its style's colours swapped. Answers where
// the row's drawing now ends, from origin.
int PaintLineEnd(View& w, HDC dc, const LineLayout& layout, int origin, int right, int top) {
    const EditorCore& core = w.core;
    int end = layout.start + static_cast<int>(layout.text.size());
    int next = core.LineStart(core.LineFromPosition(layout.start) + 1);
    if (!core.GetLook().viewEol || next <= end)
        return right;
    std::string ending = core.TextRange(end, next);
    const char* label = ending == "\r\n" ? "CRLF" : ending == "\r" ? "CR" : "LF";
    int length = static_cast<int>(std::strlen(label));
    int style = core.StyleAt(end);
    SelectedObject font(dc, FontFor(w, dc, style).font->Get());
    SIZE size{};
    GetTextExtentPoint32A(dc, label, length, &size);
    int pad = w.metrics.tagPadding;
    RECT box{origin + right + pad, top + w.metrics.tagInset, origin + right + size.cx + 3 * pad,
             top + w.lineHeight - w.metrics.tagInset};
    FillSolid(dc, box, w.palette.Fore(core.GetStyle(style).fore));
    SetTextColor(dc, w.palette.Back(core.GetStyle(style).back));
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutA(dc, box.left + pad, top + w.ascent, 0, nullptr, label, static_cast<UINT>(length),
                nullptr);
    SetBkMode(dc, OPAQUE);
    return box.right - origin;
}

// Blends an alpha of 0 to 255 over a background, 255 being the colour itself.
COLORREF WithAlpha(COLORREF back, COLORREF colour, int alpha) {
    return Blend(back, colour, alpha + alpha / 255);
}

// One indicator's ink over the cell of its range on a row (x2 > x1 unless
// the range is empty), in the pass it belongs to: the fills of boxes and the
// indicators drawn under the text first, the rest after the text. pointX is
// where POINTCHARACTER points: the middle of the range's first character.
void PaintIndicator(View& w, HDC dc, const IndicatorStyle& indicator, const RECT& cell, bool under,
                    COLORREF back, int pointX) {
    COLORREF ink = w.palette.Fore(indicator.fore);
    int t = w.metrics.line;
    int x1 = cell.left, x2 = cell.right;
    // The top of the strip under the text that lines and squiggles use.
    int base = std::min<int>(cell.top + w.ascent + t, cell.bottom - 3 * t);
    RECT box{x1, cell.top + t, x2, cell.bottom};
    if (indicator.style == INDIC_FULLBOX)
        box.top = cell.top;
    bool filled = indicator.style == INDIC_ROUNDBOX || indicator.style == INDIC_STRAIGHTBOX ||
                  indicator.style == INDIC_FULLBOX;
    if (under && filled)
        FillSolid(dc, box, WithAlpha(back, ink, indicator.alpha));
    if (under != indicator.under)
        return;
    auto lineAt = [&](int y, int step, int on) {
        for (int x = x1; x < x2; x += step)
            FillSolid(dc, RECT{x, y, std::min(x + on, x2), y + t}, ink);
    };
    auto zigzag = [&](int high, int low) {
        OwnedPen pen(CreatePen(PS_SOLID, t, ink));
        SelectedObject selectedPen(dc, pen.Get());
        MoveToEx(dc, x1, high, nullptr);
        for (int x = x1 + 2 * t, up = 0; x <= x2; x += 2 * t, up = !up)
            LineTo(dc, x, up ? high : low);
    };
    // An outline of the box in a colour, every pixel or every other one.
    auto outline = [&](COLORREF colour, int step, bool rounded) {
        int inset = rounded ? t : 0;
        for (int x = box.left + inset; x < box.right - inset; x += step) {
            FillSolid(dc, RECT{x, box.top, x + t, box.top + t}, colour);
            FillSolid(dc, RECT{x, box.bottom - t, x + t, box.bottom}, colour);
        }
        for (int y = box.top + inset; y < box.bottom - inset; y += step) {
            FillSolid(dc, RECT{box.left, y, box.left + t, y + t}, colour);
            FillSolid(dc, RECT{box.right - t, y, box.right, y + t}, colour);
        }
    };
    switch (indicator.style) {
    case INDIC_PLAIN: lineAt(base, x2 - x1, x2 - x1); break;
    case INDIC_SQUIGGLE:
    case INDIC_SQUIGGLEPIXMAP: zigzag(base, base + 2 * t); break;
    case INDIC_SQUIGGLELOW: zigzag(cell.bottom - 2 * t, cell.bottom - t); break;
    case INDIC_TT:
        lineAt(base, x2 - x1, x2 - x1);
        for (int x = x1; x < x2; x += 4 * t)
            FillSolid(dc, RECT{x, base, x + t, base + 2 * t}, ink);
        break;
    case INDIC_DIAGONAL: {
        OwnedPen pen(CreatePen(PS_SOLID, t, ink));
        SelectedObject selectedPen(dc, pen.Get());
        for (int x = x1; x < x2; x += 4 * t) {
            MoveToEx(dc, x, base + 2 * t, nullptr);
            LineTo(dc, std::min(x + 2 * t, x2), base);
        }
        break;
    }
    case INDIC_STRIKE: lineAt(cell.top + w.ascent * 2 / 3, x2 - x1, x2 - x1); break;
    case INDIC_BOX: outline(ink, t, false); break;
    case INDIC_ROUNDBOX:
    case INDIC_STRAIGHTBOX:
    case INDIC_FULLBOX:
        outline(WithAlpha(back, ink, indicator.outlineAlpha), t, indicator.style == INDIC_ROUNDBOX);
        break;
    case INDIC_DASH: lineAt(base, 6 * t, 4 * t); break;
    case INDIC_DOTS: lineAt(base, 2 * t, t); break;
    case INDIC_DOTBOX: outline(ink, 2 * t, false); break;
    case INDIC_COMPOSITIONTHICK:
        FillSolid(dc, RECT{x1, cell.bottom - 2 * t, x2, cell.bottom}, ink);
        break;
    case INDIC_COMPOSITIONTHIN:
        FillSolid(dc, RECT{x1, cell.bottom - t, x2, cell.bottom}, ink);
        break;
    case INDIC_POINT:
    case INDIC_POINTCHARACTER: {
        // A small triangle under the text pointing up at the range's start.
        int x = indicator.style == INDIC_POINT ? x1 : pointX;
        OwnedPen pen(CreatePen(PS_SOLID, 1, ink));
        OwnedBrush brush(CreateSolidBrush(ink));
        SelectedObject selectedPen(dc, pen.Get()), selectedBrush(dc, brush.Get());
        POINT points[] = {{x, base}, {x - 2 * t, base + 2 * t}, {x + 2 * t, base + 2 * t}};
        Polygon(dc, points, 3);
        break;
    }
    default: break; // INDIC_HIDDEN, and INDIC_TEXTFORE, which colours the text itself
    }
}

// The indicators on a line's text in one pass (see PaintIndicator); after
// the text, the ranges of INDIC_TEXTFORE indicators have their text drawn
// again in the indicator's colour.
void PaintIndicators(View& w, HDC dc, const LineLayout& layout, int origin, int top, bool under,
                     HGDIOBJ& selected) {
    const EditorCore& core = w.core;
    if (!core.AnyIndicator())
        return;
    int start = layout.start, end = start + static_cast<int>(layout.text.size());
    for (int n = 0; n < kIndicatorCount; ++n) {
        const IndicatorStyle& indicator = core.GetIndicatorStyle(n);
        for (const IndicatorRuns::Run& run : core.IndicatorRunsIn(n, start, end)) {
            size_t s = static_cast<size_t>(std::max(run.start, start) - start);
            size_t e = static_cast<size_t>(std::min(run.end, end) - start);
            RECT cell{origin + layout.x[s], top, origin + layout.x[e], top + w.lineHeight};
            if (indicator.style == INDIC_TEXTFORE) {
                if (!under) {
                    ClippedDC clip(dc, cell);
                    PaintPieces(w, dc, *layout.measure, layout.text, origin, top, cell, selected,
                                false, w.palette.Fore(indicator.fore));
                    selected = nullptr; // restoring the DC restored its font
                }
                continue;
            }
            size_t next = s + 1;
            while (next < e && layout.x[next] == layout.x[s])
                ++next;
            COLORREF back =
                w.palette.Back(core.GetStyle(core.StyleAt(start + static_cast<int>(s))).back);
            PaintIndicator(w, dc, indicator, cell, under, back,
                           origin + (layout.x[s] + layout.x[next]) / 2);
        }
    }
}

// One document line's row: each piece's background in its style's colour
// (the caret's line, when the host shows it, all in its own), the edge's
// background past its column, the selection over those, then the text.
// Where selected text has a colour of its own (in high contrast, or the
// host's), the text is drawn twice, each time clipped to the part it colours.
void PaintLine(View& w, HDC dc, const LineLayout& layout, int origin, int top, const RECT& band,
               HGDIOBJ& selected) {
    const Look& look = w.core.GetLook();
    // Markers drawn on the text: a line's background, a line under it.
    int line = w.core.LineFromPosition(layout.start);
    uint32_t markers = w.core.MarkersOn(line);
    const MarkerStyle* background = nullptr;
    const MarkerStyle* underline = nullptr;
    for (int n = 0; markers != 0 && n < kMarkerCount; ++n) {
        const MarkerStyle& marker = w.core.GetMarkerStyle(n);
        if ((markers & (1u << n)) && marker.symbol == SC_MARK_BACKGROUND)
            background = &marker;
        if ((markers & (1u << n)) && marker.symbol == SC_MARK_UNDERLINE)
            underline = &marker;
    }
    bool caretLine = look.caretLineVisible && !w.palette.highContrast &&
                     line == w.core.LineFromPosition(w.core.Caret());
    if (caretLine)
        FillSolid(dc, RECT{origin + layout.x[0], top, band.right, top + w.lineHeight},
                  look.caretLineBack);
    for (const Piece& piece : layout.measure->pieces) {
        RECT cell{origin + layout.x[piece.start], top, origin + layout.x[piece.end],
                  top + w.lineHeight};
        if (cell.left >= band.right)
            break;
        if (!caretLine)
            FillSolid(
                dc, cell,
                w.palette.Back(background ? background->back : w.core.GetStyle(piece.style).back));
    }
    if (background && !caretLine)
        FillSolid(dc, RECT{origin + layout.x.back(), top, band.right, top + w.lineHeight},
                  w.palette.Back(background->back));
    int edge = origin + look.edgeColumn * w.spaceWidth;
    if (look.edgeMode == EDGE_BACKGROUND && !w.palette.highContrast &&
        edge < origin + layout.x.back())
        FillSolid(dc,
                  RECT{std::max(edge, origin + layout.x[0]), top, origin + layout.x.back(),
                       top + w.lineHeight},
                  look.edgeColour);
    // A line ending in a style whose background fills past the line's end.
    int end = layout.start + static_cast<int>(layout.text.size());
    const Style& ending = w.core.GetStyle(w.core.StyleAt(end < w.core.Length() ? end : end - 1));
    if (ending.eolFilled && !caretLine && origin + layout.x.back() < band.right)
        FillSolid(dc, RECT{origin + layout.x.back(), top, band.right, top + w.lineHeight},
                  w.palette.Back(ending.back));
    PaintBlanks(w, dc, layout, origin, top, false);
    int left = 0;
    int right = 0;
    bool anySelected = SelectedSpan(w, layout, origin, &left, &right);
    if (anySelected)
        FillSolid(dc, RECT{left, top, right, top + w.lineHeight},
                  look.selBackSet && w.focused && !w.palette.highContrast
                      ? look.selBack
                      : w.palette.SelectionBack(w.core.GetStyle(STYLE_DEFAULT).back, w.focused));
    // The other selections, in their own colour (the system's in high contrast).
    std::vector<RECT> others = AdditionalSpans(w, layout, origin, top);
    COLORREF otherBack = w.palette.highContrast
                             ? w.palette.SelectionBack(look.addSelBack, w.focused)
                             : look.addSelBack;
    for (const RECT& span : others)
        FillSolid(dc, span, otherBack);
    PaintIndentGuides(w, dc, line, origin, top);
    PaintIndicators(w, dc, layout, origin, top, true, selected);
    if (!anySelected || !(w.palette.highContrast || look.selForeSet)) {
        PaintPieces(w, dc, *layout.measure, layout.text, origin, top, band, selected, false);
    } else {
        const RECT parts[] = {{band.left, top, left, top + w.lineHeight},
                              {right, top, band.right, top + w.lineHeight},
                              {left, top, right, top + w.lineHeight}};
        for (const RECT& part : parts) {
            ClippedDC clip(dc, part);
            PaintPieces(w, dc, *layout.measure, layout.text, origin, top, band, selected,
                        &part == &parts[2]);
            selected = nullptr; // restoring the DC restored its font
        }
    }
    PaintBlanks(w, dc, layout, origin, top, true, anySelected ? left : 0, anySelected ? right : 0);
    // Text in the other selections in their text colour, drawn again over their background.
    if (w.palette.highContrast || look.addSelForeSet) {
        COLORREF ink = w.palette.highContrast ? w.palette.highlightText : look.addSelFore;
        for (const RECT& span : others) {
            ClippedDC clip(dc, span);
            FillSolid(dc, span, otherBack);
            PaintPieces(w, dc, *layout.measure, layout.text, origin, top, band, selected, true,
                        ink);
            selected = nullptr;
        }
    }
    PaintIndicators(w, dc, layout, origin, top, false, selected);
    if (underline)
        FillSolid(dc,
                  RECT{origin + layout.x[0], top + w.lineHeight - w.metrics.line, band.right,
                       top + w.lineHeight},
                  w.palette.Fore(underline->back));
}

// The composition at x: its text on its style's background, underlined
// clause by clause as the input method marks it: the clause being converted
// thick, converted clauses thin, input not yet converted dotted.
void PaintComposition(View& w, HDC dc, int x, int top, const RECT& band, HGDIOBJ& selected) {
    const Composition& c = w.composition;
    const Style& style = w.core.GetStyle(c.style);
    FillSolid(dc, RECT{x, top, x + c.measure.x.back(), top + w.lineHeight},
              w.palette.Back(style.back));
    PaintPieces(w, dc, c.measure, c.bytes, x, top, band, selected, false);
    COLORREF underline = w.palette.Fore(style.fore);
    int units = static_cast<int>(c.text.size());
    for (int unit = 0; unit < units;) {
        int end = unit + 1;
        BYTE kind = unit < static_cast<int>(c.attributes.size()) ? c.attributes[unit] : ATTR_INPUT;
        while (end < units && (end >= static_cast<int>(c.attributes.size()) ||
                               static_cast<BYTE>(c.attributes[end]) == kind))
            ++end;
        int left = x + CompositionX(w, unit), right = x + CompositionX(w, end) - 1;
        bool target = kind == ATTR_TARGET_CONVERTED || kind == ATTR_TARGET_NOTCONVERTED;
        int thickness = target ? 2 : 1;
        RECT line{left, top + w.lineHeight - 1 - thickness, right, top + w.lineHeight - 1};
        if (kind == ATTR_INPUT) {
            for (int dot = left; dot < right; dot += 2)
                FillSolid(dc, RECT{dot, line.top, dot + 1, line.bottom}, underline);
        } else {
            FillSolid(dc, line, underline);
        }
        unit = end;
    }
}

// The carets of the selections besides the main one on a drawn line, while
// focused and not in a blink's off phase: bars of the caret's width in their
// own colour. The main caret is
// the window system's, drawn over everything.
void PaintAdditionalCarets(View& w, HDC dc, const LineLayout& layout, int origin, int top) {
    const Look& look = w.core.GetLook();
    int count = w.core.SelectionCount();
    if (count < 2 || !look.addCaretsVisible || !w.focused ||
        (look.addCaretsBlink && w.otherCaretsOff))
        return;
    int width = look.caretWidthSet ? Scale(w.metrics, look.caretWidth) : w.metrics.caretWidth;
    COLORREF colour = w.palette.highContrast ? w.palette.windowText : look.addCaretFore;
    int lineEnd = layout.start + static_cast<int>(layout.text.size());
    for (int n = 0; n < count; ++n) {
        int caret = w.core.SelectionN(n).caret;
        if (n == w.core.MainSelection() || caret < layout.start || caret > lineEnd)
            continue;
        int x = origin + layout.x[static_cast<size_t>(caret - layout.start)];
        FillSolid(dc, RECT{x, top, x + width, top + w.lineHeight}, colour);
    }
}

// Draws the rows of text within band. The caret's row, while a composition
// is shown, makes room for it at the caret: the line is drawn in two parts,
// the part after the caret moved right by the composition's width.
// Returns the width of the widest line drawn.
int PaintText(View& w, HDC dc, const RECT& band) {
    const EditorCore& core = w.core;
    int origin = TextLeft(w) - w.xOffset;
    int first = core.FirstVisibleLine();
    int count = core.VisibleLineCount();
    int widest = 0;
    bool composing = w.composition.active && !w.composition.text.empty();
    int caretLine = core.LineFromPosition(core.Caret());
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SelectedObject original(dc, GetCurrentObject(dc, OBJ_FONT));
    HGDIOBJ selected = nullptr;
    for (int row = band.top / w.lineHeight; row * w.lineHeight < band.bottom && first + row < count;
         ++row) {
        int line = core.DocLineFromVisible(first + row);
        int top = row * w.lineHeight;
        LineLayout layout = LayOutLine(w, dc, line);
        int right = layout.x.back();
        if (composing && line == caretLine) {
            int split = origin + layout.x[static_cast<size_t>(core.Caret() - layout.start)];
            int width = w.composition.measure.x.back();
            // Restoring the DC after each part also restores its font.
            for (int part = 0; part < 2; ++part) {
                ClippedDC clip(dc, part == 0
                                       ? RECT{band.left, top, split, top + w.lineHeight}
                                       : RECT{split + width, top, band.right, top + w.lineHeight});
                PaintLine(w, dc, layout, origin + part * width, top, band, selected);
                selected = nullptr;
            }
            PaintComposition(w, dc, split, top, band, selected);
            right = PaintLineEnd(w, dc, layout, origin + width, right, top) + width;
        } else {
            PaintLine(w, dc, layout, origin, top, band, selected);
            right = PaintLineEnd(w, dc, layout, origin, right, top);
        }
        if (core.IsHeader(line)) {
            // The host's fold flags: rules above and below open and closed headers.
            bool open = core.Expanded(line);
            int flags = core.GetLook().foldFlags;
            COLORREF ink = w.palette.Fore(core.GetStyle(STYLE_DEFAULT).fore);
            if (flags &
                (open ? SC_FOLDFLAG_LINEBEFORE_EXPANDED : SC_FOLDFLAG_LINEBEFORE_CONTRACTED))
                FillSolid(dc, RECT{TextLeft(w), top, band.right, top + w.metrics.line}, ink);
            if (flags & (open ? SC_FOLDFLAG_LINEAFTER_EXPANDED : SC_FOLDFLAG_LINEAFTER_CONTRACTED))
                FillSolid(dc,
                          RECT{TextLeft(w), top + w.lineHeight - w.metrics.line, band.right,
                               top + w.lineHeight},
                          ink);
            if (!open)
                right = PaintFoldTag(w, dc, right, top, origin);
        }
        widest = std::max(widest, right);
        PaintAdditionalCarets(w, dc, layout, origin, top);
        if (w.dropPosition >= layout.start &&
            w.dropPosition <= layout.start + static_cast<int>(layout.text.size())) {
            // Where dragged text would land: a bar twice the caret's width.
            int x = origin + layout.x[static_cast<size_t>(w.dropPosition - layout.start)];
            FillSolid(dc, RECT{x, top, x + 2 * w.metrics.caretWidth, top + w.lineHeight},
                      w.palette.Fore(core.GetStyle(STYLE_DEFAULT).fore));
        }
    }
    return widest;
}

// Draws 1-based line numbers right-aligned in a margin, in style 33's font,
// on the rows the margin's rectangle meets.
void PaintLineNumbers(View& w, HDC dc, const RECT& margin) {
    const EditorCore& core = w.core;
    const Style& style = core.GetStyle(STYLE_LINENUMBER);
    SelectedObject font(dc, FontFor(w, dc, STYLE_LINENUMBER).font->Get());
    SetTextColor(dc, w.palette.Fore(style.fore));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
    int first = core.FirstVisibleLine();
    int count = core.VisibleLineCount();
    for (int row = margin.top / w.lineHeight;
         row * w.lineHeight < margin.bottom && first + row < count; ++row) {
        char number[16];
        int length =
            std::snprintf(number, sizeof number, "%d", core.DocLineFromVisible(first + row) + 1);
        ExtTextOutA(dc, margin.right - w.metrics.numberPadding, row * w.lineHeight + w.ascent,
                    ETO_CLIPPED, &margin, number, static_cast<UINT>(length), nullptr);
    }
    SetBkMode(dc, OPAQUE);
}

// One marker's symbol in a margin's cell, in its colours. Shapes are
// filled with its background and outlined in its text colour, centred in the
// cell, or fill a part of the cell, or are a character. The fold margin's
// tree is the other way round: its lines, box and circle outlines and signs
// are in the background colour, the boxes and circles filled with the text
// colour; its lines run through the cell's centre to the cell's edges, so
// the cells of a fold join up.
void PaintMarker(View& w, HDC dc, const MarkerStyle& marker, const RECT& cell) {
    COLORREF fore = w.palette.Fore(marker.fore), back = w.palette.Back(marker.back);
    COLORREF tree = w.palette.Fore(marker.back), inside = w.palette.Back(marker.fore);
    int size = std::max(4, std::min<int>(cell.right - cell.left, cell.bottom - cell.top) -
                               2 * w.metrics.tagPadding);
    int cx = (cell.left + cell.right) / 2, cy = (cell.top + cell.bottom) / 2, half = size / 2;
    RECT box{cx - half, cy - half, cx - half + size, cy - half + size};
    OwnedPen pen(CreatePen(PS_SOLID, w.metrics.line, fore));
    OwnedBrush brush(CreateSolidBrush(back));
    SelectedObject selectedPen(dc, pen.Get()), selectedBrush(dc, brush.Get());
    auto polygon = [&](std::initializer_list<POINT> points) {
        Polygon(dc, points.begin(), static_cast<int>(points.size()));
    };
    int bar = std::max(1, size / 5);
    int t = w.metrics.line; // the tree's lines
    auto vertical = [&](LONG top, LONG bottom) {
        FillSolid(dc, RECT{cx - t / 2, top, cx - t / 2 + t, bottom}, tree);
    };
    auto branch = [&](int from) {
        FillSolid(dc, RECT{from, cy - t / 2, cell.right, cy - t / 2 + t}, tree);
    };
    // A box or circle of the tree with a minus, and a plus when closed: an
    // odd size so the sign sits in its middle, two thirds of the cell.
    int knobSize =
        std::max(5, std::min<int>(cell.right - cell.left, cell.bottom - cell.top) * 2 / 3) | 1;
    RECT knobBox{cx - knobSize / 2, cy - knobSize / 2, cx - knobSize / 2 + knobSize,
                 cy - knobSize / 2 + knobSize};
    auto knob = [&](bool circle, bool plus) {
        if (circle) {
            OwnedPen outline(CreatePen(PS_INSIDEFRAME, t, tree));
            OwnedBrush fill(CreateSolidBrush(inside));
            SelectedObject p(dc, outline.Get()), b(dc, fill.Get());
            Ellipse(dc, knobBox.left, knobBox.top, knobBox.right, knobBox.bottom);
        } else {
            FillSolid(dc, knobBox, tree);
            FillSolid(
                dc, RECT{knobBox.left + t, knobBox.top + t, knobBox.right - t, knobBox.bottom - t},
                inside);
        }
        int arm = std::max(1, knobSize / 2 - 2 * t);
        FillSolid(dc, RECT{cx - arm, cy - t / 2, cx + arm + 1, cy - t / 2 + t}, tree);
        if (plus)
            FillSolid(dc, RECT{cx - t / 2, cy - arm, cx - t / 2 + t, cy + arm + 1}, tree);
    };
    int symbol = marker.symbol;
    switch (symbol) {
    case SC_MARK_CIRCLE: Ellipse(dc, box.left, box.top, box.right, box.bottom); break;
    case SC_MARK_ROUNDRECT:
        RoundRect(dc, box.left, box.top, box.right, box.bottom, half, half);
        break;
    case SC_MARK_SMALLRECT:
        Rectangle(dc, cx - half / 2, cy - half / 2, cx + half / 2 + 1, cy + half / 2 + 1);
        break;
    case SC_MARK_ARROW:
        polygon({{box.left, box.top}, {box.right, cy}, {box.left, box.bottom}});
        break;
    case SC_MARK_ARROWDOWN:
        polygon({{box.left, box.top}, {box.right, box.top}, {cx, box.bottom}});
        break;
    case SC_MARK_SHORTARROW:
        polygon({{box.left, cy - bar},
                 {cx, cy - bar},
                 {cx, box.top},
                 {box.right, cy},
                 {cx, box.bottom},
                 {cx, cy + bar},
                 {box.left, cy + bar}});
        break;
    case SC_MARK_MINUS:
        FillSolid(dc, RECT{box.left, cy - bar / 2, box.right, cy - bar / 2 + bar}, fore);
        break;
    case SC_MARK_PLUS:
        FillSolid(dc, RECT{box.left, cy - bar / 2, box.right, cy - bar / 2 + bar}, fore);
        FillSolid(dc, RECT{cx - bar / 2, box.top, cx - bar / 2 + bar, box.bottom}, fore);
        break;
    case SC_MARK_VLINE: vertical(cell.top, cell.bottom); break;
    case SC_MARK_LCORNER:
    case SC_MARK_TCORNER:
        vertical(cell.top, symbol == SC_MARK_TCORNER ? cell.bottom : cy + t - t / 2);
        branch(cx);
        break;
    case SC_MARK_LCORNERCURVE:
    case SC_MARK_TCORNERCURVE: {
        // The branch leaves the line in a short diagonal instead of a right angle.
        int r = std::max(t, half / 2);
        vertical(cell.top, symbol == SC_MARK_TCORNERCURVE ? cell.bottom : cy - r);
        OwnedPen curve(CreatePen(PS_SOLID, t, tree));
        SelectedObject selectedCurve(dc, curve.Get());
        MoveToEx(dc, cx, cy - r, nullptr);
        LineTo(dc, cx + r, cy);
        branch(cx + r);
        break;
    }
    case SC_MARK_BOXPLUS:
    case SC_MARK_BOXPLUSCONNECTED:
    case SC_MARK_BOXMINUS:
    case SC_MARK_BOXMINUSCONNECTED:
    case SC_MARK_CIRCLEPLUS:
    case SC_MARK_CIRCLEPLUSCONNECTED:
    case SC_MARK_CIRCLEMINUS:
    case SC_MARK_CIRCLEMINUSCONNECTED: {
        bool connected =
            symbol == SC_MARK_BOXPLUSCONNECTED || symbol == SC_MARK_BOXMINUSCONNECTED ||
            symbol == SC_MARK_CIRCLEPLUSCONNECTED || symbol == SC_MARK_CIRCLEMINUSCONNECTED;
        bool plus = symbol == SC_MARK_BOXPLUS || symbol == SC_MARK_BOXPLUSCONNECTED ||
                    symbol == SC_MARK_CIRCLEPLUS || symbol == SC_MARK_CIRCLEPLUSCONNECTED;
        // An open fold's line leaves the box downwards into its body; a
        // connected one joins the line of the fold around it above too.
        if (connected)
            vertical(cell.top, knobBox.top);
        if (connected || !plus)
            vertical(knobBox.bottom, cell.bottom);
        knob(symbol >= SC_MARK_CIRCLEPLUS, plus);
        break;
    }
    case SC_MARK_DOTDOTDOT:
    case SC_MARK_ARROWS:
        // Three dots, or three small arrows, across the cell's middle.
        for (int i = -1; i <= 1; ++i) {
            int x = cx + i * (bar * 3);
            if (symbol == SC_MARK_DOTDOTDOT) {
                FillSolid(dc,
                          RECT{x - bar / 2, cy - bar / 2, x - bar / 2 + bar, cy - bar / 2 + bar},
                          fore);
            } else {
                OwnedPen arrow(CreatePen(PS_SOLID, t, fore));
                SelectedObject selectedArrow(dc, arrow.Get());
                POINT points[] = {
                    {x - bar, cy - 2 * bar}, {x + bar, cy}, {x - bar, cy + 2 * bar + 1}};
                Polyline(dc, points, 3);
            }
        }
        break;
    case SC_MARK_FULLRECT: FillSolid(dc, cell, back); break;
    case SC_MARK_LEFTRECT:
        FillSolid(dc,
                  RECT{cell.left, cell.top,
                       cell.left + std::max<LONG>(2, (cell.right - cell.left) / 4), cell.bottom},
                  back);
        break;
    case SC_MARK_BOOKMARK:
        polygon({{box.left, box.top},
                 {box.right, box.top},
                 {box.right - half / 2, cy},
                 {box.right, box.bottom},
                 {box.left, box.bottom}});
        break;
    default:
        if (symbol >= SC_MARK_CHARACTER) {
            wchar_t units[2];
            int count = EncodeUtf16(static_cast<char32_t>(symbol - SC_MARK_CHARACTER), units);
            SelectedObject font(dc, FontFor(w, dc, STYLE_DEFAULT).font->Get());
            SetTextColor(dc, fore);
            SetBkMode(dc, TRANSPARENT);
            SetTextAlign(dc, TA_BASELINE | TA_CENTER);
            ExtTextOutW(dc, cx, cell.top + w.ascent, 0, nullptr, units, static_cast<UINT>(count),
                        nullptr);
            SetTextAlign(dc, TA_BASELINE | TA_LEFT);
        }
    }
}

// The markers a margin's mask selects, on the rows its rectangle meets, in
// the order of their numbers. A fold margin draws, instead of the folder
// markers put on lines, the one the fold levels give each line.
void PaintMarkers(View& w, HDC dc, const Margin& margin, const RECT& area) {
    const EditorCore& core = w.core;
    bool folds = (margin.mask & SC_MASK_FOLDERS) != 0;
    int first = core.FirstVisibleLine();
    int count = core.VisibleLineCount();
    for (int row = area.top / w.lineHeight; row * w.lineHeight < area.bottom && first + row < count;
         ++row) {
        int line = core.DocLineFromVisible(first + row);
        uint32_t markers = core.MarkersOn(line) & margin.mask;
        if (folds) {
            int folder = core.FolderMarker(line);
            markers &= ~SC_MASK_FOLDERS;
            if (folder >= 0)
                markers |= margin.mask & (1u << folder);
        }
        RECT cell{area.left, row * w.lineHeight, area.right, (row + 1) * w.lineHeight};
        for (int n = 0; markers != 0 && n < kMarkerCount; ++n)
            if (markers & (1u << n))
                PaintMarker(w, dc, core.GetMarkerStyle(n), cell);
    }
}

// A text margin's lines: each line's text in its style, on the style's
// background, at the left or (SC_MARGIN_RTEXT) the right.
void PaintMarginTexts(View& w, HDC dc, const Margin& margin, const RECT& area) {
    const EditorCore& core = w.core;
    int first = core.FirstVisibleLine();
    int count = core.VisibleLineCount();
    SetBkMode(dc, TRANSPARENT);
    for (int row = area.top / w.lineHeight; row * w.lineHeight < area.bottom && first + row < count;
         ++row) {
        int line = core.DocLineFromVisible(first + row);
        const std::string& text = core.MarginText(line);
        if (text.empty())
            continue;
        int styleNumber = core.MarginTextStyle(line);
        const Style& style = core.GetStyle(styleNumber);
        RECT cell{area.left, row * w.lineHeight, area.right, (row + 1) * w.lineHeight};
        FillSolid(dc, cell, w.palette.Back(style.back));
        std::wstring wide = ToUtf16(core.CurrentEncoding(), text);
        SelectedObject font(dc, FontFor(w, dc, styleNumber).font->Get());
        SetTextColor(dc, w.palette.Fore(style.fore));
        bool right = margin.type == SC_MARGIN_RTEXT;
        SetTextAlign(dc, TA_BASELINE | (right ? TA_RIGHT : TA_LEFT));
        ExtTextOutW(
            dc, right ? cell.right - w.metrics.numberPadding : cell.left + w.metrics.numberPadding,
            cell.top + w.ascent, ETO_CLIPPED, &cell, wide.data(), static_cast<UINT>(wide.size()),
            nullptr);
    }
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SetBkMode(dc, OPAQUE);
}

// A fold margin's background: a checkerboard of two colours, one a pixel,
// lined up with the window's pixels whatever band is being painted.
void FillCheckerboard(HDC dc, const RECT& area, int bandTop, COLORREF a, COLORREF b) {
    if (a == b) {
        FillSolid(dc, area, a);
        return;
    }
    static const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    OwnedBitmap pattern(CreateBitmap(8, 8, 1, 1, rows));
    OwnedBrush brush(CreatePatternBrush(pattern.Get()));
    COLORREF text = SetTextColor(dc, a), back = SetBkColor(dc, b);
    SetBrushOrgEx(dc, 0, ((-bandTop) % 8 + 8) % 8, nullptr);
    FillRect(dc, &area, brush.Get());
    SetTextColor(dc, text);
    SetBkColor(dc, back);
}

// Draws the margins within band from left to right over whatever text was
// scrolled under them, each on its background: the chrome, the default
// style's colours or the host's own, and a fold margin's checkerboard.
void PaintMargins(View& w, HDC dc, const RECT& band) {
    const Palette& palette = w.palette;
    const Style& normal = w.core.GetStyle(STYLE_DEFAULT);
    const Look& look = w.core.GetLook();
    int left = 0;
    for (int i = 0; i < kMarginCount; ++i) {
        const Margin& margin = w.core.GetMargin(i);
        if (margin.width <= 0)
            continue;
        RECT area{left, band.top, left + margin.width, band.bottom};
        switch (margin.type) {
        case SC_MARGIN_BACK: FillSolid(dc, area, palette.Back(normal.back)); break;
        case SC_MARGIN_FORE: FillSolid(dc, area, palette.Fore(normal.fore)); break;
        case SC_MARGIN_COLOUR:
            FillSolid(dc, area, palette.highContrast ? palette.buttonFace : margin.back);
            break;
        default:
            if (margin.type == SC_MARGIN_SYMBOL && (margin.mask & SC_MASK_FOLDERS)) {
                bool own = !palette.highContrast;
                FillCheckerboard(dc, area, band.top,
                                 own && look.foldMarginSet ? look.foldMargin : palette.buttonFace,
                                 own && look.foldMarginHiSet ? look.foldMarginHi
                                                             : palette.buttonHighlight);
            } else {
                FillSolid(dc, area, palette.buttonFace);
            }
        }
        if (margin.type == SC_MARGIN_NUMBER)
            PaintLineNumbers(w, dc, area);
        if (margin.type == SC_MARGIN_TEXT || margin.type == SC_MARGIN_RTEXT)
            PaintMarginTexts(w, dc, margin, area);
        if (margin.mask != 0)
            PaintMarkers(w, dc, margin, area);
        left += margin.width;
    }
    RECT padding{left, band.top, std::min<LONG>(TextLeft(w), band.right), band.bottom};
    FillSolid(dc, padding, palette.Back(normal.back));
}

RECT ClientRect(const View& w) {
    RECT client{};
    GetClientRect(w.hwnd, &client);
    return client;
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
    for (int style = 0; style < kMeasuredStyles; ++style) {
        const StyleFont& font = FontFor(w, dc.Get(), style);
        ascent = std::max(ascent, font.ascent);
        descent = std::max(descent, font.descent);
    }
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

namespace {

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

// Splits a line into pieces, character by character: tabs, invalid bytes,
// and runs of one style and font, characters beyond the Basic Multilingual
// Plane as glyphs. charStarts gets each piece's characters' first bytes.
void SplitLine(View& w, HDC dc, const Encoding& encoding, const LineLayout& layout,
               std::vector<Piece>& pieces, std::vector<std::vector<int>>& charStarts) {
    const std::string& text = layout.text;
    int size = static_cast<int>(text.size());
    auto bytes = reinterpret_cast<const unsigned char*>(text.data());
    // A single-byte code page converts the whole line at once, byte for unit.
    std::wstring line;
    if (encoding.Set() == CharacterSet::SingleByte)
        line = ToUtf16(encoding, text);
    for (int pos = 0; pos < size;) {
        int length = encoding.CharacterLength(bytes + pos, size - pos);
        int style = static_cast<unsigned char>(layout.styles[static_cast<size_t>(pos)]);
        Piece::Kind kind = Piece::Text;
        wchar_t units[2] = {static_cast<wchar_t>(bytes[pos]), 0};
        int count = 1;
        if (bytes[pos] == '\t') {
            kind = Piece::Tab;
        } else if (bytes[pos] >= 0x80) {
            if (encoding.Set() == CharacterSet::SingleByte && line.size() == text.size()) {
                units[0] = line[static_cast<size_t>(pos)];
            } else if (encoding.Set() == CharacterSet::Utf8) {
                kind = length == 1 ? Piece::Invalid : Piece::Text;
                if (kind == Piece::Text)
                    count = EncodeUtf16(DecodeUtf8(bytes + pos, length), units);
            } else {
                count = MultiByteToWideChar(encoding.CodePage(), MB_ERR_INVALID_CHARS,
                                            text.data() + pos, length, units, 2);
                if (count <= 0 || (length == 1 && encoding.IsLeadByte(bytes[pos])))
                    kind = Piece::Invalid, count = 1;
            }
        }
        // A style's case changes what is drawn, never the text.
        int caseForce = w.core.GetStyle(style).caseForce;
        if (kind == Piece::Text && count == 1 && caseForce != SC_CASE_MIXED)
            units[0] = static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
                caseForce == SC_CASE_UPPER ? CharUpperW(reinterpret_cast<LPWSTR>(units[0]))
                                           : CharLowerW(reinterpret_cast<LPWSTR>(units[0]))));
        int slot = 0;
        WORD glyph = 0;
        if (kind == Piece::Text && units[0] >= 0x80) {
            slot = FontSlotFor(w, dc, FontFor(w, dc, style), units, count, &glyph);
            if (count == 2)
                kind = Piece::Glyphs;
        }
        bool joins = !pieces.empty() && (kind == Piece::Text || kind == Piece::Glyphs) &&
                     pieces.back().kind == kind && pieces.back().style == style &&
                     pieces.back().font == slot;
        if (!joins) {
            pieces.push_back(Piece{kind, pos, pos, style, slot, {}, {}});
            charStarts.emplace_back();
        }
        Piece& piece = pieces.back();
        piece.end = pos + length;
        charStarts.back().push_back(pos);
        if (kind == Piece::Glyphs)
            piece.text += static_cast<wchar_t>(glyph);
        else if (kind == Piece::Text)
            piece.text.append(units, static_cast<size_t>(count));
        pos += length;
    }
}

// Measures where each byte of a line starts, piece by piece, expanding tabs.
void MeasureLine(View& w, HDC dc, const Encoding& encoding, const LineLayout& layout,
                 LineMeasure& measure) {
    std::vector<std::vector<int>> charStarts;
    SelectedObject original(dc, GetCurrentObject(dc, OBJ_FONT));
    SplitLine(w, dc, encoding, layout, measure.pieces, charStarts);
    measure.x.assign(layout.text.size() + 1, 0);
    std::vector<INT> extents;
    int x = 0;
    for (size_t p = 0; p < measure.pieces.size(); ++p) {
        Piece& piece = measure.pieces[p];
        int count = static_cast<int>(charStarts[p].size());
        piece.advances.assign(static_cast<size_t>(count), 0);
        SelectObject(dc, PieceFont(w, dc, piece));
        SIZE size{};
        if (piece.kind == Piece::Tab) {
            piece.advances[0] = (x / w.tabWidth + 1) * w.tabWidth - x;
        } else if (piece.kind == Piece::Invalid) {
            GetTextExtentPoint32W(dc, L"xFF", 3, &size);
            piece.advances[0] = size.cx + 4;
        } else {
            extents.assign(static_cast<size_t>(count), 0);
            auto units = reinterpret_cast<LPWSTR>(piece.text.data());
            if (piece.kind == Piece::Glyphs)
                GetTextExtentExPointI(dc, reinterpret_cast<LPWORD>(units), count, 0, nullptr,
                                      extents.data(), &size);
            else
                GetTextExtentExPointW(dc, units, count, 0, nullptr, extents.data(), &size);
            for (int k = 0; k < count; ++k)
                piece.advances[static_cast<size_t>(k)] =
                    extents[static_cast<size_t>(k)] -
                    (k > 0 ? extents[static_cast<size_t>(k - 1)] : 0);
        }
        // A BMP character is one unit, a glyph one character: advances follow characters.
        for (int k = 0; k < count; ++k) {
            int start = charStarts[p][static_cast<size_t>(k)];
            int end = k + 1 < count ? charStarts[p][static_cast<size_t>(k + 1)] : piece.end;
            for (int byte = start; byte < end; ++byte)
                measure.x[static_cast<size_t>(byte)] = x;
            x += piece.advances[static_cast<size_t>(k)];
        }
    }
    measure.x.back() = x;
}

} // namespace

// A line's text, styles and character edges: measured once and then taken
// from the window's cache until the fonts change. dc may be null: the line
// is then measured, if it must be, in the window's measuring DC.
LineLayout LayOutLine(View& w, HDC dc, int line) {
    // Enough for every row of a tall window several times over.
    constexpr size_t kCachedLayouts = 1024;
    LineLayout layout;
    layout.start = w.core.LineStart(line);
    int end = w.core.LineEnd(line);
    layout.text = w.core.TextRange(layout.start, end);
    layout.styles = w.core.StyleRange(layout.start, end);
    // Highlighted braces are drawn in the brace styles.
    const std::pair<int, int> braces[] = {{w.core.BraceLight(0), STYLE_BRACELIGHT},
                                          {w.core.BraceLight(1), STYLE_BRACELIGHT},
                                          {w.core.BraceBad(), STYLE_BRACEBAD}};
    for (auto [pos, style] : braces) {
        if (pos >= layout.start && pos < end)
            layout.styles[static_cast<size_t>(pos - layout.start)] = static_cast<char>(style);
    }
    std::string key = layout.text + layout.styles;
    auto cached = w.layouts.find(key);
    if (cached != w.layouts.end()) {
        layout.measure = cached->second;
        layout.x = layout.measure->x;
        return layout;
    }
    auto measure = std::make_shared<LineMeasure>();
    if (dc || w.measuring.Get()) {
        MeasureLine(w, dc ? dc : w.measuring.Get(), w.core.CurrentEncoding(), layout, *measure);
    } else {
        WindowDC window(w.hwnd);
        MeasureLine(w, window.Get(), w.core.CurrentEncoding(), layout, *measure);
    }
    if (w.layouts.size() >= kCachedLayouts)
        w.layouts.clear();
    layout.measure = measure;
    layout.x = measure->x;
    w.layouts.emplace(std::move(key), std::move(measure));
    return layout;
}

// The composition is measured as UTF-8, whatever the document's code page:
// until it is committed it need not fit the code page.
void MeasureComposition(View& w, int style) {
    Composition& c = w.composition;
    c.style = style;
    c.bytes.clear();
    c.unitBytes.clear();
    c.measure = LineMeasure();
    Encoding utf8(kCodePageUtf8);
    for (size_t i = 0; i < c.text.size(); ++i) {
        size_t units =
            IS_HIGH_SURROGATE(c.text[i]) && i + 1 < c.text.size() && IS_LOW_SURROGATE(c.text[i + 1])
                ? 2
                : 1;
        std::string character;
        FromUtf16(utf8, c.text.data() + i, units, character);
        for (size_t k = 0; k < units; ++k)
            c.unitBytes.push_back(static_cast<int>(c.bytes.size()));
        c.bytes += character;
        i += units - 1;
    }
    LineLayout layout;
    layout.text = c.bytes;
    layout.styles.assign(c.bytes.size(), static_cast<char>(style));
    MeasureLine(w, w.measuring.Get(), utf8, layout, c.measure);
}

// Measured as a line of the document holding text in one style would be.
int TextWidthInStyle(View& w, int style, const std::string& text) {
    LineLayout layout;
    layout.text = text;
    layout.styles.assign(text.size(), static_cast<char>(std::clamp(style, 0, kStyleCount - 1)));
    LineMeasure measure;
    MeasureLine(w, w.measuring.Get(), w.core.CurrentEncoding(), layout, measure);
    return measure.x.empty() ? 0 : measure.x.back();
}

int MarginsWidth(const View& w) {
    int width = 0;
    for (int i = 0; i < kMarginCount; ++i)
        width += std::max(0, w.core.GetMargin(i).width);
    return width;
}

int MarginLeft(const View& w) {
    return w.marginLeft >= 0 ? w.marginLeft : w.metrics.textPadding;
}

int MarginRight(const View& w) {
    return std::max(w.marginRight, 0);
}

int TextLeft(const View& w) {
    return MarginsWidth(w) + MarginLeft(w);
}

int TextWidth(const View& w) {
    return std::max(1, static_cast<int>(ClientRect(w).right) - TextLeft(w) - MarginRight(w));
}

int LinesOnScreen(const View& w) {
    return std::max(1, static_cast<int>(ClientRect(w).bottom) / w.lineHeight);
}

// The index of the margin under client x, or -1 when x is in the text area.
int MarginAt(const View& w, int x) {
    int left = 0;
    for (int i = 0; i < kMarginCount; ++i) {
        int width = std::max(0, w.core.GetMargin(i).width);
        if (x >= left && x < left + width)
            return i;
        left += width;
    }
    return -1;
}

// The document line shown at client y; below the last line, the last line.
int LineAtY(const View& w, int y) {
    int row = y < 0 ? 0 : y / w.lineHeight;
    int display = std::min(w.core.FirstVisibleLine() + row, w.core.VisibleLineCount() - 1);
    return w.core.DocLineFromVisible(std::max(0, display));
}

// The character boundary of a line nearest to x, in text pixels.
int PositionAtTextX(View& w, int line, int textX) {
    LineLayout layout = LayOutLine(w, nullptr, line);
    auto after = std::lower_bound(layout.x.begin(), layout.x.end(), textX);
    if (after == layout.x.end())
        return layout.start + static_cast<int>(layout.text.size());
    if (after != layout.x.begin() && textX - *(after - 1) < *after - textX)
        --after;
    return w.core.CharacterStart(layout.start + static_cast<int>(after - layout.x.begin()));
}

// Where a position is drawn, in text pixels measured along its line.
int TextXOfPosition(View& w, int position) {
    LineLayout layout = LayOutLine(w, nullptr, w.core.LineFromPosition(position));
    size_t index = std::min<size_t>(std::max(0, position - layout.start), layout.text.size());
    return layout.x[index];
}

// Where a position is drawn in client coordinates: the left edge of its
// character and the top of its line (of the visible line above, if hidden).
POINT PointFromPosition(View& w, int position) {
    int row =
        w.core.VisibleFromDocLine(w.core.LineFromPosition(position)) - w.core.FirstVisibleLine();
    return POINT{TextLeft(w) - w.xOffset + TextXOfPosition(w, position), row * w.lineHeight};
}

// Paints the rows meeting area off-screen and copies them to target in one
// go; only those rows are measured and drawn.
void Paint(View& w, HDC target, const RECT& area) {
    RECT client = ClientRect(w);
    int top = std::max<LONG>(area.top, 0) / w.lineHeight * w.lineHeight;
    int bottom = std::min<LONG>(area.bottom, client.bottom);
    if (client.right <= 0 || bottom <= top)
        return;
    bottom =
        std::min<LONG>((bottom + w.lineHeight - 1) / w.lineHeight * w.lineHeight, client.bottom);
    RECT band{0, top, client.right, bottom};
    MemoryDC memory(target, client.right, bottom - top);
    if (!memory.Ok())
        return;
    HDC dc = memory.Get();
    SetViewportOrgEx(dc, 0, -top, nullptr);
    FillSolid(dc, band, w.palette.Back(w.core.GetStyle(STYLE_DEFAULT).back));
    int widest = PaintText(w, dc, band);
    const Look& look = w.core.GetLook();
    int edge = TextLeft(w) - w.xOffset + look.edgeColumn * w.spaceWidth;
    if (look.edgeMode == EDGE_LINE && edge >= TextLeft(w))
        FillSolid(dc, RECT{edge, band.top, edge + w.metrics.line, band.bottom},
                  w.palette.Fore(look.edgeColour));
    RECT blank{client.right - MarginRight(w), band.top, client.right, band.bottom};
    FillSolid(dc, blank, w.palette.Back(w.core.GetStyle(STYLE_DEFAULT).back));
    PaintMargins(w, dc, band);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    BitBlt(target, 0, top, client.right, bottom - top, dc, 0, 0, SRCCOPY);
    if (w.widthStale) {
        // Every row on screen counts, most of them from the layout cache.
        w.widthStale = false;
        int first = w.core.FirstVisibleLine();
        int rows = std::min(LinesOnScreen(w) + 1, w.core.VisibleLineCount() - first);
        for (int row = 0; row < rows; ++row)
            widest = std::max(
                widest, LayOutLine(w, nullptr, w.core.DocLineFromVisible(first + row)).x.back());
        w.scrollWidth = std::max(widest, w.xOffset > 0 ? w.xOffset + TextWidth(w) : 0);
    } else if (widest > w.scrollWidth) {
        w.scrollWidth = widest;
    }
}

int CompositionX(const View& w, int unit) {
    const Composition& c = w.composition;
    if (c.measure.x.empty())
        return 0;
    size_t byte = unit >= 0 && static_cast<size_t>(unit) < c.unitBytes.size()
                      ? static_cast<size_t>(c.unitBytes[static_cast<size_t>(unit)])
                      : c.measure.x.size() - 1;
    return c.measure.x[byte];
}

// Rows are display lines counted from the top of the view; the hidden lines
// of a range belong to no row.
void InvalidateLines(View& w, int firstLine, int lastLine) {
    const EditorCore& core = w.core;
    firstLine = std::max(firstLine, 0);
    if (lastLine < firstLine || firstLine >= core.LineCount())
        return;
    RECT client{};
    GetClientRect(w.hwnd, &client);
    int top = core.FirstVisibleLine();
    int rows = (client.bottom + w.lineHeight - 1) / w.lineHeight;
    int firstRow = core.VisibleFromDocLine(firstLine) - top + (core.LineVisible(firstLine) ? 0 : 1);
    int lastRow = lastLine >= core.LineCount() ? rows : core.VisibleFromDocLine(lastLine) - top;
    firstRow = std::max(firstRow, 0);
    if (lastRow < firstRow || firstRow >= rows)
        return;
    RECT strip{0, firstRow * w.lineHeight, client.right,
               lastRow >= rows ? client.bottom : (lastRow + 1) * w.lineHeight};
    InvalidateRect(w.hwnd, &strip, FALSE);
}

// A change wholly above or below the lines on screen costs no window-system
// call, however many there are: the sweep makes one per header.
bool InvalidateChanges(View& w) {
    PendingRepaint changes = w.pendingRepaint;
    w.pendingRepaint = PendingRepaint();
    if (changes.all) {
        w.layouts.clear();
        InvalidateRect(w.hwnd, nullptr, FALSE);
        return true;
    }
    if (changes.firstLine < 0 || changes.firstLine > w.viewLastLine ||
        changes.lastLine < w.viewFirstLine)
        return false;
    InvalidateLines(w, changes.firstLine, changes.lastLine);
    return GetUpdateRect(w.hwnd, nullptr, FALSE) != FALSE;
}

} // namespace kalmor
