// The editor window's procedure: one handler per message, plus the request
// route that the window messages and the direct function share.
#include "component/editor_window.h"
#include <windowsx.h>
#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <new>
#include "component/accessibility.h"
#include "component/core/words.h"
#include "kalmor.h"

namespace kalmor {

namespace {

// Posted to ourselves to set the scroll bars once a typed key's repaint is done.
constexpr UINT kUpdateScrollBars = WM_USER + 0x100;

EditorWindow* FromWindow(HWND hwnd) {
    return reinterpret_cast<EditorWindow*>(GetWindowLongPtrW(hwnd, 0));
}

int ClampPosition(const EditorWindow& w, LPARAM position) {
    return static_cast<int>(std::clamp<LPARAM>(position, 0, w.core.Length()));
}

bool IsRequest(UINT message) {
    return message >= SCI_START && message < SCI_END;
}

// Shows the scroll bars with the current ranges; each one disappears when
// everything fits.
// Bars already showing these ranges are left alone. While a key is typed
// they are set later, after the text is repainted: under Wine setting a
// visible bar redraws it at once, which would hold up the text, and a burst
// of keys then sets them once.
void UpdateScrollBars(EditorWindow& w) {
    if (w.updatingScrollBars)
        return;
    if (w.typing) {
        if (!w.barsPosted)
            w.barsPosted = PostMessageA(w.hwnd, kUpdateScrollBars, 0, 0) != FALSE;
        if (w.barsPosted)
            return;
    }
    w.updatingScrollBars = true;
    int lines = w.core.VisibleLineCount();
    int page = LinesOnScreen(w);
    int first = w.core.FirstVisibleLine();
    if (lines != w.barLines || page != w.barPage || first != w.barFirst) {
        SCROLLINFO vertical{sizeof vertical, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        vertical.nMax = lines - 1;
        vertical.nPage = page;
        vertical.nPos = first;
        SetScrollInfo(w.hwnd, SB_VERT, &vertical, TRUE);
        w.barLines = lines;
        w.barPage = page;
        w.barFirst = first;
    }
    int textWidth = TextWidth(w);
    if (w.scrollWidth != w.barWidth || textWidth != w.barTextWidth || w.xOffset != w.barX) {
        SCROLLINFO horizontal{sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        horizontal.nMax = std::max(0, w.scrollWidth - 1);
        horizontal.nPage = textWidth;
        horizontal.nPos = w.xOffset;
        SetScrollInfo(w.hwnd, SB_HORZ, &horizontal, TRUE);
        w.barWidth = w.scrollWidth;
        w.barTextWidth = textWidth;
        w.barX = w.xOffset;
    }
    w.updatingScrollBars = false;
}

// Notes the document lines at the top and bottom rows.
void NoteView(EditorWindow& w) {
    int first = w.core.FirstVisibleLine();
    w.viewFirstLine = w.core.DocLineFromVisible(first);
    w.viewLastLine = w.core.DocLineFromVisible(first + LinesOnScreen(w));
}

// Scrolls to a display line and horizontal offset, clamped to the content.
// The view is drawn anew, off-screen, and shown in one copy: moving what is
// on screen first and then painting the rows it exposes would, in between,
// show the row at the exposed edge twice or half drawn.
void ScrollTo(EditorWindow& w, int firstLine, int xOffset) {
    int lines = LinesOnScreen(w);
    int lastFirst = std::max(0, w.core.VisibleLineCount() - lines);
    firstLine = std::clamp(firstLine, 0, lastFirst);
    xOffset = std::clamp(xOffset, 0, std::max(0, w.scrollWidth - TextWidth(w)));
    if (firstLine != w.core.FirstVisibleLine() || xOffset != w.xOffset) {
        w.core.SetFirstVisibleLine(firstLine);
        w.xOffset = xOffset;
        InvalidateRect(w.hwnd, nullptr, FALSE);
        NoteView(w);
    }
    UpdateScrollBars(w);
    UpdateCaret(w);
}

// Scrolls just enough to bring the caret's line and column on screen.
void ScrollCaretIntoView(EditorWindow& w) {
    int row = w.core.VisibleFromDocLine(w.core.LineFromPosition(w.core.Caret()));
    int first = w.core.FirstVisibleLine();
    int lines = LinesOnScreen(w);
    if (row < first)
        first = row;
    else if (row >= first + lines)
        first = row - lines + 1;
    int x = TextXOfPosition(w, w.core.Caret());
    int width = TextWidth(w);
    int xOffset = w.xOffset;
    if (x < xOffset)
        xOffset = std::max(0, x - width / 3);
    else if (x >= xOffset + width)
        xOffset = x - width + width / 3;
    if (xOffset > 0)
        w.scrollWidth = std::max(w.scrollWidth, xOffset + width);
    ScrollTo(w, first, xOffset);
}

// Redraws the lines that gain or lose highlighting: those the selection
// covered when it was last drawn and those it covers now. The lines are kept,
// not positions, since an edit moves positions but repaints any line it
// shifts. A bare caret move redraws nothing.
void InvalidateSelectionChange(EditorWindow& w) {
    int start = w.core.SelectionStart();
    int end = w.core.SelectionEnd();
    bool empty = start == end;
    if (empty && w.highlightFirst < 0)
        return;
    int first = empty ? -1 : w.core.LineFromPosition(start);
    int last = empty ? -1 : w.core.LineFromPosition(end);
    if (start == w.highlightStart && end == w.highlightEnd && first == w.highlightFirst &&
        last == w.highlightLast)
        return;
    if (w.highlightFirst >= 0)
        InvalidateLines(w, w.highlightFirst, w.highlightLast);
    if (!empty)
        InvalidateLines(w, first, last);
    w.highlightStart = start;
    w.highlightEnd = end;
    w.highlightFirst = first;
    w.highlightLast = last;
}

// Brings the screen up to date after a change to the text, folds, styles,
// margins or caret. Only a moved caret is dealt with at once; the scroll
// position and bars wait for the next paint, input or view request, and
// while a repaint is due further changes wait in the core until it comes,
// so a run of requests (a fold sweep makes one per line) costs no
// window-system calls beyond the first.
void Refresh(EditorWindow& w, bool caretMoved) {
    RefreshFonts(w);
    if (!w.repaintPending)
        w.repaintPending = InvalidateChanges(w);
    InvalidateSelectionChange(w);
    if (caretMoved)
        ScrollCaretIntoView(w);
    else
        w.viewStale = true;
}

// Clamps the scroll position to the content and updates the scroll bars and
// caret, if requests may have changed them since this was last done.
void SyncView(EditorWindow& w) {
    if (!w.viewStale)
        return;
    w.viewStale = false;
    ScrollTo(w, w.core.FirstVisibleLine(), w.xOffset);
}

// Sets the selection from user input and brings the caret into view. A caret
// landing in a contracted fold opens it, which redraws everything.
void Select(EditorWindow& w, int anchor, int caret) {
    int visibleLines = w.core.VisibleLineCount();
    w.core.SetSelection(anchor, caret);
    if (w.core.VisibleLineCount() != visibleLines)
        InvalidateRect(w.hwnd, nullptr, FALSE);
    else
        InvalidateSelectionChange(w);
    ScrollCaretIntoView(w);
}

// Moves the caret; with extend (Shift held) the anchor stays, else the
// selection collapses there.
void MoveCaret(EditorWindow& w, int position, bool extend) {
    Select(w, extend ? w.core.Anchor() : position, position);
    w.wantedX = -1;
}

// Up, Down, Page Up and Page Down: moves over visible lines, keeping the column.
void MoveCaretByLines(EditorWindow& w, int delta, bool extend) {
    int x = w.wantedX >= 0 ? w.wantedX : TextXOfPosition(w, w.core.Caret());
    int line = w.core.VisibleLineAfter(w.core.LineFromPosition(w.core.Caret()), delta);
    MoveCaret(w, PositionAtTextX(w, line, x), extend);
    w.wantedX = x;
}

// Copies the selection with CR LF line ends; false if nothing was copied.
bool Copy(EditorWindow& w) {
    if (w.core.SelectionEmpty())
        return false;
    std::string text = ConvertLineEnds(w.core.SelectedText(), "\r\n");
    return WriteClipboardText(w.hwnd, ToUtf16(w.core.CurrentEncoding(), text));
}

// The text leaves the document only once it is safely on the clipboard.
void Cut(EditorWindow& w) {
    if (Copy(w)) {
        w.core.ReplaceSelection("");
        AfterEdit(w);
    }
}

// Replaces the selection by the clipboard's text in the document's own line
// ends. With no text, or no memory for it, nothing changes; a text holding a
// character the code page lacks is refused whole, with a beep.
void Paste(EditorWindow& w) {
    std::string text;
    try {
        std::wstring wide;
        if (!ReadClipboardText(w.hwnd, wide) || wide.empty())
            return;
        if (!FromUtf16(w.core.CurrentEncoding(), wide.data(), wide.size(), text)) {
            MessageBeep(MB_OK);
            return;
        }
        text = ConvertLineEnds(text, w.core.LineEndText());
        w.core.ReplaceSelection(text);
    } catch (const std::bad_alloc&) {
        return;
    }
    AfterEdit(w);
}

void Clear(EditorWindow& w) {
    w.core.ReplaceSelection("");
    AfterEdit(w);
}

void Undo(EditorWindow& w) {
    w.core.Undo();
    AfterEdit(w);
}

void Redo(EditorWindow& w) {
    w.core.Redo();
    AfterEdit(w);
}

// Tells the parent about a click in a click-sensitive margin.
void NotifyMarginClick(EditorWindow& w, int margin, int line, WPARAM keys) {
    SCNotification notification{};
    notification.hwndFrom = w.hwnd;
    notification.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(w.hwnd));
    notification.code = SCN_MARGINCLICK;
    notification.position = w.core.LineStart(line);
    notification.modifiers = ((keys & MK_SHIFT) ? SCMOD_SHIFT : 0) |
                             ((keys & MK_CONTROL) ? SCMOD_CTRL : 0) |
                             (GetKeyState(VK_MENU) < 0 ? SCMOD_ALT : 0);
    notification.margin = margin;
    SendMessageA(GetParent(w.hwnd), WM_NOTIFY, notification.idFrom,
                 reinterpret_cast<LPARAM>(&notification));
}

// Makes the window's state; the window is not created if that fails.
LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    EditorWindow* w = new (std::nothrow) EditorWindow(hwnd);
    if (!w)
        return FALSE;
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(w));
    w->core.SetSystemCodePage(static_cast<int>(GetACP()));
    w->metrics = ReadMetrics(hwnd);
    w->palette = ReadPalette(hwnd);
    RefreshFonts(*w);
    return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

void OnDestroy(EditorWindow& w) {
    DisconnectAccessibility(w);
    if (w.listener)
        DestroyWindow(w.listener);
    w.listener = nullptr;
}

void OnNcDestroy(HWND hwnd, EditorWindow* w) {
    SetWindowLongPtrW(hwnd, 0, 0);
    delete w;
}

// Adds the changes made since the last request's repaint to the region,
// then paints it.
void OnPaint(EditorWindow& w) {
    InvalidateChanges(w);
    w.repaintPending = false;
    int scrollWidth = w.scrollWidth;
    {
        PaintDC dc(w.hwnd);
        Paint(w, dc.Get(), dc.Area());
    }
    NoteView(w);
    if (w.scrollWidth != scrollWidth)
        UpdateScrollBars(w);
}

void OnPrintClient(EditorWindow& w, HDC dc) {
    RECT client{};
    GetClientRect(w.hwnd, &client);
    Paint(w, dc, client);
}

// Reads the display settings again after the system said they changed. At
// another DPI the fonts and measured lines are made anew and the scroll
// position follows, keeping the first visible line and the caret; new
// colours or caret settings show in the next repaint. When nothing changed,
// nothing is redrawn.
void OnDisplayChange(EditorWindow& w) {
    ViewMetrics metrics = ReadMetrics(w.hwnd);
    Palette palette = ReadPalette(w.hwnd);
    if (metrics == w.metrics && palette == w.palette)
        return;
    int oldDpi = w.metrics.dpi;
    w.metrics = metrics;
    w.palette = palette;
    if (metrics.dpi != oldDpi) {
        w.fonts = {};
        RefreshFonts(w);
        w.xOffset = MulDiv(w.xOffset, metrics.dpi, oldDpi);
        w.scrollWidth = MulDiv(w.scrollWidth, metrics.dpi, oldDpi);
        w.widthStale = true;
        w.wantedX = -1;
    }
    w.caretHeight = 0; // made again in the new size or colour
    InvalidateRect(w.hwnd, nullptr, FALSE);
    ScrollTo(w, w.core.FirstVisibleLine(), w.xOffset);
    NoteView(w);
}

// As a top-level window the editor takes the place Windows suggests for the
// new DPI; a child's place is its host's to set, even if the host passes
// this message on.
void OnDpiChanged(EditorWindow& w, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested && !(GetWindowLongPtrA(w.hwnd, GWL_STYLE) & WS_CHILD))
        SetWindowPos(w.hwnd, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    OnDisplayChange(w);
}

// In a host aware of each monitor's DPI in the first version of that
// awareness, a child window is told nothing when its window moves to a
// monitor of another DPI; the host resizes it then, so a resize checks the
// DPI too.
void OnSize(EditorWindow& w) {
    if (WindowDpi(w.hwnd) != w.metrics.dpi)
        OnDisplayChange(w);
    InvalidateRect(w.hwnd, nullptr, FALSE);
    ScrollTo(w, w.core.FirstVisibleLine(), w.xOffset);
    NoteView(w);
}

// The scroll bar's new position for a scroll code, given its line and page steps.
int ScrollTarget(HWND hwnd, int bar, int code, int position, int line, int page) {
    switch (code) {
    case SB_LINEUP: return position - line;
    case SB_LINEDOWN: return position + line;
    case SB_PAGEUP: return position - page;
    case SB_PAGEDOWN: return position + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return INT_MAX / 2;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd, bar, &info);
        return info.nTrackPos;
    }
    default: return position;
    }
}

