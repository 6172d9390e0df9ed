// Line layout: a line split into pieces, measured, wrapped into rows and
// hit-tested by pixel. Painting draws what this lays out, and the caret,
// the mouse and the requests find positions in the same rows.
#include "component/view/view.h"
#include "component/text/text.h"
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include "kalmor.h"

namespace kalmor {

namespace {

// Splits a line into pieces, character by character: tabs, invalid bytes,
// and runs of one style and font, characters beyond the Basic Multilingual
// Plane as glyphs. charStarts gets every character's first byte, in order,
// and firstChar the index there of each piece's first, then their count.
void SplitLine(View& w, HDC dc, const Encoding& encoding, const LineLayout& layout,
               std::vector<Piece>& pieces, std::vector<int>& charStarts,
               std::vector<int>& firstChar) {
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
            firstChar.push_back(static_cast<int>(charStarts.size()));
        }
        Piece& piece = pieces.back();
        piece.end = pos + length;
        charStarts.push_back(pos);
        if (kind == Piece::Glyphs)
            piece.text += static_cast<wchar_t>(glyph);
        else if (kind == Piece::Text)
            piece.text.append(units, static_cast<size_t>(count));
        pos += length;
    }
    firstChar.push_back(static_cast<int>(charStarts.size()));
}

// Measures where each byte of a line starts, piece by piece, expanding tabs
// to stops counted from the last of tabOrigins (bytes, in order) before them.
void MeasureLine(View& w, HDC dc, const Encoding& encoding, const LineLayout& layout,
                 LineMeasure& measure, const std::vector<int>* tabOrigins = nullptr) {
    std::vector<int> charStarts, firstChar;
    charStarts.reserve(layout.text.size());
    SelectedObject original(dc, GetCurrentObject(dc, OBJ_FONT));
    SplitLine(w, dc, encoding, layout, measure.pieces, charStarts, firstChar);
    measure.x.assign(layout.text.size() + 1, 0);
    std::vector<INT> extents;
    int x = 0;
    for (size_t p = 0; p < measure.pieces.size(); ++p) {
        Piece& piece = measure.pieces[p];
        const int* starts = charStarts.data() + firstChar[p];
        int count = firstChar[p + 1] - firstChar[p];
        piece.advances.assign(static_cast<size_t>(count), 0);
        const std::vector<int>* ascii = piece.kind == Piece::Text && piece.font == 0
                                            ? FontFor(w, dc, piece.style).ascii.get()
                                            : nullptr;
        if (ascii && std::any_of(piece.text.begin(), piece.text.end(),
                                 [](wchar_t c) { return c < ' ' || c > '~'; }))
            ascii = nullptr;
        if (!ascii)
            SelectObject(dc, PieceFont(w, dc, piece));
        SIZE size{};
        if (ascii) {
            for (int k = 0; k < count; ++k)
                piece.advances[static_cast<size_t>(k)] =
                    (*ascii)[static_cast<size_t>(piece.text[static_cast<size_t>(k)] - ' ')];
        } else if (piece.kind == Piece::Tab) {
            int from = x;
            auto after = tabOrigins
                             ? std::upper_bound(tabOrigins->begin(), tabOrigins->end(), piece.start)
                             : std::vector<int>::const_iterator();
            if (tabOrigins && after != tabOrigins->begin()) {
                int origin = *(after - 1);
                from = origin == piece.start ? 0 : x - measure.x[static_cast<size_t>(origin)];
            }
            piece.advances[0] = (from / w.tabWidth + 1) * w.tabWidth - from;
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
            int start = starts[k];
            int end = k + 1 < count ? starts[k + 1] : piece.end;
            for (int byte = start; byte < end; ++byte)
                measure.x[static_cast<size_t>(byte)] = x;
            x += piece.advances[static_cast<size_t>(k)];
        }
    }
    measure.x.back() = x;
}

