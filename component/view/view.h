// The view: what the editor draws and where, at the window's DPI. It owns
// the fonts, the measuring cache, the sizes and colours it draws with and
// the horizontal scroll offset, and draws what the other parts ask it to
// show (the selection, the drop caret, an input method's composition). It
// reads the core and never changes the document.
#pragma once
#include <windows.h>
#include <usp10.h>
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include "component/core/editor_core.h"
#include "component/gdi.h"
#include "component/view/display_settings.h"
#include "component/view/layout.h"

namespace kalmor {

// A font for characters a style's font lacks: made on first use, null if
// its face is not installed.
struct FallbackFont {
    bool tried = false;
    OwnedFont font;
};

// A style's font as last built, with the attributes it was built from, so a
// change of colour alone does not rebuild it. Styles asking for the same font
// share one, so drawing runs of different styles need not switch fonts.
constexpr int kPrintableAscii = 0x7F - ' ';

struct StyleFont {
    std::shared_ptr<OwnedFont> font;
    // Fonts in the same size for characters this one lacks, one for each of
    // the fallback faces, made when first needed.
    std::shared_ptr<std::vector<FallbackFont>> fallbacks;
    bool built = false;
    unsigned version = 0;
    std::string face;
    int size = 0;
    bool bold = false;
    bool italic = false;
    int ascent = 0;
    int descent = 0;
    int maxWidth = 0; // the widest character's advance
    // The advances of the printable ASCII characters, ' ' to '~', measured
    // once: GDI's advances add up, so text of them is measured without it.
    std::shared_ptr<const std::vector<int>> ascii;
};

// The entry points of usp10, loaded when a character beyond the Basic
// Multilingual Plane is first measured: GDI's text calls take such a
// character as two, so its glyph is looked up with ScriptShape.
struct UniscribeApi {
    bool tried = false;
    decltype(&::ScriptItemize) ScriptItemize = nullptr;
    decltype(&::ScriptShape) ScriptShape = nullptr;
    decltype(&::ScriptFreeCache) ScriptFreeCache = nullptr;
};

// An input method's composition in progress, drawn at the caret; it is not
// part of the document until the input method commits its result.
struct Composition {
    bool active = false;
    std::wstring text;
    std::string attributes; // GCS_COMPATTR: one per UTF-16 unit of text
    int cursor = 0;         // in UTF-16 units
    // The text as UTF-8, the byte where each unit's character starts, and
    // its measure in the style at the caret.
    std::string bytes;
    std::vector<int> unitBytes;
    int style = 0;
    LineMeasure measure;
};

// What is to be repainted once the window paints: lines the core changed
// while a repaint was already due.
struct PendingRepaint {
    bool all = false;
    int firstLine = -1;
    int lastLine = -1;
    int firstByte = -1; // on firstLine nothing before this byte changed; -1 the whole line
};

// The rows of a long wrapped line on screen above an edit, left out of the
// repaint, as they were: the paint repaints them too if they moved since.
struct KeptRows {
    int line = -1; // -1: none kept
    int topRow = 0;
    int firstRow = 0;
    std::vector<int> starts; // LongRowStarts of the rows kept and the row after them
};

// The view's state, one per editor window. The core is read, but for the
// rows of wrapped lines, which the view measures and tells it.
// Rectangles measure x along a line as if it did not wrap, in pixels; a
// space of virtual space is the default style's space.
struct TextColumns : EditorCore::ColumnMeasure {
    explicit TextColumns(View& view) : w(view) {}
    int XOf(int pos) override;
    int PositionAtX(int line, int x) override;
    int SpaceWidth() override;
    View& w;
};

struct View {
    View(HWND window, EditorCore& editorCore) : hwnd(window), core(editorCore), columns(*this) {}

