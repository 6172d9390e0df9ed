// The editor window: per-window state, the window procedure, and the
// drawing and hit-testing it uses. The state is made on WM_NCCREATE, kept in
// the window's extra bytes and freed on WM_NCDESTROY. The window's handle is
// its direct pointer.
#pragma once
#include <windows.h>
#include <imm.h>
#include <usp10.h>
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include "component/core/editor_core.h"
#include "component/view/display_settings.h"
#include "component/gdi.h"
#include "kalmor.h"

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
struct StyleFont {
    std::shared_ptr<OwnedFont> font;
    // Fonts in the same size for characters this one lacks, one for each of
    // the fallback faces, made when first needed (view/editor_view.cpp).
    std::shared_ptr<std::vector<FallbackFont>> fallbacks;
    bool built = false;
    unsigned version = 0;
    std::string face;
    int size = 0;
    bool bold = false;
    bool italic = false;
    int ascent = 0;
    int descent = 0;
};

// The window's accessibility objects and their state (accessibility.h).
struct Accessibility;
struct AccessibilityDeleter {
    void operator()(Accessibility* accessibility) const;
};

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

// A measured line: the left edge of every byte (a byte inside a character
// has its character's) and its pieces.
struct LineMeasure {
    std::vector<int> x;
    std::vector<Piece> pieces;
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

// The entry points of imm32, loaded when an input method first speaks to the editor.
struct ImmApi {
    bool tried = false;
    decltype(&::ImmGetContext) ImmGetContext = nullptr;
    decltype(&::ImmReleaseContext) ImmReleaseContext = nullptr;
    decltype(&::ImmGetCompositionStringW) ImmGetCompositionStringW = nullptr;
    decltype(&::ImmSetCompositionWindow) ImmSetCompositionWindow = nullptr;
    decltype(&::ImmSetCandidateWindow) ImmSetCandidateWindow = nullptr;
    decltype(&::ImmSetCompositionFontW) ImmSetCompositionFontW = nullptr;
    decltype(&::ImmNotifyIME) ImmNotifyIME = nullptr;
};

// An input method's composition in progress: drawn at the caret, not part of
// the document until its result string is committed (ime/ime.cpp).
struct Composition {
    bool active = false;
    std::wstring text;
    std::string attributes; // GCS_COMPATTR: one per UTF-16 unit of text
    int cursor = 0;         // in UTF-16 units
    // The last result committed, while its WM_IME_CHARs may still come.
    std::wstring committed;
    // The text as UTF-8, the byte where each unit's character starts, and
    // its measure in the style at the caret.
    std::string bytes;
    std::vector<int> unitBytes;
    int style = 0;
    LineMeasure measure;
};

struct EditorWindow;

// Tells the host, in WM_NOTIFY, each modification as the core makes it, and
// each attempt to change a read-only document (window/notify.cpp).
class ModificationNotifier final : public ChangeListener {
  public:
    explicit ModificationNotifier(EditorWindow& w) : w_(w) {}
    void Modified(const Modification& modification) override;
    void ModifyAttemptReadOnly() override;

  private:
    EditorWindow& w_;
};

// A character typed and the notification it is still owed: the character
// (its code point in UTF-8, lead byte * 256 + trail byte in the double-byte
// code pages) and where it came from (SC_CHARACTERSOURCE_).
struct TypedCharacter {
    int ch = 0;
    int source = 0;
};

// The window's side of the host: how deep messages and requests of this
// window are nested, and what the next notifications are to tell.
struct HostLink {
    explicit HostLink(EditorWindow& w) : notifier(w) {}
    ModificationNotifier notifier;
    int depth = 0;          // messages and requests being handled, nested
    bool destroyed = false; // WM_NCDESTROY came meanwhile: freed when the outermost returns
    std::vector<TypedCharacter> typed; // since the last notifications, for SCN_CHARADDED
    int scrolled = 0; // SC_UPDATE_V_SCROLL, _H_SCROLL: scrolled since the last SCN_UPDATEUI
};

// What is to be repainted once the window paints: lines the core changed
// while a repaint was already due.
struct PendingRepaint {
    bool all = false;
    int firstLine = -1;
    int lastLine = -1;
};

// The balloon tip that shows a refused character (text/refusal.cpp): made
// on first use, destroyed with the window.
struct RefusalTip {
    OwnedWindow window;
    bool shown = false;
};

// Everything one editor window owns.
struct EditorWindow {
    explicit EditorWindow(HWND window) : hwnd(window), host(*this) {}