// Whether a line may break before the character at byte i (not at 0) in
// word mode: after a blank and before what is not one, or beside a
// character of an East Asian script, which breaks between any two.
bool BreaksBefore(const Encoding& encoding, const std::string& text, int i, int previous,
                  bool wide) {
    auto blank = [&](int k) {
        return text[static_cast<size_t>(k)] == ' ' || text[static_cast<size_t>(k)] == '\t';
    };
    if (blank(previous) && !blank(i))
        return true;
    if (!wide)
        return false;
    auto eastAsian = [&](int k) {
        auto bytes = reinterpret_cast<const unsigned char*>(text.data());
        int length = encoding.CharacterLength(bytes + k, static_cast<int>(text.size()) - k);
        if (encoding.Set() == CharacterSet::Utf8)
            return length >= 3 && DecodeUtf8(bytes + k, length) >= 0x2E80;
        return length == 2;
    };
    return eastAsian(i) || eastAsian(previous);
}

// The indent of a wrapped line's later rows: the host's fixed one, or the
// first row's own indentation with none, one or two indents more; none if
// that would leave less than a fifth of the width.
int WrapIndent(View& w, const LineLayout& layout, int width) {
    const Look& look = w.core.GetLook();
    int indent = look.wrapStartIndent * w.spaceWidth;
    if (look.wrapIndentMode != SC_WRAPINDENT_FIXED) {
        size_t blanks = layout.text.find_first_not_of(" \t");
        indent = layout.x[blanks == std::string::npos ? layout.text.size() : blanks];
        int levels = look.wrapIndentMode - SC_WRAPINDENT_SAME;
        indent += levels * w.core.IndentSize() * w.spaceWidth;
    }
    if (look.wrapVisualFlags & SC_WRAPVISUALFLAG_START)
        indent = std::max(indent, WrapFlagWidth(w));
    return indent > width * 4 / 5 ? 0 : indent;
}

// The width rows are broken to.
int RowWidth(View& w) {
    bool endFlag = (w.core.GetLook().wrapVisualFlags & SC_WRAPVISUALFLAG_END) != 0;
    return std::max(TextWidth(w) - (endFlag ? WrapFlagWidth(w) : 0), 1);
}

// Where the row starting at byte start of a measured layout ends, room
// pixels wide: at the last place the wrap mode allows that fits, else
// between characters, never inside one, with at least one character;
// text's size when the rest fits.
int BreakRow(View& w, const LineLayout& layout, int start, int room) {
    const Look& look = w.core.GetLook();
    const std::vector<int>& x = layout.x;
    int size = static_cast<int>(layout.text.size());
    if (x[static_cast<size_t>(size)] - x[static_cast<size_t>(start)] <= room)
        return size;
    const Encoding& encoding = w.core.CurrentEncoding();
    bool wide = encoding.Set() != CharacterSet::SingleByte;
    auto characterStart = [&](int byte) {
        return w.core.CharacterStart(layout.start + byte) - layout.start;
    };
    // The last character boundary that ends within the room.
    int fit = static_cast<int>(std::upper_bound(x.begin() + start + 1, x.end(),
                                                x[static_cast<size_t>(start)] + room) -
                               x.begin()) -
              1;
    fit = characterStart(std::min(fit, size));
    if (fit <= start)
        fit = w.core.PositionAfter(layout.start + start) - layout.start;
    int at = fit;
    if (look.wrapMode != SC_WRAP_CHAR) {
        int k = fit;
        while (k > start) {
            int previous = characterStart(k - 1);
            if (previous < start)
                break;
            if (BreaksBefore(encoding, layout.text, k, previous,
                             wide && look.wrapMode == SC_WRAP_WORD))
                break;
            k = previous;
        }
        if (k > start)
            at = k;
    }
    return std::min(at, size);
}

// Breaks a measured line into rows no wider than the text area.
void BreakIntoRows(View& w, LineLayout& layout) {
    int width = RowWidth(w);
    LineRows& rows = layout.rows;
    rows = LineRows();
    rows.indent = WrapIndent(w, layout, width);
    int size = static_cast<int>(layout.text.size());
    for (int start = 0;;) {
        int at = BreakRow(w, layout, start, width - (start > 0 ? rows.indent : 0));
        if (at >= size)
            break;
        rows.starts.push_back(at);
        start = at;
    }
}

} // namespace

int WrapFlagWidth(const View& w) {
    return std::max(w.spaceWidth, w.lineHeight / 2);
}

RECT ClientRect(const View& w) {
    RECT client{};
    GetClientRect(w.hwnd, &client);
    return client;
}