void OnVScroll(EditorWindow& w, int code) {
    int first = w.core.FirstVisibleLine();
    ScrollTo(w, ScrollTarget(w.hwnd, SB_VERT, code, first, 1, LinesOnScreen(w)), w.xOffset);
}

void OnHScroll(EditorWindow& w, int code) {
    int step = std::max(1, w.tabWidth / 8);
    int x = ScrollTarget(w.hwnd, SB_HORZ, code, w.xOffset, step, TextWidth(w));
    ScrollTo(w, w.core.FirstVisibleLine(), x);
}

// Scrolls sideways by the user's characters per notch; positive deltas go right.
// Zooms to the points added to every style's size: fonts, line height, tab
// stops, caret and scroll bars follow, and the first visible line stays.
void ZoomTo(EditorWindow& w, int points) {
    w.core.SetZoom(points);
    w.widthStale = true;
    Refresh(w, false);
    SyncView(w);
}

// Typing over or not: the caret changes its shape.
void SetOvertype(EditorWindow& w, bool overtype) {
    w.core.SetOvertype(overtype);
    UpdateCaret(w);
}

void OnMouseHWheel(EditorWindow& w, int delta) {
    int step = static_cast<int>(w.metrics.wheelChars) * std::max(1, w.tabWidth / 8);
    ScrollTo(w, w.core.FirstVisibleLine(), w.xOffset + MulDiv(delta, step, WHEEL_DELTA));
}

