// The editor window's procedure: one handler per message, plus the request
// route that the window messages and the direct function share.
#include "component/window/editor_window.h"
#include <windowsx.h>
#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <new>
#include "component/accessibility/accessibility.h"
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

void Clear(EditorWindow& w) {
    w.core.ReplaceSelection("");
    AfterEdit(w);
}

// Makes the window's state; the window is not created if that fails.
LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    EditorWindow* w = new (std::nothrow) EditorWindow(hwnd);
    if (!w)
        return FALSE;
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(w));
    w->core.SetSystemCodePage(static_cast<int>(GetACP()));
    w->core.SetCodePageFolding(FoldingOf);
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

LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        return OnNcCreate(hwnd, wParam, lParam);
    EditorWindow* w = FromWindow(hwnd);
    if (!w)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // Input and layout see the view as the last requests left it.
    if (!IsRequest(message) && message != WM_NCDESTROY)
        SyncView(*w);
    DismissRefusal(*w, message);
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
    case WM_KEYUP:
    case WM_SYSKEYUP: OnKeyUp(*w, wParam); break;
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
    case WM_UNICHAR: return OnUniChar(*w, wParam);
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
// character the code page lacks is refused whole, with a beep and a balloon.
void Paste(EditorWindow& w) {
    std::string text;
    try {
        std::wstring wide;
        if (!ReadClipboardText(w.hwnd, wide) || wide.empty())
            return;
        if (!FromUtf16(w.core.CurrentEncoding(), wide.data(), wide.size(), text)) {
            ShowRefusal(w, Refused::Pasted, wide.data(), wide.size());
            return;
        }
        text = ConvertLineEnds(text, w.core.LineEndText());
        w.core.ReplaceSelection(text);
    } catch (const std::bad_alloc&) {
        return;
    }
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