namespace {

// Snaps a byte of the line starting at lineStart back onto a character's
// start: estimated rows of a long line start on one.
struct CharacterSnap {
    EditorCore& core;
    int lineStart;
    int operator()(int byte) const { return core.CharacterStart(lineStart + byte) - lineStart; }
};

// Runs measure with a DC to measure in: dc, else the view's measuring DC,
// else one of the window's for the while.
template <typename Measure> void WithMeasuringDC(View& w, HDC dc, Measure measure) {
    if (dc || w.measuring.Get()) {
        measure(dc ? dc : w.measuring.Get());
    } else {
        WindowDC window(w.hwnd);
        measure(window.Get());
    }
}

// Bytes [layout.start, end) of a line in layout: their text, styles and
// measure, from the view's cache when it has them; x from 0 at layout.start,
// tab stops counted from the last of tabOrigins before them when given.
void MeasureBytes(View& w, HDC dc, LineLayout& layout, int end,
                  const std::vector<int>* tabOrigins = nullptr) {
    // Enough for every row of a tall window several times over.
    constexpr size_t kCachedLayouts = 1024;
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
    if (tabOrigins)
        key.append(reinterpret_cast<const char*>(tabOrigins->data()),
                   tabOrigins->size() * sizeof(int));
    auto cached = w.layouts.find(key);
    if (cached != w.layouts.end()) {
        layout.measure = cached->second;
    } else {
        auto measure = std::make_shared<LineMeasure>();
        WithMeasuringDC(w, dc, [&](HDC on) {
            MeasureLine(w, on, w.core.CurrentEncoding(), layout, *measure, tabOrigins);
        });
        if (w.layouts.size() >= kCachedLayouts)
            w.layouts.clear();
        layout.measure = measure;
        w.layouts.emplace(std::move(key), std::move(measure));
    }
    layout.x = layout.measure->x;
}

// A long line's window: the bytes estimated to lie within two views of the
// view on either side, in steps so that small scrolls keep it, at the
// width a byte the view last measured in a long line. When this window
// measures otherwise, it is placed again at its own width.
void MeasureWindow(View& w, HDC dc, LineLayout& layout) {
    constexpr int64_t kStep = 1024;
    // Around the caret, when it is on the line and the window then meets
    // the view: where a line's bytes vary in width, a window placed from
    // the view's x could leave the caret where nothing is drawn.
    int caret = w.core.Caret() - layout.lineStart;
    bool aroundCaret = caret >= 0 && caret <= layout.lineLength;
    for (int pass = 0; pass < 4; ++pass) {
        int64_t perByte = w.longLinePerByte > 0 ? w.longLinePerByte
                                                : int64_t{std::max(1, w.spaceWidth)} * kPerByteUnit;
        int64_t at = aroundCaret ? caret : int64_t{w.xOffset} * kPerByteUnit / perByte;
        int64_t span = int64_t{2} * TextWidth(w) * kPerByteUnit / perByte;
        int64_t first = std::clamp<int64_t>((at - span) / kStep * kStep, 0, layout.lineLength);
        int64_t last =
            std::clamp<int64_t>((at + 2 * span + kStep) / kStep * kStep, first, layout.lineLength);
        layout.start = w.core.CharacterStart(layout.lineStart + static_cast<int>(first));
        int end = layout.lineStart + layout.lineLength;
        if (last < layout.lineLength)
            end = w.core.CharacterStart(layout.lineStart + static_cast<int>(last));
        MeasureBytes(w, dc, layout, end);
        layout.perByte = perByte;
        int bytes = static_cast<int>(layout.text.size());
        int64_t measured = bytes > 0 ? int64_t{layout.x.back()} * kPerByteUnit / bytes : perByte;
        if (std::abs(measured - perByte) * 16 > perByte && measured > 0) {
            w.longLinePerByte = measured; // placed again at the width it measured
            continue;
        }
        int64_t base = int64_t{layout.start - layout.lineStart} * perByte / kPerByteUnit;
        if (aroundCaret &&
            (base + layout.x.back() < w.xOffset || base > int64_t{w.xOffset} + TextWidth(w))) {
            aroundCaret = false; // the view was scrolled away from the caret
            continue;
        }
        break;
    }
    int64_t base = int64_t{layout.start - layout.lineStart} * layout.perByte / kPerByteUnit;
    int xBase = static_cast<int>(std::min<int64_t>(base, INT_MAX / 4));
    for (int& x : layout.x)
        x += xBase;
}

// Measures printable ASCII and tabs in fonts whose advances are known, as
// MeasureLine does but without making pieces, into x; false, with x
// unfinished, at any other byte or a style that changes case.
bool MeasureAscii(View& w, HDC dc, LineLayout& piece) {
    size_t size = piece.text.size();
    piece.x.assign(size + 1, 0);
    int x = 0;
    int style = -1;
    const std::vector<int>* ascii = nullptr;
    for (size_t i = 0; i < size; ++i) {
        auto c = static_cast<unsigned char>(piece.text[i]);
        piece.x[i] = x;
        if (c == '\t') {
            x += (x / w.tabWidth + 1) * w.tabWidth - x;
            continue;
        }
        if (c < ' ' || c > '~')
            return false;
        if (static_cast<unsigned char>(piece.styles[i]) != style) {
            style = static_cast<unsigned char>(piece.styles[i]);
            ascii = FontFor(w, dc, style).ascii.get();
            if (!ascii || w.core.GetStyle(style).caseForce != SC_CASE_MIXED)
                return false;
        }
        x += (*ascii)[c - ' '];
    }
    piece.x[size] = x;
    return true;
}

// Bytes [from, from + span) of a line, fewer at its end, measured on their
// own (uncached): x from 0 at from.
LineLayout MeasureSpan(View& w, HDC dc, int lineStart, int lineLength, int from, int span) {
    LineLayout piece;
    piece.start = lineStart + from;
    piece.lineStart = lineStart;
    piece.lineLength = lineLength;
    int end = lineStart + lineLength;
    if (from + span < lineLength)
        end = std::max(w.core.CharacterStart(lineStart + from + span), piece.start + 1);
    piece.text = w.core.TextRange(piece.start, end);
    piece.styles = w.core.StyleRange(piece.start, end);
    WithMeasuringDC(w, dc, [&](HDC on) {
        if (MeasureAscii(w, on, piece))
            return;
        LineMeasure measured;
        MeasureLine(w, on, w.core.CurrentEncoding(), piece, measured);
        piece.x = std::move(measured.x);
    });
    return piece;
}

// Finds a long line's rows on from where finding stopped, a row at a time,
// each measured from its own start, until budget bytes of it are found or
// the line is; first its indent and the bytes a row is estimated to hold.
void FindLongRows(View& w, HDC dc, int line, LongLineRows& rows, int budget) {
    int lineStart = w.core.LineStart(line);
    int length = w.core.LineEnd(line) - lineStart;
    int width = RowWidth(w);
    if (rows.indent < 0) {
        LineLayout head = MeasureSpan(w, dc, lineStart, length, 0, 4096);
        rows.indent = WrapIndent(w, head, width);
        // The rows the head breaks into, on average: a first row may be short.
        int size = static_cast<int>(head.text.size());
        int start = 0, count = 0;
        for (; count < 64; ++count) {
            int at = BreakRow(w, head, start, width - (start > 0 ? rows.indent : 0));
            if (at >= size)
                break;
            start = at;
        }
        rows.perRow = std::max(16, count > 0 ? start / count : size);
    }
    int from = rows.starts.back();
    while (!rows.done && rows.starts.back() - from <= budget) {
        int start = rows.starts.back();
        int room = width - (start > 0 ? rows.indent : 0);
        for (int span = 2 * rows.perRow + 64;; span *= 2) {
            LineLayout piece = MeasureSpan(w, dc, lineStart, length, start, span);
            int size = static_cast<int>(piece.text.size());
            int at = BreakRow(w, piece, 0, room);
            if (at < size || start + size >= length) {
                rows.Found(start + at, length);
                break;
            }
        }
    }
}

// A long wrapped line's window: whole rows from a screen above the focus
// row to a screen below it, measured with tab stops from each row's start.
void MeasureRowWindow(View& w, HDC dc, LineLayout& layout, int line, int focus) {
    std::shared_ptr<LongLineRows> rows = w.core.LongRows(line);
    if (rows->indent < 0)
        FindLongRows(w, dc, line, *rows, 0);
    int length = layout.lineLength;
    int lineStart = layout.lineStart;
    EditorCore& core = w.core;
    CharacterSnap snap{core, lineStart};
    int count = rows->Count(length);
    int screen = LinesOnScreen(w);
    // The view's rows are laid out around the caret's when it is on them,
    // so that the caret and the view share one window, measured once.
    int topRow = std::clamp(core.FirstVisibleLine() - core.VisibleFromDocLine(line), 0, count - 1);
    int caret = core.Caret() - lineStart;
    if (focus < 0 && caret >= 0 && caret <= length) {
        int caretRow = rows->RowOf(caret, length, snap);
        if (caretRow >= topRow && caretRow <= topRow + screen)
            focus = caret;
    }
    int focusRow = focus >= 0 ? rows->RowOf(std::min(focus, length), length, snap) : topRow;
    int first = std::max(0, focusRow - screen);
    int last = std::min(count, focusRow + screen + 2);
    int from = rows->Start(first, length, snap);
    int to = last < count ? rows->Start(last, length, snap) : length;
    layout.start = lineStart + from;
    layout.firstRow = first;
    layout.longRows = rows;
    layout.core = &core;
    layout.rows.starts.clear();
    for (int row = first; row < last; ++row)
        layout.rows.starts.push_back(rows->Start(row, length, snap) - from);
    layout.rows.indent = rows->indent;
    MeasureBytes(w, dc, layout, lineStart + to, &layout.rows.starts);
    int bytes = static_cast<int>(layout.text.size());
    layout.perByte = bytes > 0 && layout.x.back() > 0
                         ? int64_t{layout.x.back()} * kPerByteUnit / bytes
                         : int64_t{std::max(1, w.spaceWidth)} * kPerByteUnit;
    if (core.LineVisible(line) &&
        (core.LineRowsEstimated(line) != !rows->done || core.LineRows(line) != count)) {
        w.rowsChanged |= core.LineRows(line) != count;
        core.SetLineRows(line, count, !rows->done);
    }
}

// Whether a row of a laid-out line is one its text holds.
bool InWindow(const LineLayout& layout, int row) {
    return row >= layout.firstRow &&
           row < layout.firstRow + static_cast<int>(layout.rows.starts.size());
}

} // namespace