// Scrolls by the user's lines per wheel notch, keeping partial notches for
// later. Shift turns the wheel sideways, as the tilt wheel is; Control zooms,
// a point a notch.
void OnMouseWheel(EditorWindow& w, int delta, WPARAM keys) {
    if (keys & MK_SHIFT) {
        OnMouseHWheel(w, -delta);
        return;
    }
    if (keys & MK_CONTROL) {
        w.wheelDelta += delta;
        int notches = w.wheelDelta / WHEEL_DELTA;
        w.wheelDelta %= WHEEL_DELTA;
        ZoomTo(w, w.core.Zoom() + notches);
        return;
    }
    UINT linesPerNotch = w.metrics.wheelLines;
    if (linesPerNotch == WHEEL_PAGESCROLL)
        linesPerNotch = LinesOnScreen(w);
    w.wheelDelta += delta;
    int notches = w.wheelDelta / WHEEL_DELTA;
    w.wheelDelta %= WHEEL_DELTA;
    int first = w.core.FirstVisibleLine() - notches * static_cast<int>(linesPerNotch);
    ScrollTo(w, first, w.xOffset);
}

// The selection is drawn paler without the focus, so both changes redraw it.
void OnSetFocus(EditorWindow& w) {
    w.focused = true;
    w.caretHeight = 0;
    UpdateCaret(w);
    w.highlightStart = -1; // drawn anew in the focused or unfocused tint
    InvalidateSelectionChange(w);
    NotifyAccessibilityFocus(w);
}

