// Line layout: a document line split into pieces of one style and font,
// measured byte by byte and, while lines wrap, broken into rows; and the
// hit-testing that finds positions in those rows. Painting, the caret, the
// mouse and the requests all read lines through this, so what is drawn is
// what is hit.
#pragma once
#include <windows.h>
#include "component/core/wrap_rows.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kalmor {

struct View;
class EditorCore;

// One stretch of a measured line drawn with one call: bytes [start, end) of
// the line in one style, font and kind. Text pieces hold UTF-16 units, or
// glyph indices for characters beyond the Basic Multilingual Plane; an
// invalid byte is drawn as a small inverted box showing its hex value.
struct Piece {
    enum Kind { Text, Glyphs, Tab, Invalid };
    Kind kind = Text;
    int start = 0;
    int end = 0;
    int style = 0;
    int font = 0; // 0 the style's font, k its fallback k - 1
    std::wstring text;
    std::vector<INT> advances; // one for each unit of text
};

// Where a measured line breaks into rows, for one width and wrap setting.
struct LineRows {
    unsigned key = 0;           // the view's wrapKey they were made for; 0 none
    std::vector<int> starts{0}; // the byte each row starts at
    int indent = 0;             // pixels the rows after the first are indented by
};

// A measured line: the left edge of every byte (a byte inside a character
// has its character's) and its pieces, and its rows as last wrapped.
struct LineMeasure {
    std::vector<int> x;
    std::vector<Piece> pieces;
    mutable LineRows rows;
};

// One document line measured for drawing: text holds its bytes from start
// on, x[i] is the left edge of byte i of text from the line's left edge. A
// line longer than kLongLine bytes is laid out only around the view: text
// is then a window of the line, and outside it x is estimated at perByte a
// byte, as measured in a long line's window (XOfByte, ByteAtX). While it
// wraps, the window is whole rows around the view or the byte asked for,
// rows.starts are the window's rows from firstRow on, and longRows has all
// of the line's rows; x counts on from row to row, tab stops from each
// row's start.
struct LineLayout {
    int start = 0;     // the document position of text's first byte
    int lineStart = 0; // and of the line's
    int lineLength = 0;
    int64_t perByte = 0; // in kPerByteUnit of a pixel; 0: text is the whole line
    std::string text;
    std::string styles;
    std::vector<int> x;
    std::shared_ptr<const LineMeasure> measure;
    LineRows rows; // one row starting at 0 while lines do not wrap
    int firstRow = 0;
    std::shared_ptr<LongLineRows> longRows;
    EditorCore* core = nullptr; // while longRows: snaps estimated rows onto characters
};

constexpr int64_t kPerByteUnit = 1024;
// The x of byte (of text; any value) along the line: measured inside text,
// estimated outside it, clamped to text's ends when it is the whole line.
int XOfByte(const LineLayout& layout, int byte);
// The byte of text (any value for a long line) whose left edge is nearest to x.
int ByteAtX(const LineLayout& layout, int x);
// The whole line's width, estimated for a long line past its window.
int LineWidth(const LineLayout& layout);
// Whether text reaches the line's end, so that what is drawn after it is the line's end.
bool EndsLine(const LineLayout& layout);

// A line's text, styles, measure and rows: measured once and then taken
// from the view's cache until the fonts change. dc may be null. While lines
// wrap, the rows found are told to the core, which counts display lines.
// focus is a byte of the line to lay out a long line's window around; -1
// the view's rows.
LineLayout LayOutLine(View& w, HDC dc, int line, int focus = -1);
// The same, with a row of the line sure to be inside a long line's window.
LineLayout LayOutRow(View& w, int line, int row);
// While lines wrap, finds a line's rows and tells the core: a short line of
// plain ASCII without tabs that cannot reach the right edge even in the
// widest characters takes one row unmeasured; a long line's rows are found
// on for about findBytes more, the text at the top kept there; any other is
// laid out.
// Answers whether a long line has rows left to find.
bool MeasureRows(View& w, int line, int findBytes = 4096);
// Measures the composition's text in a style; an empty one measures nothing.
void MeasureComposition(View& w, int style);
// The composition's x at the start of a UTF-16 unit (-1: its end), from its left edge.
int CompositionX(const View& w, int unit);
// The width in pixels of text in a style, for a host sizing its margins.
int TextWidthInStyle(View& w, int style, const std::string& text);

// The rows of a laid-out line: where each starts and ends (bytes of the
// line), the row holding a byte (a byte where a row starts is that row's),
// and a byte's x inside its row, from the text's left edge.
int RowCount(const LineLayout& layout);
int RowStart(const LineLayout& layout, int row);
int RowEnd(const LineLayout& layout, int row);
int RowOfByte(const LineLayout& layout, int byte);
int RowX(const LineLayout& layout, int row, int byte);
// While lines wrap, where rows [first, first + count) of a line over
// kLongLine bytes start along it, found or estimated, and their indent
// last; empty for any other line. A repaint of such a line after an edit
// leaves the rows above the edit alone and checks with this that they stayed.
std::vector<int> LongRowStarts(View& w, int line, int first, int count);
// The row of such a line holding a byte along it; -1 for any other line.
int LongRowOfByte(View& w, int line, int byte);
// The width of the marks drawn where a wrapped line breaks.
int WrapFlagWidth(const View& w);

// The view's geometry, in client pixels.
RECT ClientRect(const View& w);
int MarginsWidth(const View& w);
int TextLeft(const View& w);
int TextWidth(const View& w);
// The blank pixels between the margins and the text, and at the text's right.
int MarginLeft(const View& w);
int MarginRight(const View& w);
int LinesOnScreen(const View& w);
int MarginAt(const View& w, int x);

// Hit-testing. The display line at client y (below the last, the last) and
// its document line; the nearest character boundary to a client point or
// to an x in a display line (from the text's left edge, as RowXOfPosition
// answers). Past a row's end is that row's end, never the next row's start.
int DisplayLineAtY(const View& w, int y);
int LineAtY(const View& w, int y);
int PositionAtPoint(View& w, int x, int y);
int PositionInDisplayLine(View& w, int displayLine, int rowX);
// The display line a position is drawn on, and its x there.
int DisplayLineOfPosition(View& w, int position);
int RowXOfPosition(View& w, int position);
// Along a document line as if it did not wrap: the boundary nearest to x,
// and a position's x (SCI_LINESSPLIT, widths of characters).
int PositionAtTextX(View& w, int line, int textX);
int TextXOfPosition(View& w, int position);
// Where a position is drawn in client coordinates: the left edge of its
// character (or of the virtual space past it) and the top of its row (of
// the visible line above, if hidden).
POINT PointFromPosition(View& w, int position, int virtualSpace = 0);

} // namespace kalmor