// A line's text, styles and character edges: measured once and then taken
// from the window's cache until the fonts change. dc may be null: the line
// is then measured, if it must be, in the window's measuring DC.
LineLayout LayOutLine(View& w, HDC dc, int line, int focus) {
    LineLayout layout;
    layout.start = layout.lineStart = w.core.LineStart(line);
    int end = w.core.LineEnd(line);
    layout.lineLength = end - layout.start;
    bool wrapping = w.core.Wrapping();
    if (layout.lineLength > kLongLine && wrapping) {
        MeasureRowWindow(w, dc, layout, line, focus);
        return layout;
    }
    if (layout.lineLength > kLongLine)
        MeasureWindow(w, dc, layout);
    else
        MeasureBytes(w, dc, layout, end);
    if (wrapping) {
        if (layout.measure->rows.key != w.wrapKey) {
            BreakIntoRows(w, layout);
            layout.rows.key = w.wrapKey;
            layout.measure->rows = layout.rows;
        }
        layout.rows = layout.measure->rows;
        int rows = static_cast<int>(layout.rows.starts.size());
        if (w.core.LineVisible(line) &&
            (w.core.LineRowsEstimated(line) || w.core.LineRows(line) != rows)) {
            w.rowsChanged |= w.core.LineRows(line) != rows;
            w.core.SetLineRows(line, rows);
        }
    }
    return layout;
}