void OnKillFocus(EditorWindow& w) {
    CompleteComposition(w);
    w.focused = false;
    w.caretHeight = 0;
    DestroyCaret();
    w.highlightStart = -1; // drawn anew in the focused or unfocused tint
    InvalidateSelectionChange(w);
}

constexpr UINT_PTR kDragScrollTimer = 1;

// Follows the pointer while the button is down: captured, with a timer that
// scrolls while the pointer is past an edge.
void StartDrag(EditorWindow& w, int x, int y) {
    w.dragging = true;
    w.dragPoint = POINT{x, y};
    SetCapture(w.hwnd);
    SetTimer(w.hwnd, kDragScrollTimer, 50, nullptr);
}

// The text position nearest to a client point.
int PositionAtPoint(EditorWindow& w, int x, int y) {
    return PositionAtTextX(w, LineAtY(w, y), x - TextLeft(w) + w.xOffset);
}

// The position before the character under a client point: the nearest
// boundary, less one when the point is on the right half of the character
// before it.
int CharacterAtPoint(EditorWindow& w, int x, int y) {
    int position = PositionAtPoint(w, x, y);
    int line = w.core.LineFromPosition(position);
    if (position > w.core.LineStart(line) &&
        TextXOfPosition(w, position) > x - TextLeft(w) + w.xOffset)
        position = w.core.PositionBefore(position);
    return position;
}

// The word or the whole line (with its line end, and a folded header with its
// hidden lines) around a position, as a double or triple click selects it.
std::pair<int, int> UnitAround(EditorWindow& w, int unit, int position) {
    if (unit == 2)
        return {WordStartAt(w.core, position), WordEndAt(w.core, position)};
    int line = w.core.LineFromPosition(position);
    int next = w.core.VisibleLineAfter(line, 1);
    return {w.core.LineStart(line), next > line ? w.core.LineStart(next) : w.core.Length()};
}

// Extends a drag's selection to a client point, by the drag's unit: the unit
// clicked first stays selected and the selection grows by whole units.
void DragTo(EditorWindow& w, int x, int y) {
    if (w.dragUnit == 1) {
        Select(w, w.core.Anchor(), PositionAtPoint(w, x, y));
        return;
    }
    auto [start, end] = UnitAround(w, w.dragUnit, CharacterAtPoint(w, x, y));
    if (start < w.dragStart)
        Select(w, w.dragEnd, start);
    else
        Select(w, w.dragStart, std::max(end, w.dragEnd));
}