    HWND hwnd;
    EditorCore core;
    HostLink host;
    PendingRepaint pendingRepaint;
    std::array<StyleFont, kStyleCount> fonts;
    ViewMetrics metrics;     // sizes at the window's DPI, and the caret and wheel settings
    Palette palette;         // the system colours painted with
    HWND listener = nullptr; // hears setting changes broadcast to top-level windows
    int lineHeight = 16;
    int ascent = 12;
    int tabWidth = 64;   // pixels from one tab stop to the next
    int spaceWidth = 8;  // the default style's space
    int tabColumns = 8;  // the tab width in columns the tab stops were made for
    int xOffset = 0;     // pixels the text is scrolled to the left
    int scrollWidth = 0; // widest line drawn so far, for the horizontal scroll bar
    // The selection as last drawn: its ends, and its first and last lines
    // (-1 when nothing was highlighted).
    int highlightStart = -1;
    int highlightEnd = -1;
    int highlightFirst = -1;
    int highlightLast = -1;
    bool widthStale = false; // the text changed: the next paint measures every row for scrollWidth
    int wantedX = -1;        // column kept by Up and Down, in text pixels; -1 when none
    int wheelDelta = 0;      // wheel movement not yet turned into lines
    int caretHeight = 0;     // height of the system caret we own; 0 when we have none
    int caretWidth = 0;      // its width: wider while typing over
    OwnedBitmap caretBitmap; // its shape in high contrast, kept while it exists
    bool focused = false;
    // Selecting with the mouse: the pointer is captured while a button is down.
    bool dragging = false;
    int dragUnit = 1;  // 1 characters, 2 words, 3 lines: what the drag selects by
    int dragStart = 0; // the word or line clicked first stays selected while dragging
    int dragEnd = 0;
    POINT dragPoint{};  // the pointer's last place, for scrolling while past an edge
    int clickCount = 0; // quick clicks in a row at one place in the text
    LONG lastClickTime = 0;
    POINT lastClick{};
    bool updatingScrollBars = false;
    bool repaintPending = false; // invalidated since the last paint
    bool viewStale = false;      // scroll position and bars not checked since a change
    bool typing = false;     // handling a typed key: the scroll bars wait until after the repaint
    bool keepColumn = false; // the caret moved up or down: wantedX stays
    bool selectionHidden = false; // SCI_HIDESELECTION: the selection is drawn as none
    bool barsPosted = false;      // a message to set the scroll bars is on its way
    // A key's work was done on its key-down (Ctrl+Backspace, Tab): the
    // control character the keyboard makes of it (0x7F or 0x08 for
    // Ctrl+Backspace, 0x09 for Tab) is not typed as well when it comes
    // later than the key-down, which throws away those already queued.
    bool keyDone = false;
    // Dragging the selection to move or copy it: pressed inside it, the text
    // is dragged once the pointer has moved past the system's drag distance,
    // and dropPosition is where it would land (-1 while none is shown).
    bool pressedInSelection = false;
    bool movingText = false;
    POINT pressPoint{};
    int dropPosition = -1;
    wchar_t highSurrogate = 0; // the first half of a character typed as two WM_CHARs
    // The document lines at the top and bottom rows, as last painted or
    // scrolled: a change outside them needs no window-system call.
    int viewFirstLine = 0;
    int viewLastLine = 0;
    // The scroll bars as last set, so unchanged bars are not set again.
    int barLines = -1;
    int barPage = -1;
    int barFirst = -1;
    int barWidth = -1;
    int barTextWidth = -1;
    int barX = -1;
    // Measured lines keyed by the line's text and styles, so an unchanged
    // line is not measured again wherever it moves.
    std::unordered_map<std::string, std::shared_ptr<const LineMeasure>> layouts;
    // The font each character not in a style's own font is drawn in, keyed
    // by the style's font and the character.
    std::unordered_map<uint64_t, int> fallbackOf;
    UniscribeApi uniscribe;
    ImmApi imm;
    Composition composition;
    RefusalTip refusal;
    MeasuringDC measuring;
    std::unique_ptr<Accessibility, AccessibilityDeleter> accessibility; // made when first needed
};

// One document line measured for drawing: x[i] is the left edge of byte i
// relative to the start of the text, x[text.size()] the line's width.
struct LineLayout {
    int start = 0;
    std::string text;
    std::string styles;
    std::vector<int> x;
    std::shared_ptr<const LineMeasure> measure;
};

// view/editor_view.cpp: fonts, measuring, painting and hit-testing.
const StyleFont& FontFor(EditorWindow& w, HDC dc, int style);
void RefreshFonts(EditorWindow& w);
LineLayout LayOutLine(EditorWindow& w, HDC dc, int line);
int MarginsWidth(const EditorWindow& w);
// The width in pixels of text in a style, for a host sizing its margins.
int TextWidthInStyle(EditorWindow& w, int style, const std::string& text);
int TextLeft(const EditorWindow& w);
int TextWidth(const EditorWindow& w);
int LinesOnScreen(const EditorWindow& w);
int MarginAt(const EditorWindow& w, int x);
int LineAtY(const EditorWindow& w, int y);
int PositionAtTextX(EditorWindow& w, int line, int textX);
int TextXOfPosition(EditorWindow& w, int position);
POINT PointFromPosition(EditorWindow& w, int position);
// Paints the rows meeting area (client coordinates) and copies just those to target.
void Paint(EditorWindow& w, HDC target, const RECT& area);
// Repaints document lines [firstLine, lastLine] where they are on screen;
// lastLine past the document's end repaints down to the bottom of the view.
void InvalidateLines(EditorWindow& w, int firstLine, int lastLine);
// Invalidates the lines changed since the last paint; false if nothing on
// screen changed.
bool InvalidateChanges(EditorWindow& w);

// text/clipboard.cpp: CF_UNICODETEXT (and CF_TEXT for old readers) in and out.
std::string ConvertLineEnds(const std::string& text, const std::string& lineEnd);
bool WriteClipboardText(HWND owner, const std::wstring& text);
bool ReadClipboardText(HWND owner, std::wstring& text);
bool ClipboardHasText();

// text/unicode.cpp: the document's bytes in the code page in force to and from
// UTF-16. An invalid UTF-8 byte becomes U+FFFD; FromUtf16 fails, leaving
// bytes unusable, when the code page lacks a character of the text, and
// turns a lone surrogate into U+FFFD in UTF-8.
std::wstring ToUtf16(const Encoding& encoding, const std::string& bytes);
bool FromUtf16(const Encoding& encoding, const wchar_t* text, size_t length, std::string& bytes);
bool FromCodePoint(const Encoding& encoding, char32_t value, std::string& bytes);
int EncodeUtf16(char32_t value, wchar_t units[2]); // answers how many units it wrote
// The case folding of a code page other than UTF-8, for searches.
CodePageFolding FoldingOf(int codePage);

// text/refusal.cpp: a text the code page cannot hold is refused with a beep
// and shown in a balloon tip at the caret naming its first such character
// and the code page, as an edit control shows a refused character. The
// balloon goes after a few seconds, at the next key or click, or with the focus.
enum class Refused { Typed, Pasted, Composed };
void ShowRefusal(EditorWindow& w, Refused what, const wchar_t* text, size_t length);
void DismissRefusal(EditorWindow& w, UINT message); // hides it if the message ends it

// Measures the composition's text in a style; an empty one measures nothing.
void MeasureComposition(EditorWindow& w, int style);

// ime/ime.cpp: the input method's messages, and where its windows go.
void OnImeStartComposition(EditorWindow& w);
void OnImeComposition(EditorWindow& w, LPARAM changes);
void OnImeEndComposition(EditorWindow& w);
LRESULT OnImeRequest(EditorWindow& w, WPARAM request, LPARAM lParam);
void CommitComposition(EditorWindow& w, const std::wstring& result);
bool TakeCommittedChar(EditorWindow& w, WPARAM unit);
void CompleteComposition(EditorWindow& w);
void PlaceImeWindows(EditorWindow& w);
// The composition's x at the start of a UTF-16 unit (-1: its end), from its left edge.
int CompositionX(const EditorWindow& w, int unit);

// window/editor_window.cpp: the window procedure and the request route both
// share, and the one place where every change reaches the screen, the host
// and screen readers.
LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A request from the direct function: answered, then its changes shown and told.
LRESULT AnswerDirectRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HandleRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam);
// The user typed: the scroll bars are set after the repaint.
void AfterEdit(EditorWindow& w);
// Moves the system caret to the caret (into the composition while one is shown).
void UpdateCaret(EditorWindow& w);
EditorWindow* EditorFromHandle(HWND hwnd);
// Scrolls to a display line and horizontal offset, clamped to the content.
void ScrollTo(EditorWindow& w, int firstLine, int xOffset);
// Sets the selection from user input and brings the caret into view.
void Select(EditorWindow& w, int anchor, int caret);
// Moves the caret; with extend (Shift held) the anchor stays.
void MoveCaret(EditorWindow& w, int position, bool extend);
// Up, Down, Page Up and Page Down: over visible lines, keeping the column.
void MoveCaretByLines(EditorWindow& w, int delta, bool extend);
bool Copy(EditorWindow& w); // false if nothing was copied
void Cut(EditorWindow& w);
void Paste(EditorWindow& w);
void Undo(EditorWindow& w);
void Redo(EditorWindow& w);