LineLayout LayOutRow(View& w, int line, int row) {
    LineLayout layout = LayOutLine(w, nullptr, line);
    if (!layout.longRows || InWindow(layout, row))
        return layout;
    int start = RowStart(layout, row) + layout.start - layout.lineStart;
    return LayOutLine(w, nullptr, line, start);
}

bool MeasureRows(View& w, int line, int findBytes) {
    int start = w.core.LineStart(line);
    int length = w.core.LineEnd(line) - start;
    if (length > kLongLine) {
        std::shared_ptr<LongLineRows> rows = w.core.LongRows(line);
        EditorCore& core = w.core;
        CharacterSnap snap{core, start};
        int top = core.FirstVisibleLine();
        int firstRow = core.VisibleFromDocLine(line);
        int topByte = core.DocLineFromVisible(top) == line && rows->indent >= 0
                          ? rows->Start(top - firstRow, length, snap)
                          : -1;
        // The rows on screen as drawn, to redraw from the first that finding
        // moves: rows found replace estimated ones and those after them move.
        // (Estimated rows start on a fixed grid, and the text at the top is
        // kept there, so finding above the view leaves what it shows alone.)
        int shown = std::max(0, top - firstRow);
        int onScreen = LinesOnScreen(w) + 1 - std::max(0, firstRow - top);
        int before = rows->Count(length);
        std::vector<int> drawn = LongRowStarts(w, line, shown, onScreen);
        FindLongRows(w, nullptr, line, *rows, findBytes);
        core.SetLineRows(line, rows->Count(length), !rows->done);
        if (topByte >= 0)
            core.SetFirstVisibleLine(firstRow + rows->RowOf(topByte, length, snap));
        int nowShown = std::max(0, core.FirstVisibleLine() - firstRow);
        std::vector<int> now = LongRowStarts(w, line, nowShown, onScreen);
        if (!core.LineVisible(line) || onScreen <= 0 || shown >= before || drawn.empty()) {
            // Off screen: a line above keeps the text at the top where it is.
        } else if (now.back() != drawn.back()) { // the indent
            InvalidateRect(w.hwnd, nullptr, FALSE);
        } else if (now != drawn) {
            // A row whose end moved is drawn anew: the one before the first start that did.
            int moved = static_cast<int>(
                std::mismatch(now.begin(), now.end(), drawn.begin()).first - now.begin());
            InvalidateFromRow(w, firstRow + nowShown + std::max(0, moved - 1));
        } else if (rows->Count(length) != before) { // the lines below move
            InvalidateFromRow(w, firstRow + std::min(before, rows->Count(length)));
        }
        return !rows->done;
    }
    if (int64_t{length} * w.maxCharWidth <= TextWidth(w) - WrapFlagWidth(w)) {
        std::string text = w.core.TextRange(start, start + length);
        if (std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c < 0x7F; })) {
            w.core.SetLineRows(line, 1);
            return false;
        }
    }
    LayOutLine(w, nullptr, line);
    return false;
}