    HWND hwnd;        // the editor window drawn into
    EditorCore& core; // the document, its styles and folds
    std::array<StyleFont, kStyleCount> fonts;
    ViewMetrics metrics; // sizes at the window's DPI, and the caret and wheel settings
    Palette palette;     // the system colours painted with
    int lineHeight = 16;
    int ascent = 12;
    int tabWidth = 64;    // pixels from one tab stop to the next
    int spaceWidth = 8;   // the default style's space
    int maxCharWidth = 8; // the widest character of the common styles' fonts
    int tabColumns = 8;   // the tab width in columns the tab stops were made for
    int marginLeft = -1;  // SCI_SETMARGINLEFT: pixels before the text; -1 the padding
    int marginRight = 0;  // SCI_SETMARGINRIGHT: pixels blank at the right of the text
    // While lines wrap: moves on whenever the rows of every line may change
    // (the width, the fonts, the wrap settings), so rows kept with a
    // measured line are found stale; and whether a line's rows were found
    // to differ from what the core counted since this was last cleared.
    int64_t longLinePerByte = 0; // the width a byte of a long line last measured, 1/1024 px
    unsigned wrapKey = 1;
    bool rowsChanged = false;
    int xOffset = 0;         // pixels the text is scrolled to the left
    int scrollWidth = 0;     // widest line drawn so far, for the horizontal scroll bar
    bool widthStale = false; // the text changed: the next paint measures every row for scrollWidth
    // What the other parts show through the view.
    int caretLineDrawn = -1;      // the line drawn in the host's caret-line colour; -1 none
    bool focused = false;         // the selection is drawn in the focused colour
    bool selectionHidden = false; // SCI_HIDESELECTION: the selection is drawn as none
    int dropPosition = -1;        // where a dragged text would land; -1 while none is shown
    bool otherCaretsOff = false;  // the blinking carets of the other selections are off
    Composition composition;      // drawn at the caret while active
    // The selection as last drawn: its ends, and its first and last lines
    // (-1 when nothing was highlighted).
    int highlightStart = -1;
    int highlightEnd = -1;
    int highlightFirst = -1;
    int highlightLast = -1;
    // The document lines at the top and bottom rows, as last painted or
    // scrolled: a change outside them needs no window-system call.
    int viewFirstLine = 0;
    int viewLastLine = 0;
    PendingRepaint pendingRepaint;
    bool repaintPending = false; // invalidated since the last paint
    KeptRows keptRows;           // left out of the region a repaint is due for
    // Measured lines keyed by the line's text and styles, so an unchanged
    // line is not measured again wherever it moves.
    std::unordered_map<std::string, std::shared_ptr<const LineMeasure>> layouts;
    // The font each character not in a style's own font is drawn in, keyed
    // by the style's font and the character.
    std::unordered_map<uint64_t, int> fallbackOf;
    UniscribeApi uniscribe;
    MeasuringDC measuring;
    TextColumns columns; // what the core's rectangles measure with
};

// Fonts (fonts.cpp).
const StyleFont& FontFor(View& w, HDC dc, int style);
void RefreshFonts(View& w);
// The font a piece is drawn in: its style's own or one of its fallbacks.
HFONT PieceFont(View& w, HDC dc, const Piece& piece);
// The font slot (0 the style's own, k its fallback k - 1) that has a glyph
// for a character of count UTF-16 units, and the glyph.
int FontSlotFor(View& w, HDC dc, const StyleFont& font, const wchar_t* units, int count,
                WORD* glyph);

// Painting (editor_view.cpp).
// Paints the rows meeting area (client coordinates) and copies just those to target.
void Paint(View& w, HDC target, const RECT& area);
// Repaints document lines [firstLine, lastLine] where they are on screen;
// lastLine past the document's end repaints down to the bottom of the view.
// On a long wrapped line, rows above the one before fromByte's are left out.
void InvalidateLines(View& w, int firstLine, int lastLine, int fromByte = -1);
// Repaints from a display line down to the bottom of the view.
void InvalidateFromRow(View& w, int row);
// Invalidates the lines changed since the last paint; false if nothing on
// screen changed.
bool InvalidateChanges(View& w);
// Before a paint: the rows left out of the repaint are repainted too if
// they no longer start where they did.
void CheckKeptRows(View& w);

} // namespace kalmor