// A click counts with the one before if it came within the system's
// double-click time and distance of it: the second selects a word, the third
// the line, the fourth starts again.
int CountClick(EditorWindow& w, int x, int y) {
    LONG time = GetMessageTime();
    bool closeBy = std::abs(x - w.lastClick.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                   std::abs(y - w.lastClick.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    bool quick = static_cast<UINT>(time - w.lastClickTime) <= GetDoubleClickTime();
    w.clickCount = closeBy && quick && w.clickCount < 3 ? w.clickCount + 1 : 1;
    w.lastClickTime = time;
    w.lastClick = POINT{x, y};
    return w.clickCount;
}

// A click in a sensitive margin goes to the parent, and every click there
// stays a single click. In the text a click places the caret (Shift extends
// the selection), a second quick one selects the word, a third the line, and
// the pointer is captured so that a drag extends the selection.
void OnLButtonDown(EditorWindow& w, WPARAM keys, int x, int y) {
    CompleteComposition(w);
    SetFocus(w.hwnd);
    int line = LineAtY(w, y);
    int margin = MarginAt(w, x);
    if (margin >= 0) {
        w.clickCount = 0;
        if (w.core.GetMargin(margin).sensitive) {
            NotifyMarginClick(w, margin, line, keys);
            return;
        }
        // Beside the text a click selects the line, and a drag whole lines.
        w.core.EndTypingRun();
        w.dragUnit = 3;
        std::tie(w.dragStart, w.dragEnd) = UnitAround(w, 3, w.core.LineStart(line));
        Select(w, w.dragStart, w.dragEnd);
        StartDrag(w, x, y);
        return;
    }
    w.core.EndTypingRun();
    int clicks = CountClick(w, x, y);
    int under = CharacterAtPoint(w, x, y);
    if (!(keys & MK_SHIFT) && clicks == 1 && !w.core.SelectionEmpty() &&
        under >= w.core.SelectionStart() && under < w.core.SelectionEnd()) {
        // On the selection: a drag moves it, a click without one places the caret.
        w.pressedInSelection = true;
        w.pressPoint = POINT{x, y};
        StartDrag(w, x, y);
        return;
    }
    if (keys & MK_SHIFT) {
        w.dragUnit = 1;
        MoveCaret(w, PositionAtPoint(w, x, y), true);
    } else if (clicks == 1) {
        w.dragUnit = 1;
        MoveCaret(w, PositionAtPoint(w, x, y), false);
    } else {
        w.dragUnit = clicks;
        auto [start, end] = UnitAround(w, clicks, CharacterAtPoint(w, x, y));
        w.dragStart = start;
        w.dragEnd = end;
        Select(w, start, end);
    }
    StartDrag(w, x, y);
}

// Shows where dragged text would land, or nothing for -1, redrawing the rows
// of the old and the new place.
void ShowDropCaret(EditorWindow& w, int position) {
    if (position == w.dropPosition)
        return;
    for (int shown : {w.dropPosition, position}) {
        if (shown >= 0)
            InvalidateLines(w, w.core.LineFromPosition(shown), w.core.LineFromPosition(shown));
    }
    w.dropPosition = position;
}

// Dragging the selection: it begins once the pointer has moved past the
// system's drag distance from the press; then the drop caret follows it.
void DragText(EditorWindow& w, int x, int y) {
    if (!w.movingText && std::abs(x - w.pressPoint.x) <= GetSystemMetrics(SM_CXDRAG) &&
        std::abs(y - w.pressPoint.y) <= GetSystemMetrics(SM_CYDRAG))
        return;
    w.movingText = true;
    ShowDropCaret(w, PositionAtPoint(w, x, y));
}

void OnMouseMove(EditorWindow& w, int x, int y) {
    if (!w.dragging)
        return;
    w.dragPoint = POINT{x, y};
    if (w.pressedInSelection)
        DragText(w, x, y);
    else
        DragTo(w, x, y);
}

// Ends any drag, a drag of the selection included, without dropping.
void EndDrag(EditorWindow& w) {
    if (!w.dragging)
        return;
    w.dragging = false;
    w.pressedInSelection = false;
    w.movingText = false;
    ShowDropCaret(w, -1);
    KillTimer(w.hwnd, kDragScrollTimer);
    if (GetCapture() == w.hwnd)
        ReleaseCapture();
}

// Releasing the button drops dragged text where the drop caret shows:
// moved, or copied with Control held, and nothing changes when that is
// inside the selection itself. A press on the selection that never became a
// drag places the caret as a click does.
void OnLButtonUp(EditorWindow& w, WPARAM keys, int x, int y) {
    bool pressed = w.pressedInSelection;
    bool moving = w.movingText;
    int drop = w.dropPosition;
    EndDrag(w);
    if (moving && drop >= 0) {
        if (w.core.MoveText(w.core.SelectionStart(), w.core.SelectionEnd(), drop,
                            (keys & MK_CONTROL) != 0))
            AfterEdit(w);
    } else if (pressed && !moving) {
        MoveCaret(w, PositionAtPoint(w, x, y), false);
    }
}

// While a drag's pointer is past an edge of the text, the view scrolls
// towards it a line (or a few characters) per tick and the selection follows.
void OnTimer(EditorWindow& w, WPARAM id) {
    if (id != kDragScrollTimer || !w.dragging)
        return;
    RECT client{};
    GetClientRect(w.hwnd, &client);
    POINT p = w.dragPoint;
    int first = w.core.FirstVisibleLine();
    int xOffset = w.xOffset;
    int step = 3 * std::max(1, w.tabWidth / 8);
    if (p.y < 0)
        --first;
    else if (p.y >= client.bottom)
        ++first;
    if (p.x < TextLeft(w))
        xOffset -= step;
    else if (p.x >= client.right)
        xOffset += step;
    if (first == w.core.FirstVisibleLine() && xOffset == w.xOffset)
        return;
    ScrollTo(w, first, xOffset);
    if (!w.pressedInSelection)
        DragTo(w, p.x, p.y);
    else if (w.movingText)
        ShowDropCaret(w, PositionAtPoint(w, p.x, p.y));
}

// A right-click outside the selection first moves the caret there; inside it
// keeps the selection for the menu to act on.
void OnRButtonDown(EditorWindow& w, int x, int y) {
    CompleteComposition(w);
    SetFocus(w.hwnd);
    if (MarginAt(w, x) >= 0)
        return;
    int position = PositionAtPoint(w, x, y);
    if (w.core.SelectionEmpty() || position < w.core.SelectionStart() ||
        position > w.core.SelectionEnd())
        MoveCaret(w, position, false);
}

// The edit menu, each item greyed when it cannot act. An item's identifier is
// the message that carries it out.
HMENU BuildContextMenu(EditorWindow& w) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    bool selected = !w.core.SelectionEmpty();
    bool everything = w.core.SelectionStart() == 0 && w.core.SelectionEnd() == w.core.Length();
    struct Item {
        UINT id;
        const char* text;
        bool enabled;
    } items[] = {{WM_UNDO, "&Undo", w.core.CanUndo()},
                 {SCI_REDO, "&Redo", w.core.CanRedo()},
                 {0, nullptr, false},
                 {WM_CUT, "Cu&t", selected},
                 {WM_COPY, "&Copy", selected},
                 {WM_PASTE, "&Paste", ClipboardHasText()},
                 {WM_CLEAR, "&Delete", selected},
                 {0, nullptr, false},
                 {SCI_SELECTALL, "Select &All", !everything}};
    for (const Item& item : items) {
        if (!item.text)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), item.id,
                        item.text);
    }
    return menu;
}

