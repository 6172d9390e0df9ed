// Painting the editor window: the text, the margins and what the other
// parts show through the view, off-screen and then in one copy.
#include "component/view/view.h"
#include "component/text/text.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "kalmor.h"

namespace kalmor {

namespace {

// Fills a rectangle with a solid colour without making a brush.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
}

// The selected part of one drawn line, from left to right in client pixels;
// false when the line holds none of the selection. A selected line end (with
// a folded header's hidden lines) shows as a space's width; an end in
// virtual space reaches as far past the line's end.
bool SpanOf(const View& w, const LineLayout& layout, int origin, const SelectionRange& range,
            int* left, int* right) {
    int start = range.Start();
    int end = range.End();
    int lineEnd = layout.start + static_cast<int>(layout.text.size());
    if (w.selectionHidden || range.Empty() || end < layout.start || start > lineEnd)
        return false;
    *left = origin + layout.x[std::max(start, layout.start) - layout.start];
    *right = origin + layout.x[std::min(end, lineEnd) - layout.start];
    if (start == lineEnd)
        *left += range.StartVirtual() * w.spaceWidth;
    if (end > lineEnd)
        *right += std::max(1, w.tabWidth / 8);
    else if (end == lineEnd)
        *right += range.EndVirtual() * w.spaceWidth;
    return *right > *left;
}

bool SelectedSpan(const View& w, const LineLayout& layout, int origin, int* left, int* right) {
    return SpanOf(w, layout, origin, w.core.SelectionN(w.core.MainSelection()), left, right);
}

// The spans of the selections besides the main one on a drawn line.
std::vector<RECT> AdditionalSpans(const View& w, const LineLayout& layout, int origin, int top) {
    std::vector<RECT> spans;
    for (int n = 0, count = w.core.SelectionCount(); count > 1 && n < count; ++n) {
        SelectionRange range = w.core.SelectionN(n);
        int left = 0, right = 0;
        if (n != w.core.MainSelection() && SpanOf(w, layout, origin, range, &left, &right))
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
// The first piece that ends right of x: a wrapped row is drawn from its
// own pieces on, not from its line's first.
std::vector<Piece>::const_iterator FirstPieceFrom(const LineMeasure& measure, int x) {
    return std::partition_point(
        measure.pieces.begin(), measure.pieces.end(),
        [&](const Piece& piece) { return measure.x[static_cast<size_t>(piece.end)] <= x; });
}

void PaintPieces(View& w, HDC dc, const LineMeasure& measure, const std::string& text, int origin,
                 int top, const RECT& band, HGDIOBJ& selected, bool inSelection,
                 COLORREF ink = CLR_INVALID) {
    SetBkMode(dc, TRANSPARENT);
    RECT box{};
    GetClipBox(dc, &box);
    // The text pieces in one font and colour are drawn in one call, the
    // pieces between them stepped over by a blank as wide as they are, so
    // every character still goes exactly where it was measured: a line of
    // short tokens in a few colours (names, operators, numbers) costs a call
    // per colour, not per token.
    struct Layer {
        HGDIOBJ font;
        COLORREF fore;
        int left, right;
        std::wstring text;
        std::vector<INT> advances;
    };
    std::vector<Layer> layers;
    auto layerFor = [&](HGDIOBJ font, COLORREF fore, int left) -> Layer& {
        for (Layer& layer : layers)
            if (layer.font == font && layer.fore == fore) {
                if (layer.right < left) {
                    layer.text += L' ';
                    layer.advances.push_back(left - layer.right);
                }
                return layer;
            }
        return layers.emplace_back(Layer{font, fore, left, left, {}, {}});
    };
    for (auto it = FirstPieceFrom(measure, box.left - origin); it != measure.pieces.end(); ++it) {
        const Piece& piece = *it;
        RECT cell{origin + measure.x[piece.start], top, origin + measure.x[piece.end],
                  top + w.lineHeight};
        if (cell.left >= band.right || cell.left >= box.right)
            break;
        if (cell.right <= 0 || piece.kind == Piece::Tab)
            continue;
        const Style& style = w.core.GetStyle(piece.style);
        HGDIOBJ font = PieceFont(w, dc, piece);
        COLORREF fore = inSelection ? SelectedFore(w, style.fore) : w.palette.Fore(style.fore);
        fore = ink != CLR_INVALID ? ink : fore;
        if (piece.kind == Piece::Text && style.visible && !style.underline) {
            Layer& layer = layerFor(font, fore, cell.left);
            layer.text += piece.text;
            layer.advances.insert(layer.advances.end(), piece.advances.begin(),
                                  piece.advances.end());
            layer.right = cell.right;
            continue;
        }
        if (font != selected)
            selected = SelectObject(dc, font) ? font : nullptr;
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
    for (const Layer& layer : layers) {
        if (layer.font != selected)
            selected = SelectObject(dc, layer.font) ? layer.font : nullptr;
        SetTextColor(dc, layer.fore);
        ExtTextOutW(dc, layer.left, top + w.ascent, 0, nullptr, layer.text.data(),
                    static_cast<UINT>(layer.text.size()), layer.advances.data());
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
    // A long line's window starts past the indent, as far as is known.
    size_t indent =
        layout.start > layout.lineStart ? 0 : std::min(text.find_first_not_of(" \t"), text.size());
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
    if (!core.GetLook().viewEol || next <= end || !EndsLine(layout))
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
                    PaintPieces(w, dc, *layout.measure, layout.text, origin + layout.x[0], top,
                                cell, selected, false, w.palette.Fore(indicator.fore));
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
    RECT box{};
    GetClipBox(dc, &box);
    const LineMeasure& measure = *layout.measure;
    // The layout's x is the measure's moved by where its window starts.
    // Neighbouring pieces of one background are filled at once.
    RECT run{};
    COLORREF runBack = 0;
    for (auto it = FirstPieceFrom(measure, box.left - origin - layout.x[0]);
         it != measure.pieces.end() && !caretLine; ++it) {
        const Piece& piece = *it;
        RECT cell{origin + layout.x[piece.start], top, origin + layout.x[piece.end],
                  top + w.lineHeight};
        if (cell.left >= band.right || cell.left >= box.right)
            break;
        COLORREF back =
            w.palette.Back(background ? background->back : w.core.GetStyle(piece.style).back);
        if (run.right == cell.left && back == runBack && run.right > run.left) {
            run.right = cell.right;
            continue;
        }
        if (run.right > run.left)
            FillSolid(dc, run, runBack);
        run = cell;
        runBack = back;
    }
    if (run.right > run.left)
        FillSolid(dc, run, runBack);
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
    if (ending.eolFilled && !caretLine && EndsLine(layout) && origin + layout.x.back() < band.right)
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
        PaintPieces(w, dc, *layout.measure, layout.text, origin + layout.x[0], top, band, selected,
                    false);
    } else {
        const RECT parts[] = {{band.left, top, left, top + w.lineHeight},
                              {right, top, band.right, top + w.lineHeight},
                              {left, top, right, top + w.lineHeight}};
        for (const RECT& part : parts) {
            ClippedDC clip(dc, part);
            PaintPieces(w, dc, *layout.measure, layout.text, origin + layout.x[0], top, band,
                        selected, &part == &parts[2]);
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
            PaintPieces(w, dc, *layout.measure, layout.text, origin + layout.x[0], top, band,
                        selected, true, ink);
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

// The document line a display line shows, and whether it is its first row:
// margins mark a line once, on its first row.
bool FirstRowOf(const EditorCore& core, int displayLine, int* line) {
    *line = core.DocLineFromVisible(displayLine);
    return core.VisibleFromDocLine(*line) == displayLine;
}

// The colour a whole row of a line is drawn on, when one is: the caret's
// line in the host's colour, or a line with a background marker.
bool RowBackground(View& w, int line, COLORREF* colour) {
    const Look& look = w.core.GetLook();
    if (look.caretLineVisible && !w.palette.highContrast &&
        line == w.core.LineFromPosition(w.core.Caret())) {
        *colour = look.caretLineBack;
        return true;
    }
    uint32_t markers = w.core.MarkersOn(line);
    for (int n = 0; markers != 0 && n < kMarkerCount; ++n) {
        const MarkerStyle& marker = w.core.GetMarkerStyle(n);
        if ((markers & (1u << n)) && marker.symbol == SC_MARK_BACKGROUND) {
            *colour = w.palette.Back(marker.back);
            return true;
        }
    }
    return false;
}

// The mark of a wrapped line's break, a hooked arrow in a cell as wide as
// WrapFlagWidth: at a row's end it turns down and back to the left, at a
// later row's start it comes down and turns right.
void PaintWrapFlag(View& w, HDC dc, int left, int top, bool atEnd) {
    COLORREF ink = w.palette.Fore(w.core.GetStyle(STYLE_DEFAULT).fore);
    int width = WrapFlagWidth(w);
    int line = w.metrics.line;
    int inset = std::max(1, width / 5);
    int high = top + w.lineHeight / 4;
    int low = top + w.lineHeight * 3 / 4;
    int stem = atEnd ? left + width - inset - line : left + inset;
    FillSolid(dc, RECT{stem, high, stem + line, low}, ink);
    FillSolid(dc, RECT{left + inset, low - line, left + width - inset, low}, ink);
    int head = atEnd ? left + inset : left + width - inset - line;
    int reach = std::max(line, width / 5);
    FillSolid(dc, RECT{head, low - line - reach, head + line, low + reach}, ink);
}

// The carets of the selections besides the main one on a drawn row, while
// focused and not in a blink's off phase: bars of the caret's width in their
// own colour. The main caret is the window system's, drawn over everything.
void PaintAdditionalCarets(View& w, HDC dc, const LineLayout& layout, int row, int origin,
                           int top) {
    const Look& look = w.core.GetLook();
    int count = w.core.SelectionCount();
    if (count < 2 || !look.addCaretsVisible || !w.focused ||
        (look.addCaretsBlink && w.otherCaretsOff))
        return;
    int width = look.caretWidthSet ? Scale(w.metrics, look.caretWidth) : w.metrics.caretWidth;
    COLORREF colour = w.palette.highContrast ? w.palette.windowText : look.addCaretFore;
    int lineEnd = layout.start + static_cast<int>(layout.text.size());
    for (int n = 0; n < count; ++n) {
        SelectionRange range = w.core.SelectionN(n);
        int caret = range.caret;
        if (n == w.core.MainSelection() || caret < layout.start || caret > lineEnd ||
            RowOfByte(layout, caret - layout.start) != row)
            continue;
        size_t byte = static_cast<size_t>(caret - layout.start);
        int x = origin + layout.x[byte] + range.caretVirtual * w.spaceWidth;
        // Typing over, each caret is a block over the character it would
        // replace, inverting it by the caret's colour as the main caret does.
        if (w.core.Overtype() && !w.palette.highContrast) {
            int next = caret < lineEnd ? w.core.PositionAfter(caret) - layout.start : -1;
            int block =
                std::max(width, next > 0 ? layout.x[static_cast<size_t>(next)] - layout.x[byte]
                                         : w.spaceWidth);
            OwnedBrush brush(CreateSolidBrush(colour ^ w.core.GetStyle(STYLE_DEFAULT).back));
            SelectedObject selected(dc, brush.Get());
            PatBlt(dc, x, top, block, w.lineHeight, PATINVERT);
            continue;
        }
        FillSolid(dc, RECT{x, top, x + width, top + w.lineHeight}, colour);
    }
}

// Draws the rows of text within band. A line that wraps is drawn once on
// each of its rows, shifted so the row's bytes start at the text's left
// edge (or the wrap indent) and clipped to them. The caret's row, while a
// composition is shown, makes room for it at the caret: the row is drawn in
// two parts, the part after the caret moved right by the composition's
// width. Returns the width of the widest line drawn.
int PaintText(View& w, HDC dc, const RECT& band) {
    const EditorCore& core = w.core;
    const Look& look = core.GetLook();
    int origin = TextLeft(w) - w.xOffset;
    int first = core.FirstVisibleLine();
    int count = core.VisibleLineCount();
    int widest = 0;
    bool composing = w.composition.active && !w.composition.text.empty();
    int caretLine = core.LineFromPosition(core.Caret());
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SelectedObject original(dc, GetCurrentObject(dc, OBJ_FONT));
    HGDIOBJ selected = nullptr;
    LineLayout layout;
    int laidOut = -1;
    for (int row = band.top / w.lineHeight; row * w.lineHeight < band.bottom && first + row < count;
         ++row) {
        int line = core.DocLineFromVisible(first + row);
        int top = row * w.lineHeight;
        // The rows of a wrapped line share its layout.
        if (line != laidOut)
            layout = LayOutLine(w, dc, line);
        laidOut = line;
        int rows = RowCount(layout);
        int sub = std::clamp(first + row - core.VisibleFromDocLine(line), 0, rows - 1);
        bool lastRow = sub == rows - 1;
        int rowStart = RowStart(layout, sub);
        int rowEnd = RowEnd(layout, sub);
        int shifted =
            origin - (sub > 0 ? layout.x[static_cast<size_t>(rowStart)] - layout.rows.indent : 0);
        RECT clip{rows > 1 ? TextLeft(w) + (sub > 0 ? layout.rows.indent : 0) : band.left, top,
                  lastRow ? band.right : shifted + layout.x[static_cast<size_t>(rowEnd)],
                  top + w.lineHeight};
        int right = LineWidth(layout);
        int caretByte = core.Caret() - layout.start;
        bool caretLaidOut = caretByte >= 0 && caretByte <= static_cast<int>(layout.text.size());
        if (composing && line == caretLine && caretLaidOut && RowOfByte(layout, caretByte) == sub) {
            int split = shifted + layout.x[static_cast<size_t>(caretByte)];
            int width = w.composition.measure.x.back();
            // Restoring the DC after each part also restores its font.
            for (int part = 0; part < 2; ++part) {
                ClippedDC clipped(dc, part == 0 ? RECT{clip.left, top, split, clip.bottom}
                                                : RECT{split + width, top,
                                                       lastRow ? clip.right : clip.right + width,
                                                       clip.bottom});
                PaintLine(w, dc, layout, shifted + part * width, top, band, selected);
                selected = nullptr;
            }
            PaintComposition(w, dc, split, top, band, selected);
            if (lastRow)
                right = PaintLineEnd(w, dc, layout, shifted + width, right, top) + width;
        } else if (rows > 1) {
            {
                ClippedDC clipped(dc, clip);
                PaintLine(w, dc, layout, shifted, top, band, selected);
                selected = nullptr;
            }
            // The row's blank ends take the line's whole-row colour.
            COLORREF back = 0;
            if (RowBackground(w, line, &back)) {
                FillSolid(dc, RECT{TextLeft(w), top, clip.left, clip.bottom}, back);
                if (!lastRow)
                    FillSolid(dc, RECT{clip.right, top, band.right, clip.bottom}, back);
            }
            if (lastRow)
                right = PaintLineEnd(w, dc, layout, shifted, right, top);
            bool byText = (look.wrapVisualFlagsLocation & SC_WRAPVISUALFLAGLOC_END_BY_TEXT) != 0;
            if (!lastRow && (look.wrapVisualFlags & SC_WRAPVISUALFLAG_END))
                PaintWrapFlag(w, dc,
                              byText ? clip.right : TextLeft(w) + TextWidth(w) - WrapFlagWidth(w),
                              top, true);
            byText = (look.wrapVisualFlagsLocation & SC_WRAPVISUALFLAGLOC_START_BY_TEXT) != 0;
            if (sub > 0 && (look.wrapVisualFlags & SC_WRAPVISUALFLAG_START))
                PaintWrapFlag(w, dc, byText ? clip.left - WrapFlagWidth(w) : TextLeft(w), top,
                              false);
        } else {
            PaintLine(w, dc, layout, origin, top, band, selected);
            right = PaintLineEnd(w, dc, layout, origin, right, top);
        }
        if (core.IsHeader(line)) {
            // The host's fold flags: rules above and below open and closed
            // headers, over the line's first and last rows.
            bool open = core.Expanded(line);
            int flags = look.foldFlags;
            COLORREF ink = w.palette.Fore(core.GetStyle(STYLE_DEFAULT).fore);
            if (sub == 0 && (flags & (open ? SC_FOLDFLAG_LINEBEFORE_EXPANDED
                                           : SC_FOLDFLAG_LINEBEFORE_CONTRACTED)))
                FillSolid(dc, RECT{TextLeft(w), top, band.right, top + w.metrics.line}, ink);
            if (lastRow && (flags & (open ? SC_FOLDFLAG_LINEAFTER_EXPANDED
                                          : SC_FOLDFLAG_LINEAFTER_CONTRACTED)))
                FillSolid(dc,
                          RECT{TextLeft(w), top + w.lineHeight - w.metrics.line, band.right,
                               top + w.lineHeight},
                          ink);
            if (!open && lastRow)
                right = PaintFoldTag(w, dc, right, top, rows > 1 ? shifted : origin);
        }
        widest = std::max(widest, right);
        PaintAdditionalCarets(w, dc, layout, sub, shifted, top);
        int drop = w.dropPosition - layout.start;
        if (drop >= rowStart && (drop < rowEnd || (lastRow && drop == rowEnd))) {
            // Where dragged text would land: a bar twice the caret's width.
            int x = shifted + layout.x[static_cast<size_t>(drop)];
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
        int line = 0;
        if (!FirstRowOf(core, first + row, &line)) {
            // A wrapped line's later rows: no number, a mark when the host asks.
            if (core.GetLook().wrapVisualFlags & SC_WRAPVISUALFLAG_MARGIN)
                PaintWrapFlag(w, dc, margin.right - w.metrics.numberPadding - WrapFlagWidth(w),
                              row * w.lineHeight, false);
            continue;
        }
        char number[16];
        int length = std::snprintf(number, sizeof number, "%d", line + 1);
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
        int line = 0;
        if (!FirstRowOf(core, first + row, &line))
            continue;
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
        int line = 0;
        if (!FirstRowOf(core, first + row, &line))
            continue;
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

} // namespace

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
    if (w.core.Wrapping()) {
        // Nothing reaches past the text area's right edge.
        w.widthStale = false;
        w.scrollWidth = 0;
    } else if (w.widthStale) {
        // Every row on screen counts, most of them from the layout cache.
        w.widthStale = false;
        int first = w.core.FirstVisibleLine();
        int rows = std::min(LinesOnScreen(w) + 1, w.core.VisibleLineCount() - first);
        for (int row = 0; row < rows; ++row)
            widest = std::max(
                widest, LineWidth(LayOutLine(w, nullptr, w.core.DocLineFromVisible(first + row))));
        w.scrollWidth = std::max(widest, w.xOffset > 0 ? w.xOffset + TextWidth(w) : 0);
    } else if (widest > w.scrollWidth) {
        w.scrollWidth = widest;
    }
}

namespace {

// The rows of a long wrapped line that an edit from fromByte on leaves as
// they were: those above the row before the edit's, since a word may move
// up to that one and the token ending at the edit, which may be restyled,
// starts there at the earliest. The ones on screen are noted for
// CheckKeptRows as they are drawn: a later edit before the paint keeps no
// more of them. One line's at a time.
int KeepRowsAbove(View& w, int line, int fromByte) {
    KeptRows& noted = w.keptRows;
    int row = LongRowOfByte(w, line, fromByte - w.core.LineStart(line));
    if (row < 2 || (noted.line >= 0 && noted.line != line) || !w.core.LineVisible(line))
        return 0;
    int kept = row - 1;
    if (noted.line == line) {
        kept = std::min(kept, noted.firstRow + static_cast<int>(noted.starts.size()) - 2);
        if (kept <= noted.firstRow)
            noted = KeptRows();
        else
            noted.starts.erase(noted.starts.begin() + (kept + 1 - noted.firstRow),
                               noted.starts.end() - 1);
        return kept;
    }
    int top = w.core.FirstVisibleLine();
    int first = std::max(0, top - w.core.VisibleFromDocLine(line));
    if (first < kept) {
        noted.line = line;
        noted.topRow = top;
        noted.firstRow = first;
        noted.starts = LongRowStarts(w, line, first, kept + 1 - first);
    }
    return kept;
}

} // namespace

void CheckKeptRows(View& w) {
    KeptRows kept = std::move(w.keptRows);
    w.keptRows = KeptRows();
    if (kept.line < 0)
        return;
    if (kept.line >= w.core.LineCount() || kept.topRow != w.core.FirstVisibleLine() ||
        LongRowStarts(w, kept.line, kept.firstRow, static_cast<int>(kept.starts.size()) - 1) !=
            kept.starts)
        InvalidateRect(w.hwnd, nullptr, FALSE);
}

void InvalidateFromRow(View& w, int row) {
    int top = w.core.FirstVisibleLine();
    if (row >= top + LinesOnScreen(w) + 1)
        return;
    RECT strip = ClientRect(w);
    strip.top = std::max(0, row - top) * w.lineHeight;
    InvalidateRect(w.hwnd, &strip, FALSE);
}

// Rows are display lines counted from the top of the view; the hidden lines
// of a range belong to no row.
void InvalidateLines(View& w, int firstLine, int lastLine, int fromByte) {
    EditorCore& core = w.core;
    firstLine = std::max(firstLine, 0);
    if (lastLine < firstLine || firstLine >= core.LineCount())
        return;
    RECT client{};
    GetClientRect(w.hwnd, &client);
    int top = core.FirstVisibleLine();
    int rows = (client.bottom + w.lineHeight - 1) / w.lineHeight;
    int firstRow = core.VisibleFromDocLine(firstLine) - top + (core.LineVisible(firstLine) ? 0 : 1);
    if (fromByte > core.LineStart(firstLine) && fromByte <= core.LineEnd(firstLine))
        firstRow += KeepRowsAbove(w, firstLine, fromByte);
    int lastRow = lastLine >= core.LineCount() ? rows
                                               : core.VisibleFromDocLine(lastLine) +
                                                     std::max(core.LineRows(lastLine), 1) - 1 - top;
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
    InvalidateLines(w, changes.firstLine, changes.lastLine, changes.firstByte);
    return GetUpdateRect(w.hwnd, nullptr, FALSE) != FALSE;
}

} // namespace kalmor