std::vector<int> LongRowStarts(View& w, int line, int first, int count) {
    int start = w.core.LineStart(line);
    int length = w.core.LineEnd(line) - start;
    std::vector<int> starts;
    if (!w.core.Wrapping() || length <= kLongLine)
        return starts;
    std::shared_ptr<LongLineRows> rows = w.core.LongRows(line);
    CharacterSnap snap{w.core, start};
    for (int row = first; row < first + count; ++row)
        starts.push_back(rows->Start(row, length, snap));
    starts.push_back(rows->indent);
    return starts;
}

int LongRowOfByte(View& w, int line, int byte) {
    int start = w.core.LineStart(line);
    int length = w.core.LineEnd(line) - start;
    if (!w.core.Wrapping() || length <= kLongLine)
        return -1;
    std::shared_ptr<LongLineRows> rows = w.core.LongRows(line);
    if (rows->indent < 0) // not laid out yet: its rows are to be found
        return -1;
    CharacterSnap snap{w.core, start};
    return rows->RowOf(std::clamp(byte, 0, length), length, snap);
}

int RowCount(const LineLayout& layout) {
    if (layout.longRows)
        return layout.longRows->Count(layout.lineLength);
    return static_cast<int>(layout.rows.starts.size());
}

// A long line's rows outside its window come from all its rows.
int RowStart(const LineLayout& layout, int row) {
    row = std::clamp(row, 0, RowCount(layout) - 1);
    if (!layout.longRows || InWindow(layout, row))
        return layout.rows.starts[static_cast<size_t>(row - layout.firstRow)];
    CharacterSnap snap{*layout.core, layout.lineStart};
    return layout.longRows->Start(row, layout.lineLength, snap) + layout.lineStart - layout.start;
}

