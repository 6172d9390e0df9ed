// Fonts, measuring, painting and hit-testing of the editor window.
#include "component/editor_window.h"
#include <algorithm>
#include <cstdio>
#include "kalmor.h"

namespace kalmor {

namespace {

// Styles whose fonts decide the line height: the lexer's styles and the
// predefined ones (default, line numbers and their neighbours).
constexpr int kMeasuredStyles = 40;
constexpr int kTabColumns = 8;

// Fills a rectangle with a solid colour without making a brush.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr);
}

bool SameFont(const StyleFont& cached, const Style& style) {
    return cached.built && cached.face == style.font && cached.size == style.size &&
           cached.bold == style.bold && cached.italic == style.italic;
}

// Builds the font a style asks for, or shares another style's equal one, and
// records its vertical metrics.
void BuildFont(EditorWindow& w, StyleFont& cached, const Style& style, HDC dc) {
    for (const StyleFont& other : w.fonts) {
        if (&other != &cached && other.font && SameFont(other, style)) {
            cached = other;
            return;
        }
    }
    int height = -MulDiv(style.size, w.metrics.dpi, 72);
    cached.font = std::make_shared<OwnedFont>(
        CreateFontA(height, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, style.italic, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, style.font.c_str()));
    cached.built = true;
    cached.face = style.font;
    cached.size = style.size;
    cached.bold = style.bold;
    cached.italic = style.italic;
    TEXTMETRICA metrics{};
    SelectedObject selected(dc, cached.font->Get() ? cached.font->Get()
                                                   : GetStockObject(DEFAULT_GUI_FONT));
    GetTextMetricsA(dc, &metrics);
    cached.ascent = metrics.tmAscent;
    cached.descent = metrics.tmDescent;
}

// The end of the run of same-styled bytes starting at `i`; a tab is a run of its own.
size_t RunEnd(const LineLayout& layout, size_t i) {
    if (layout.text[i] == '\t')
        return i + 1;
    size_t end = i + 1;
    while (end < layout.text.size() && layout.text[end] != '\t' &&
           layout.styles[end] == layout.styles[i])
        ++end;
    return end;
}

int StyleOf(const LineLayout& layout, size_t i) {
    return static_cast<unsigned char>(layout.styles[i]);
}

// A run of text drawn in one colour: a run of one style, cut where the
// selection starts or ends when selected text has a colour of its own.
size_t DrawnRunEnd(const EditorWindow& w, const LineLayout& layout, size_t i) {
    size_t end = RunEnd(layout, i);
    if (!w.palette.highContrast)
        return end;
    for (int edge : {w.core.SelectionStart(), w.core.SelectionEnd()}) {
        int offset = edge - layout.start;
        if (offset > static_cast<int>(i) && offset < static_cast<int>(end))
            end = static_cast<size_t>(offset);
    }
    return end;
}

// The colour of the text at byte i of a line: its style's, or the palette's.
COLORREF TextColour(const EditorWindow& w, const LineLayout& layout, size_t i) {
    COLORREF own = w.core.GetStyle(StyleOf(layout, i)).fore;
    int position = layout.start + static_cast<int>(i);
    bool selected = position >= w.core.SelectionStart() && position < w.core.SelectionEnd();
    return selected ? w.palette.SelectedFore(own) : w.palette.Fore(own);
}

// The selected part of one drawn line as a highlight (Palette::SelectionBack).
// A selected line end (with a folded header's hidden lines) shows as a
// space's width.
void PaintSelection(EditorWindow& w, HDC dc, const LineLayout& layout, int top, int origin) {
    int start = w.core.SelectionStart();
    int end = w.core.SelectionEnd();
    int lineEnd = layout.start + static_cast<int>(layout.text.size());
    if (start == end || end < layout.start || start > lineEnd ||
        (start == lineEnd && end == lineEnd))
        return;
    int left = origin + layout.x[std::max(start, layout.start) - layout.start];
    int right = origin + layout.x[std::min(end, lineEnd) - layout.start];
    if (end > lineEnd)
        right += std::max(1, w.tabWidth / 8);
    COLORREF colour = w.palette.SelectionBack(w.core.GetStyle(STYLE_DEFAULT).back, w.focused);
    FillSolid(dc, RECT{left, top, right, top + w.lineHeight}, colour);
}

// The small framed "..." after a contracted header's text; answers its right
// edge in text pixels.
int PaintFoldTag(EditorWindow& w, HDC dc, int textRight, int top, int origin) {
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

// Draws the rows of text within band: each run's background in its style's
// colour, the selection over those, then the text in its style's font and
// colour. Returns the width of the widest line drawn.
int PaintText(EditorWindow& w, HDC dc, const RECT& band) {
    const EditorCore& core = w.core;
    int origin = TextLeft(w) - w.xOffset;
    int first = core.FirstVisibleLine();
    int count = core.VisibleLineCount();
    int widest = 0;
    std::vector<INT> advances;
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SelectedObject original(dc, GetCurrentObject(dc, OBJ_FONT));
    HGDIOBJ selected = nullptr;
    for (int row = band.top / w.lineHeight; row * w.lineHeight < band.bottom && first + row < count;
         ++row) {
        int line = core.DocLineFromVisible(first + row);
        int top = row * w.lineHeight;
        LineLayout layout = LayOutLine(w, dc, line);
        for (size_t i = 0; i < layout.text.size(); i = RunEnd(layout, i)) {
            RECT cell{origin + layout.x[i], top, origin + layout.x[RunEnd(layout, i)],
                      top + w.lineHeight};
            if (cell.left >= band.right)
                break;
            FillSolid(dc, cell, w.palette.Back(core.GetStyle(StyleOf(layout, i)).back));
        }
        PaintSelection(w, dc, layout, top, origin);
        SetBkMode(dc, TRANSPARENT);
        for (size_t i = 0; i < layout.text.size();) {
            size_t end = DrawnRunEnd(w, layout, i);
            RECT cell{origin + layout.x[i], top, origin + layout.x[end], top + w.lineHeight};
            if (cell.left >= band.right)
                break;
            if (cell.right > 0 && layout.text[i] != '\t') {
                HGDIOBJ font = FontFor(w, dc, StyleOf(layout, i)).font->Get();
                if (font != selected)
                    selected = SelectObject(dc, font) ? font : nullptr;
                SetTextColor(dc, TextColour(w, layout, i));
                // Each character goes exactly where it was measured, so
                // runs of different fonts meet without gaps or overlaps.
                advances.clear();
                for (size_t k = i; k < end; ++k)
                    advances.push_back(layout.x[k + 1] - layout.x[k]);
                ExtTextOutA(dc, cell.left, top + w.ascent, 0, nullptr, layout.text.data() + i,
                            static_cast<UINT>(advances.size()), advances.data());
            }
            i = end;
        }
        SetBkMode(dc, OPAQUE);
        int right = layout.x.back();
        if (core.IsHeader(line) && !core.Expanded(line)) {
            RECT rule{TextLeft(w), top + w.lineHeight - w.metrics.line, band.right,
                      top + w.lineHeight};
            FillSolid(dc, rule, w.palette.Fore(core.GetStyle(STYLE_DEFAULT).fore));
            right = PaintFoldTag(w, dc, right, top, origin);
        }
        widest = std::max(widest, right);
    }
    return widest;
}

// Draws 1-based line numbers right-aligned in a margin, in style 33's font,
// on the rows the margin's rectangle meets.
void PaintLineNumbers(EditorWindow& w, HDC dc, const RECT& margin) {
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

// Draws the margins within band from left to right over whatever text was
// scrolled under them.
void PaintMargins(EditorWindow& w, HDC dc, const RECT& band) {
    COLORREF chrome = w.palette.buttonFace;
    int left = 0;
    for (int i = 0; i < kMarginCount; ++i) {
        const Margin& margin = w.core.GetMargin(i);
        if (margin.width <= 0)
            continue;
        RECT area{left, band.top, left + margin.width, band.bottom};
        FillSolid(dc, area, chrome);
        if (margin.type == SC_MARGIN_NUMBER)
            PaintLineNumbers(w, dc, area);
        left += margin.width;
    }
    RECT padding{left, band.top, std::min<LONG>(TextLeft(w), band.right), band.bottom};
    FillSolid(dc, padding, w.palette.Back(w.core.GetStyle(STYLE_DEFAULT).back));
}

RECT ClientRect(const EditorWindow& w) {
    RECT client{};
    GetClientRect(w.hwnd, &client);
    return client;
}

} // namespace

// The font of a style, built on first use and rebuilt only when the style's
// face, size, weight or slant changed since.
const StyleFont& FontFor(EditorWindow& w, HDC dc, int style) {
    style = std::clamp(style, 0, kStyleCount - 1);
    StyleFont& cached = w.fonts[style];
    const Style& wanted = w.core.GetStyle(style);
    if (cached.built && cached.version == wanted.version)
        return cached;
    if (!SameFont(cached, wanted))
        BuildFont(w, cached, wanted, dc);
    cached.version = wanted.version;
    return cached;
}

// Brings the fonts of the common styles up to date and derives the line
// height, baseline and tab width from them.
void RefreshFonts(EditorWindow& w) {
    bool current = true;
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
    w.ascent = ascent;
    w.lineHeight = ascent + descent;
    SelectedObject font(dc.Get(), FontFor(w, dc.Get(), STYLE_DEFAULT).font->Get());
    SIZE space{};
    GetTextExtentPoint32A(dc.Get(), " ", 1, &space);
    w.tabWidth = std::max<int>(1, space.cx * kTabColumns);
}

namespace {

// Measures where each byte of a line starts, run by run, expanding tabs.
void MeasureLine(EditorWindow& w, HDC dc, LineLayout& layout) {
    layout.x.assign(layout.text.size() + 1, 0);
    std::vector<INT> extents;
    SelectedObject original(dc, GetCurrentObject(dc, OBJ_FONT));
    HGDIOBJ selected = nullptr;
    for (size_t i = 0; i < layout.text.size();) {
        size_t runEnd = RunEnd(layout, i);
        if (layout.text[i] == '\t') {
            layout.x[runEnd] = (layout.x[i] / w.tabWidth + 1) * w.tabWidth;
        } else {
            HGDIOBJ font = FontFor(w, dc, StyleOf(layout, i)).font->Get();
            if (font != selected)
                selected = SelectObject(dc, font) ? font : nullptr;
            int count = static_cast<int>(runEnd - i);
            extents.assign(count, 0);
            SIZE size{};
            GetTextExtentExPointA(dc, layout.text.data() + i, count, 0, nullptr, extents.data(),
                                  &size);
            for (int k = 0; k < count; ++k)
                layout.x[i + k + 1] = layout.x[i] + extents[k];
        }
        i = runEnd;
    }
}

} // namespace

// A line's text, styles and character edges: measured once and then taken
// from the window's cache until the fonts change. dc may be null: the line
// is then measured, if it must be, in the window's measuring DC.
LineLayout LayOutLine(EditorWindow& w, HDC dc, int line) {
    // Enough for every row of a tall window several times over.
    constexpr size_t kCachedLayouts = 1024;
    LineLayout layout;
    layout.start = w.core.LineStart(line);
    int end = w.core.LineEnd(line);
    layout.text = w.core.TextRange(layout.start, end);
    layout.styles = w.core.StyleRange(layout.start, end);
    std::string key = layout.text + layout.styles;
    auto cached = w.layouts.find(key);
    if (cached != w.layouts.end()) {
        layout.x = cached->second;
        return layout;
    }
    if (dc || w.measuring.Get()) {
        MeasureLine(w, dc ? dc : w.measuring.Get(), layout);
    } else {
        WindowDC window(w.hwnd);
        MeasureLine(w, window.Get(), layout);
    }
    if (w.layouts.size() >= kCachedLayouts)
        w.layouts.clear();
    w.layouts.emplace(std::move(key), layout.x);
    return layout;
}

int MarginsWidth(const EditorWindow& w) {
    int width = 0;
    for (int i = 0; i < kMarginCount; ++i)
        width += std::max(0, w.core.GetMargin(i).width);
    return width;
}

int TextLeft(const EditorWindow& w) {
    return MarginsWidth(w) + w.metrics.textPadding;
}

int TextWidth(const EditorWindow& w) {
    return std::max(1, static_cast<int>(ClientRect(w).right) - TextLeft(w));
}

int LinesOnScreen(const EditorWindow& w) {
    return std::max(1, static_cast<int>(ClientRect(w).bottom) / w.lineHeight);
}

// The index of the margin under client x, or -1 when x is in the text area.
int MarginAt(const EditorWindow& w, int x) {
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
int LineAtY(const EditorWindow& w, int y) {
    int row = y < 0 ? 0 : y / w.lineHeight;
    int display = std::min(w.core.FirstVisibleLine() + row, w.core.VisibleLineCount() - 1);
    return w.core.DocLineFromVisible(std::max(0, display));
}

// The character boundary of a line nearest to x, in text pixels.
int PositionAtTextX(EditorWindow& w, int line, int textX) {
    LineLayout layout = LayOutLine(w, nullptr, line);
    auto after = std::lower_bound(layout.x.begin(), layout.x.end(), textX);
    if (after == layout.x.end())
        return layout.start + static_cast<int>(layout.text.size());
    if (after != layout.x.begin() && textX - *(after - 1) < *after - textX)
        --after;
    return layout.start + static_cast<int>(after - layout.x.begin());
}

// Where a position is drawn, in text pixels measured along its line.
int TextXOfPosition(EditorWindow& w, int position) {
    LineLayout layout = LayOutLine(w, nullptr, w.core.LineFromPosition(position));
    size_t index = std::min<size_t>(std::max(0, position - layout.start), layout.text.size());
    return layout.x[index];
}

// Where a position is drawn in client coordinates: the left edge of its
// character and the top of its line (of the visible line above, if hidden).
POINT PointFromPosition(EditorWindow& w, int position) {
    int row =
        w.core.VisibleFromDocLine(w.core.LineFromPosition(position)) - w.core.FirstVisibleLine();
    return POINT{TextLeft(w) - w.xOffset + TextXOfPosition(w, position), row * w.lineHeight};
}

// Paints the rows meeting area off-screen and copies them to target in one
// go; only those rows are measured and drawn.
void Paint(EditorWindow& w, HDC target, const RECT& area) {
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

} // namespace kalmor