// Shows the edit menu at the pointer, or below the caret when opened from the
// keyboard (Shift+F10, the Menu key: screen point -1, -1). A right-click in
// the margins shows none. The chosen command runs as its message.
void OnContextMenu(EditorWindow& w, int x, int y) {
    POINT point{x, y};
    if (x == -1 && y == -1) {
        point = PointFromPosition(w, w.core.Caret());
        point.y += w.lineHeight;
        ClientToScreen(w.hwnd, &point);
    } else {
        POINT client = point;
        ScreenToClient(w.hwnd, &client);
        if (MarginAt(w, client.x) >= 0)
            return;
    }
    OwnedMenu menu(BuildContextMenu(w));
    if (!menu.Get())
        return;
    UINT command =
        static_cast<UINT>(TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                         point.x, point.y, 0, w.hwnd, nullptr));
    if (command)
        SendMessageA(w.hwnd, command, 0, 0);
}

// Caret keys (Shift extends the selection, Control moves by words or to the
// ends), the editing keys and the clipboard and undo shortcuts. Other keys
// arrive as WM_CHAR or are not ours.
bool OnKeyDown(EditorWindow& w, WPARAM key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    bool alt = GetKeyState(VK_MENU) < 0; // AltGr is Control and Alt: its characters are text
    bool selected = !w.core.SelectionEmpty();
    int caret = w.core.Caret();
    int line = w.core.LineFromPosition(caret);
    w.keyDone = false;
    switch (key) {
    case VK_LEFT:
        if (control)
            MoveCaret(w, PreviousWordStart(w.core, caret), shift);
        else if (selected && !shift)
            MoveCaret(w, w.core.SelectionStart(), false);
        else
            MoveCaret(w, w.core.PositionLeft(caret), shift);
        return true;
    case VK_RIGHT:
        if (control)
            MoveCaret(w, NextWordStart(w.core, caret), shift);
        else if (selected && !shift)
            MoveCaret(w, w.core.SelectionEnd(), false);
        else
            MoveCaret(w, w.core.PositionRight(caret), shift);
        return true;
    case VK_UP: MoveCaretByLines(w, -1, shift); return true;
    case VK_DOWN: MoveCaretByLines(w, 1, shift); return true;
    case VK_PRIOR:
        ScrollTo(w, w.core.FirstVisibleLine() - LinesOnScreen(w), w.xOffset);
        MoveCaretByLines(w, -LinesOnScreen(w), shift);
        return true;
    case VK_NEXT:
        ScrollTo(w, w.core.FirstVisibleLine() + LinesOnScreen(w), w.xOffset);
        MoveCaretByLines(w, LinesOnScreen(w), shift);
        return true;
    case VK_HOME: MoveCaret(w, control ? 0 : w.core.LineStart(line), shift); return true;
    case VK_END: MoveCaret(w, control ? w.core.Length() : w.core.LineEnd(line), shift); return true;
    case VK_DELETE:
        if (shift && selected) {
            Cut(w);
            return true;
        }
        if (control)
            w.core.DeleteWordForward();
        else
            w.core.DeleteForward();
        AfterEdit(w);
        return true;
    case VK_BACK:
        if (!control || alt)
            return false; // Backspace arrives as WM_CHAR
        w.core.DeleteWordBack();
        w.keyDone = true;
        AfterEdit(w);
        return true;
    case VK_TAB:
        if (control || alt)
            return false;
        if (shift)
            w.core.BackTab();
        else
            w.core.Tab();
        w.keyDone = true;
        AfterEdit(w);
        return true;
    case VK_INSERT:
        if (control && !shift)
            Copy(w);
        else if (shift && !control)
            Paste(w);
        else if (!control && !shift)
            SetOvertype(w, !w.core.Overtype());
        return true;
    case VK_ESCAPE:
        if (!w.movingText)
            return false;
        EndDrag(w);
        return true;
    }
    if (!control || alt)
        return false;
    switch (key) {
    case 'A': Select(w, 0, w.core.Length()); return true;
    case 'C': Copy(w); return true;
    case 'X': Cut(w); return true;
    case 'V': Paste(w); return true;
    case 'Z':
        if (shift)
            Redo(w);
        else
            Undo(w);
        return true;
    case 'Y': Redo(w); return true;
    case VK_ADD:
    case VK_OEM_PLUS: ZoomTo(w, w.core.Zoom() + 1); return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: ZoomTo(w, w.core.Zoom() - 1); return true;
    case '0':
    case VK_NUMPAD0: ZoomTo(w, 0); return true;
    default: return false;
    }
}

// Alt+Backspace undoes, as in every Windows edit control.
bool OnSysKeyDown(EditorWindow& w, WPARAM key) {
    if (key != VK_BACK)
        return false;
    Undo(w);
    return true;
}

// A typed character, Enter or Tab replaces the selection; Backspace deletes
// it, or the character before the caret. A character the code page lacks
// is refused with a beep.
void TypeCharacter(EditorWindow& w, char32_t code) {
    std::string bytes;
    if (code == '\r') {
        w.core.InsertLineEnd();
    } else if (code == '\b') {
        w.core.DeleteBack();
    } else if (code == '\t' || (code >= ' ' && code != 0x7F && code <= 0x10FFFF &&
                                !(code >= 0xD800 && code <= 0xDFFF))) {
        if (code < 0x80) // the same byte in every code page the editor knows
            bytes = static_cast<char>(code);
        else if (!FromCodePoint(w.core.CurrentEncoding(), code, bytes)) {
            MessageBeep(MB_OK);
            return;
        }
        w.core.InsertAtCaret(bytes);
    } else {
        return;
    }
    AfterEdit(w);
}