int RowEnd(const LineLayout& layout, int row) {
    return row + 1 < RowCount(layout) ? RowStart(layout, row + 1)
                                      : layout.lineStart + layout.lineLength - layout.start;
}

int RowOfByte(const LineLayout& layout, int byte) {
    if (layout.longRows) {
        CharacterSnap snap{*layout.core, layout.lineStart};
        int along = std::clamp(byte + layout.start - layout.lineStart, 0, layout.lineLength);
        return layout.longRows->RowOf(along, layout.lineLength, snap);
    }
    const std::vector<int>& starts = layout.rows.starts;
    auto after = std::upper_bound(starts.begin(), starts.end(), byte);
    return std::max(0, static_cast<int>(after - starts.begin()) - 1);
}

// A row's x is its byte's x along the line, less where the row starts
// along it (the first row starts at the line's left edge). Outside a long
// line's window it is estimated at the width a byte the window measured.
int RowX(const LineLayout& layout, int row, int byte) {
    if (row <= 0 && !layout.longRows)
        return XOfByte(layout, byte);
    int start = RowStart(layout, row);
    int indent = row > 0 ? layout.rows.indent : 0;
    int size = static_cast<int>(layout.text.size());
    if (layout.longRows && (!InWindow(layout, row) || byte < 0 || byte > size))
        return indent + static_cast<int>(std::clamp<int64_t>(
                            int64_t{byte - start} * layout.perByte / kPerByteUnit, 0, INT_MAX / 4));
    return XOfByte(layout, byte) - layout.x[static_cast<size_t>(start)] + indent;
}

int XOfByte(const LineLayout& layout, int byte) {
    int size = static_cast<int>(layout.text.size());
    if (byte >= 0 && byte <= size)
        return layout.x[static_cast<size_t>(byte)];
    if (layout.perByte == 0)
        return byte < 0 ? layout.x.front() : layout.x.back();
    int64_t x =
        byte < 0 ? (int64_t{layout.start - layout.lineStart} + byte) * layout.perByte / kPerByteUnit
                 : layout.x.back() + int64_t{byte - size} * layout.perByte / kPerByteUnit;
    return static_cast<int>(std::clamp<int64_t>(x, 0, INT_MAX / 2));
}

int ByteAtX(const LineLayout& layout, int x) {
    int size = static_cast<int>(layout.text.size());
    if (layout.perByte > 0 && x < layout.x.front())
        return static_cast<int>(int64_t{std::max(x, 0)} * kPerByteUnit / layout.perByte) -
               (layout.start - layout.lineStart);
    if (layout.perByte > 0 && x > layout.x.back() && !EndsLine(layout))
        return size + static_cast<int>(std::min<int64_t>(
                          int64_t{x - layout.x.back()} * kPerByteUnit / layout.perByte,
                          layout.lineStart + layout.lineLength - layout.start - size));
    auto after = std::lower_bound(layout.x.begin(), layout.x.end(), x);
    if (after == layout.x.end())
        return size;
    if (after != layout.x.begin() && x - *(after - 1) < *after - x)
        --after;
    return static_cast<int>(after - layout.x.begin());
}

int LineWidth(const LineLayout& layout) {
    return XOfByte(layout, layout.lineStart + layout.lineLength - layout.start);
}

