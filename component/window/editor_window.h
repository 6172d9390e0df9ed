// The editor window: the window procedure, its keys and mouse, scrolling,
// the caret and the host's notifications, on top of the view, the input
// methods and the accessibility objects. The per-window state is made on
// WM_NCCREATE, kept in the window's extra bytes and freed on WM_NCDESTROY;
// each part of it is owned by the files that use it. The window's handle is
// its direct pointer.
#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "component/accessibility/accessibility.h"
#include "component/core/editor_core.h"
#include "component/gdi.h"
#include "component/ime/ime.h"
#include "component/text/text.h"
#include "component/view/view.h"
#include "kalmor.h"

namespace kalmor {

struct EditorWindow;

// Tells the host, in WM_NOTIFY, each modification as the core makes it, and
// each attempt to change a read-only document (notify.cpp).
class ModificationNotifier final : public ChangeListener {
  public:
    explicit ModificationNotifier(EditorWindow& w) : w_(w) {}
    void Modified(const Modification& modification) override;
    void ModifyAttemptReadOnly() override;
    void StyleNeeded(int position) override;

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

// The balloon tip that shows a refused character (refusal.cpp): made
// on first use, destroyed with the window.
struct RefusalTip {
    OwnedWindow window;
    bool shown = false;
};

// The default key bindings (commands.cpp): key definition to command.
std::map<int, unsigned> DefaultBindings();

// The keys' part (keyboard.cpp, commands.cpp).
struct Keys {
    std::map<int, unsigned> bindings = DefaultBindings(); // key definition to command
    int wantedX = -1;        // column kept by Up and Down, in text pixels; -1 when none
    bool keepColumn = false; // the caret moved up or down: wantedX stays
    // A key's work was done on its key-down (Ctrl+Backspace, Tab): the
    // control character the keyboard makes of it (0x7F or 0x08 for
    // Ctrl+Backspace, 0x09 for Tab) is not typed as well when it comes
    // later than the key-down, which throws away those already queued.
    bool keyDone = false;
    wchar_t highSurrogate = 0; // the first half of a character typed as two WM_CHARs
};

// The mouse's part (mouse.cpp).
struct Mouse {
    // Selecting with the mouse: the pointer is captured while a button is down.
    bool dragging = false;
    int dragUnit = 1;       // 1 characters, 2 words, 3 lines: what the drag selects by
    bool rectangle = false; // the drag cuts a rectangle (pressed with the rectangle key)
    bool adding = false;    // the drag extends a selection Ctrl+click added
    int dragStart = 0;      // the word or line clicked first stays selected while dragging
    int dragEnd = 0;
    POINT dragPoint{};  // the pointer's last place, for scrolling while past an edge
    int clickCount = 0; // quick clicks in a row at one place in the text
    LONG lastClickTime = 0;
    POINT lastClick{};
    // Dragging the selection to move or copy it: pressed inside it, the text
    // is dragged once the pointer has moved past the system's drag distance.
    bool pressedInSelection = false;
    bool movingText = false;
    POINT pressPoint{};
    int wheelDelta = 0;            // wheel movement not yet turned into lines
    bool indicatorPressed = false; // pressed on an indicator: its release is told too
    // The arrow pointing right that margins may ask for, made when first shown.
    OwnedCursor reverseArrow;
};

// Scrolling's part (editor_window.cpp): the scroll bars as last set, so
// unchanged bars are not set again.
struct Scrolling {
    bool updating = false;   // setting the bars: their WM_SIZE changes nothing
    bool stale = false;      // scroll position and bars not checked since a change
    bool drawPosted = false; // a message to draw the scroll bars is on its way
    bool undrawn[2] = {};    // SB_HORZ, SB_VERT: set since drawn, their parts moved
    int barLines = -1;
    int barPage = -1;
    int barFirst = -1;
    int barWidth = -1;
    int barTextWidth = -1;
    int barX = -1;
};

// Line wrapping (wrapping.cpp): the text width the rows were found for, -1
// while lines do not wrap, and whether the lines not measured yet are being
// measured a slice at a time.
struct Wrap {
    int width = -1;
    bool settling = false;
};

// The system caret the window owns while it has the focus (editor_window.cpp).
struct Caret {
    int height = 0;      // 0 when we have none
    int width = 0;       // wider while typing over
    COLORREF colour = 0; // what its bitmap inverts the background by
    OwnedBitmap bitmap;  // its shape in high contrast or the host's colour, kept while it exists
    // SCI_SETCARETPERIOD: milliseconds a blink takes, 0 steady, -1 the
    // user's. The system has one blink time for the one caret it shows, so
    // the host's is put in force while the window has the focus and the
    // user's, kept here, given back when it loses it.
    int period = -1;
    bool periodInForce = false;
    UINT userBlinkTime = 0;
};

// Everything one editor window owns. It is also what the input methods and
// the accessibility objects call back, so that their edits take the user's path.
struct EditorWindow final : AccessibleWindow, ImeHost {
    explicit EditorWindow(HWND window)
        : hwnd(window), view(window, core), ime(view, *this), accessible(view, *this), host(*this) {
    }