// window/notify.cpp: the host's notifications. Each answers false once the
// host has destroyed the window from inside it.
bool Notify(EditorWindow& w, SCNotification& notification);
bool NotifyCommand(EditorWindow& w, unsigned code);
void NotifyMarginClick(EditorWindow& w, int margin, int line, WPARAM keys);
void NotifyDoubleClick(EditorWindow& w, int position, WPARAM keys);
void NotifyFocus(EditorWindow& w, bool focused);
// Tells the host what the changes shown did: SCN_CHARADDED, the save point,
// SCN_ZOOM, SCEN_CHANGE and SCN_UPDATEUI (updated its SC_UPDATE_ flags).
void TellHost(EditorWindow& w, const Changes& changes, int updated);
void ZoomTo(EditorWindow& w, int points);
void SetOvertype(EditorWindow& w, bool overtype);

// window/mouse.cpp: clicks, drags (of the selection too), the wheel, the
// cursor and the context menu.
void OnLButtonDown(EditorWindow& w, WPARAM keys, int x, int y);
void OnMouseMove(EditorWindow& w, int x, int y);
void OnLButtonUp(EditorWindow& w, WPARAM keys, int x, int y);
void EndDrag(EditorWindow& w); // any drag, without dropping
void OnTimer(EditorWindow& w, WPARAM id);
void OnRButtonDown(EditorWindow& w, int x, int y);
void OnContextMenu(EditorWindow& w, int x, int y);
void OnMouseWheel(EditorWindow& w, int delta, WPARAM keys);
void OnMouseHWheel(EditorWindow& w, int delta);
bool OnSetCursor(EditorWindow& w, LPARAM lParam);

// window/keyboard.cpp: keys on key-down and the characters typed. Each
// answers whether it took the message.
bool OnKeyDown(EditorWindow& w, WPARAM key);
// Notes the characters of bytes, just typed, for SCN_CHARADDED.
void NoteTyped(EditorWindow& w, const std::string& bytes, int source);
bool OnSysKeyDown(EditorWindow& w, WPARAM key);
void OnKeyUp(EditorWindow& w, WPARAM key);
void OnChar(EditorWindow& w, WPARAM unit);
LRESULT OnUniChar(EditorWindow& w, WPARAM code);

} // namespace kalmor