bool EndsLine(const LineLayout& layout) {
    return layout.start + static_cast<int>(layout.text.size()) ==
           layout.lineStart + layout.lineLength;
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

int CompositionX(const View& w, int unit) {
    const Composition& c = w.composition;
    if (c.measure.x.empty())
        return 0;
    size_t byte = unit >= 0 && static_cast<size_t>(unit) < c.unitBytes.size()
                      ? static_cast<size_t>(c.unitBytes[static_cast<size_t>(unit)])
                      : c.measure.x.size() - 1;
    return c.measure.x[byte];
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

int DisplayLineAtY(const View& w, int y) {
    int row = y < 0 ? 0 : y / w.lineHeight;
    int64_t display = int64_t{w.core.FirstVisibleLine()} + row;
    return static_cast<int>(std::clamp<int64_t>(display, 0, w.core.VisibleLineCount() - 1));
}

int LineAtY(const View& w, int y) {
    return w.core.DocLineFromVisible(DisplayLineAtY(w, y));
}

namespace {

// The character boundary nearest to rowX inside a row of a laid-out line;
// past the end of a row that is not the line's last, the boundary before
// its last character, which is drawn on that row.
int NearestInRow(View& w, const LineLayout& layout, int row, int rowX) {
    if (RowCount(layout) == 1)
        return w.core.CharacterStart(layout.start + ByteAtX(layout, rowX));
    int first = RowStart(layout, row);
    int end = RowEnd(layout, row);
    if (layout.longRows && !InWindow(layout, row))
        return layout.start + first;
    int base = row > 0 ? layout.x[static_cast<size_t>(first)] - layout.rows.indent : 0;
    int textX = rowX + base;
    auto from = layout.x.begin() + first;
    auto to = layout.x.begin() + end + 1;
    auto after = std::lower_bound(from, to, textX);
    int byte = end;
    if (after != to) {
        if (after != from && textX - *(after - 1) < *after - textX)
            --after;
        byte = static_cast<int>(after - layout.x.begin());
    }
    int position = w.core.CharacterStart(layout.start + byte);
    if (row + 1 < RowCount(layout) && position >= layout.start + end)
        position = w.core.PositionBefore(layout.start + end);
    return std::max(position, layout.start + first);
}

} // namespace

int PositionInDisplayLine(View& w, int displayLine, int rowX) {
    displayLine = std::clamp(displayLine, 0, w.core.VisibleLineCount() - 1);
    int line = w.core.DocLineFromVisible(displayLine);
    int row = displayLine - w.core.VisibleFromDocLine(line);
    LineLayout layout = LayOutRow(w, line, row);
    row = std::clamp(row, 0, RowCount(layout) - 1);
    return NearestInRow(w, layout, row, rowX);
}

int PositionAtPoint(View& w, int x, int y) {
    return PositionInDisplayLine(w, DisplayLineAtY(w, y), x - TextLeft(w) + w.xOffset);
}

int DisplayLineOfPosition(View& w, int position) {
    int line = w.core.LineFromPosition(position);
    int first = w.core.VisibleFromDocLine(line);
    if (!w.core.Wrapping() || !w.core.LineVisible(line))
        return first;
    LineLayout layout = LayOutLine(w, nullptr, line, position - w.core.LineStart(line));
    return w.core.VisibleFromDocLine(line) + RowOfByte(layout, position - layout.start);
}

int RowXOfPosition(View& w, int position) {
    int line = w.core.LineFromPosition(position);
    LineLayout layout = LayOutLine(w, nullptr, line, position - w.core.LineStart(line));
    int end = layout.lineStart + layout.lineLength;
    int byte = std::clamp(position, layout.lineStart, end) - layout.start;
    return RowX(layout, RowOfByte(layout, byte), byte);
}

// The character boundary of a line nearest to x, in text pixels.
int PositionAtTextX(View& w, int line, int textX) {
    LineLayout layout = LayOutLine(w, nullptr, line);
    return w.core.CharacterStart(layout.start + ByteAtX(layout, textX));
}

// Where a position is drawn, in text pixels measured along its line.
int TextXOfPosition(View& w, int position) {
    LineLayout layout = LayOutLine(w, nullptr, w.core.LineFromPosition(position));
    int end = layout.lineStart + layout.lineLength;
    return XOfByte(layout, std::clamp(position, layout.lineStart, end) - layout.start);
}

POINT PointFromPosition(View& w, int position, int virtualSpace) {
    int row = DisplayLineOfPosition(w, position) - w.core.FirstVisibleLine();
    return POINT{TextLeft(w) - w.xOffset + RowXOfPosition(w, position) +
                     virtualSpace * w.spaceWidth,
                 row * w.lineHeight};
}

int TextColumns::XOf(int pos) {
    return TextXOfPosition(w, pos);
}

int TextColumns::PositionAtX(int line, int x) {
    return PositionAtTextX(w, line, x);
}

int TextColumns::SpaceWidth() {
    return w.spaceWidth;
}

} // namespace kalmor