    bool ReplaceAllText(const std::string& text) override;
    void SelectAndShow(int anchor, int caret) override;
    void ScrollLineIntoView(int line, bool alignToTop) override;
    void TypeResult(const std::wstring& result) override;
    void CompositionMoved() override;

    HWND hwnd;
    EditorCore core;
    View view;
    Ime ime;
    AccessibleEditor accessible;
    HostLink host;
    Keys keys;
    Mouse mouse;
    Scrolling scrolling;
    Wrap wrap;
    Caret caret;
    RefusalTip refusal;
    HWND listener = nullptr; // hears setting changes broadcast to top-level windows
};

// editor_window.cpp: the window procedure and the request route both
// share, and the one place where every change reaches the screen, the host
// and screen readers.
LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A request from the direct function: answered, then its changes shown and told.
LRESULT AnswerDirectRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HandleRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam);
// Clamps the scroll position and sets the scroll bars and caret, if
// requests may have changed them since this was last done.
void SyncView(EditorWindow& w);
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
bool Copy(EditorWindow& w);                          // false if nothing was copied
bool CopyRange(EditorWindow& w, int start, int end); // the selection untouched
void Cut(EditorWindow& w);
void Paste(EditorWindow& w);
void Undo(EditorWindow& w);
void Redo(EditorWindow& w);

// notify.cpp: the host's notifications. Each answers false once the
// host has destroyed the window from inside it.
bool Notify(EditorWindow& w, SCNotification& notification);
bool NotifyCommand(EditorWindow& w, unsigned code);
void NotifyMarginClick(EditorWindow& w, int margin, int line, WPARAM keys);
void NotifyDoubleClick(EditorWindow& w, int position, WPARAM keys);
// SCN_INDICATORCLICK or SCN_INDICATORRELEASE at a position; false if the
// host destroyed the window meanwhile.
bool NotifyIndicator(EditorWindow& w, unsigned code, int position, WPARAM keys);
void NotifyFocus(EditorWindow& w, bool focused);
// Tells the host what the changes shown did: SCN_CHARADDED, the save point,
// SCN_ZOOM, SCEN_CHANGE and SCN_UPDATEUI (updated its SC_UPDATE_ flags).
void TellHost(EditorWindow& w, const Changes& changes, int updated);
void ZoomTo(EditorWindow& w, int points);
void SetOvertype(EditorWindow& w, bool overtype);

// refusal.cpp: a text the code page cannot hold is refused with a beep
// and shown in a balloon tip at the caret naming its first such character
// and the code page, as an edit control shows a refused character. The
// balloon goes after a few seconds, at the next key or click, or with the focus.
enum class Refused { Typed, Pasted, Composed };
void ShowRefusal(EditorWindow& w, Refused what, const wchar_t* text, size_t length);
void DismissRefusal(EditorWindow& w, UINT message); // hides it if the message ends it

// mouse.cpp: clicks, drags (of the selection too), the wheel, the
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

// wrapping.cpp: while lines wrap, the rows of every line are found again
// when the width, the fonts or the settings change (rewrap set): those on
// screen at once, the first visible document line staying at the top, the
// rest a slice at a time while the window is idle, the scroll bar settling
// as they come. SettleRows finds them at once down to a line, for requests
// that count display lines exactly.
void CheckWrap(EditorWindow& w, bool rewrap);
void SettleRows(EditorWindow& w, int lastLine);
// The rows of the lines the view shows, from its top.
void SettleView(EditorWindow& w);

// commands.cpp: the key commands the window answers, and which key runs which.
LRESULT HandleCommandRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam);
// A virtual-key code and SCMOD_ modifiers as a key definition.
int KeyDefinition(WPARAM key, int modifiers);
unsigned BoundCommand(const Keys& keys, int definition); // 0 when none
void RunKeyCommand(EditorWindow& w, unsigned command);
// Enter: the line end, owed its SCN_CHARADDED.
void TypeLineEnd(EditorWindow& w);

// keyboard.cpp: keys on key-down and the characters typed. Each
// answers whether it took the message.
bool OnKeyDown(EditorWindow& w, WPARAM key);
// Notes the characters of bytes, just typed, for SCN_CHARADDED.
void NoteTyped(EditorWindow& w, const std::string& bytes, int source);
bool OnSysKeyDown(EditorWindow& w, WPARAM key);
void OnKeyUp(EditorWindow& w, WPARAM key);
void OnChar(EditorWindow& w, WPARAM unit);
LRESULT OnUniChar(EditorWindow& w, WPARAM code);

} // namespace kalmor