// WM_CHAR and WM_IME_CHAR bring UTF-16 units: a character outside the
// Basic Multilingual Plane comes as two, and is typed once both are here.
// A lone half is dropped.
void OnChar(EditorWindow& w, WPARAM unit) {
    bool keyDone = w.keyDone;
    w.keyDone = false;
    wchar_t high = w.highSurrogate;
    w.highSurrogate = 0;
    if (keyDone && (unit < 0x20 || unit == 0x7F))
        return;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        w.highSurrogate = static_cast<wchar_t>(unit);
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (high)
            TypeCharacter(w, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        return;
    }
    TypeCharacter(w, static_cast<char32_t>(unit));
}

// The margins get the ordinary arrow; the text keeps the class's I-beam.
bool OnSetCursor(EditorWindow& w, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT)
        return false;
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(w.hwnd, &point);
    if (MarginAt(w, point.x) < 0)
        return false;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    return true;
}

LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        return OnNcCreate(hwnd, wParam, lParam);
    EditorWindow* w = FromWindow(hwnd);
    if (!w)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // Input and layout see the view as the last requests left it.
    if (!IsRequest(message) && message != WM_NCDESTROY)
        SyncView(*w);
    switch (message) {
    case WM_NCDESTROY: OnNcDestroy(hwnd, w); break;
    case WM_CREATE: w->listener = CreateSettingsListener(hwnd); break;
    case WM_DESTROY: OnDestroy(*w); break;
    case WM_GETOBJECT: return OnGetObject(*w, wParam, lParam);
    case kAccessibilityCallMessage: return OnAccessibilityCall(*w, lParam);
    case WM_GETTEXT: return OnGetText(*w, wParam, lParam);
    case WM_GETTEXTLENGTH: return OnGetTextLength(*w);
    case WM_SETTEXT: return OnSetText(*w, lParam);
    case WM_PAINT: OnPaint(*w); return 0;
    case WM_PRINTCLIENT: OnPrintClient(*w, reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: OnSize(*w); return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case kDpiChangedAfterParent: OnDisplayChange(*w); return 0;
    case WM_DPICHANGED: OnDpiChanged(*w, lParam); return 0;
    case WM_VSCROLL: OnVScroll(*w, LOWORD(wParam)); return 0;
    case WM_HSCROLL: OnHScroll(*w, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(*w, GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
        return 0;
    case WM_MOUSEHWHEEL: OnMouseHWheel(*w, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_SETFOCUS: OnSetFocus(*w); return 0;
    case WM_KILLFOCUS: OnKillFocus(*w); return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(*w, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE: OnMouseMove(*w, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(*w, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_CAPTURECHANGED: EndDrag(*w); return 0;
    case WM_TIMER: OnTimer(*w, wParam); return 0;
    case WM_RBUTTONDOWN: OnRButtonDown(*w, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_CONTEXTMENU: OnContextMenu(*w, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_KEYDOWN:
        if (OnKeyDown(*w, wParam))
            return 0;
        break;
    case WM_SYSKEYDOWN:
        if (OnSysKeyDown(*w, wParam))
            return 0;
        break;
    case WM_SYSCHAR:
        if (wParam == '\b')
            return 0; // Alt+Backspace was handled as a key
        break;
    case WM_COPY: Copy(*w); return 0;
    case WM_CUT: Cut(*w); return 0;
    case WM_PASTE: Paste(*w); return 0;
    case WM_CLEAR: Clear(*w); return 0;
    case WM_UNDO: Undo(*w); return TRUE;
    case WM_CHAR: OnChar(*w, wParam); return 0;
    case WM_IME_CHAR:
        if (!TakeCommittedChar(*w, wParam))
            OnChar(*w, wParam);
        return 0;
    case WM_IME_STARTCOMPOSITION: OnImeStartComposition(*w); return 0;
    case WM_IME_COMPOSITION: OnImeComposition(*w, lParam); return 0;
    case WM_IME_ENDCOMPOSITION: OnImeEndComposition(*w); return 0;
    case WM_IME_REQUEST: return OnImeRequest(*w, wParam, lParam);
    case WM_UNICHAR:
        // TRUE tells the sender that UTF-32 characters are welcome.
        if (wParam == UNICODE_NOCHAR)
            return TRUE;
        TypeCharacter(*w, static_cast<char32_t>(wParam));
        return FALSE;
    case kUpdateScrollBars:
        w->barsPosted = false;
        UpdateScrollBars(*w);
        return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
    case WM_SETCURSOR:
        if (OnSetCursor(*w, lParam))
            return TRUE;
        break;
    default:
        if (IsRequest(message))
            return HandleRequest(*w, message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

// Moves the system caret to the caret's place, or out of sight when its line
// is scrolled away or hidden. The caret exists only while we have the focus.
void UpdateCaret(EditorWindow& w) {
    if (!w.focused)
        return;
    int caret = w.core.Caret();
    // Typing over, the caret is a block as wide as the character it would
    // replace (a space's width at a line end).
    int width = w.metrics.caretWidth;
    if (w.core.Overtype() && !w.composition.active) {
        int line = w.core.LineFromPosition(caret);
        int next = caret < w.core.LineEnd(line) ? w.core.PositionAfter(caret) : caret;
        width = std::max(width, next > caret ? TextXOfPosition(w, next) - TextXOfPosition(w, caret)
                                             : w.spaceWidth);
    }
    if (w.caretHeight != w.lineHeight || w.caretWidth != width) {
        DestroyCaret();
        w.caretBitmap = CaretBitmap(w.palette, width, w.lineHeight);
        CreateCaret(w.hwnd, w.caretBitmap.Get(), width, w.lineHeight);
        ShowCaret(w.hwnd);
        w.caretHeight = w.lineHeight;
        w.caretWidth = width;
    }
    POINT point = PointFromPosition(w, caret);
    if (w.composition.active) {
        point.x += CompositionX(w, w.composition.cursor);
        PlaceImeWindows(w);
    }
    RECT client{};
    GetClientRect(w.hwnd, &client);
    bool shown = w.core.LineVisible(w.core.LineFromPosition(caret)) && point.y >= 0 &&
                 point.y < client.bottom && point.x >= TextLeft(w);
    if (shown)
        SetCaretPos(point.x, point.y);
    else
        SetCaretPos(-w.lineHeight * 4, -w.lineHeight * 4);
}

// After the user changed the text: the widest line is measured afresh at the
// next paint, so the horizontal range shrinks when a long line goes.
void AfterEdit(EditorWindow& w) {
    w.wantedX = -1;
    w.widthStale = true;
    w.typing = true;
    Refresh(w, true);
    w.typing = false;
}

// The state of an editor window of this process, or null for any other value:
// a direct pointer comes from outside and must not be trusted as an address.
// Only windows of this process answer their window procedure, and only an
// editor window has ours, so one call settles the usual case. A subclassed
// editor window is recognised by its process and its class's procedure.
EditorWindow* EditorFromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    LONG_PTR procedure = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
    if (procedure != reinterpret_cast<LONG_PTR>(EditorWindowProc)) {
        DWORD process = 0;
        if (!procedure || !GetWindowThreadProcessId(hwnd, &process) ||
            process != GetCurrentProcessId() ||
            static_cast<LONG_PTR>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)) !=
                reinterpret_cast<LONG_PTR>(EditorWindowProc))
            return nullptr;
    }
    return FromWindow(hwnd);
}

// Answers one request for a window, whether it came as a window message or
// through the direct function, and refreshes the screen after any request
// that may change it.
LRESULT HandleRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case SCI_GETDIRECTPOINTER: return reinterpret_cast<LRESULT>(w.hwnd);
    case SCI_TEXTHEIGHT: return w.lineHeight;
    case SCI_GETFIRSTVISIBLELINE: SyncView(w); return w.core.FirstVisibleLine();
    case SCI_POINTXFROMPOSITION:
        SyncView(w);
        return PointFromPosition(w, ClampPosition(w, lParam)).x;
    case SCI_POINTYFROMPOSITION:
        SyncView(w);
        return PointFromPosition(w, ClampPosition(w, lParam)).y;
    case SCI_CANPASTE: return ClipboardHasText() ? 1 : 0;
    case SCI_COPY: Copy(w); return 0;
    case SCI_CUT: Cut(w); return 0;
    case SCI_PASTE: Paste(w); return 0;
    case SCI_SCROLLCARET:
        SyncView(w);
        ScrollCaretIntoView(w);
        return 0;
    }
    unsigned changes = w.core.ChangeCount();
    bool overtype = w.core.Overtype();
    int anchor = w.core.Anchor();
    int caret = w.core.Caret();
    int length = w.core.Length();
    LRESULT result = w.core.Dispatch(message, wParam, lParam);
    if (w.core.Length() != length)
        w.widthStale = true;
    // These bring the caret into view even where it already was.
    bool scrollToCaret = message == SCI_GOTOLINE || message == SCI_GOTOPOS ||
                         message == SCI_SETSEL || message == SCI_UNDO || message == SCI_REDO;
    bool caretMoved = w.core.Caret() != caret;
    if (scrollToCaret || caretMoved || w.core.Anchor() != anchor || w.core.ChangeCount() != changes)
        Refresh(w, scrollToCaret || caretMoved);
    if (w.core.Overtype() != overtype)
        UpdateCaret(w); // its shape
    NotifyAccessibility(w);
    return result;
}

// Rows are display lines counted from the top of the view; the hidden lines
// of a range belong to no row.
void InvalidateLines(EditorWindow& w, int firstLine, int lastLine) {
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
bool InvalidateChanges(EditorWindow& w) {
    ViewChanges changes = w.core.TakeChanges();
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

void ReplaceAllText(EditorWindow& w, const std::string& text) {
    w.core.BeginUndoAction();
    w.core.SetText(text);
    w.core.EndUndoAction();
    w.widthStale = true;
    w.wantedX = -1;
    Refresh(w, true);
}

void SelectAndShow(EditorWindow& w, int anchor, int caret) {
    Select(w, anchor, caret);
    w.wantedX = -1;
}

void ScrollLineIntoView(EditorWindow& w, int line, bool alignToTop) {
    int row = w.core.VisibleFromDocLine(line);
    ScrollTo(w, alignToTop ? row : row - LinesOnScreen(w) + 1, w.xOffset);
}

// No exception may cross back into the window system: a request or message
// that fails answers 0 and leaves the window working.
LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        LRESULT result = HandleMessage(hwnd, message, wParam, lParam);
        if (EditorWindow* w = FromWindow(hwnd))
            NotifyAccessibility(*w);
        return result;
    } catch (...) {
        return 0;
    }
}

} // namespace kalmor
