// The editor window's procedure: one handler per message, plus the request
// route that the window messages and the direct function share.
#include "component/editor_window.h"
#include <windowsx.h>
#include <algorithm>
#include <new>
#include "component/accessibility.h"
#include "editor/notification.h"
#include "editor/requests.h"

namespace kalmor {

namespace {

EditorWindow* FromWindow(HWND hwnd) {
    return reinterpret_cast<EditorWindow*>(GetWindowLongPtrA(hwnd, 0));
}

// Requests that only read; everything else may change what is on screen.
bool IsQuery(UINT message) {
    switch (message) {
    case SCI_GETLENGTH:
    case SCI_GETCHARAT:
    case SCI_GETCURRENTPOS:
    case SCI_GETSTYLEAT:
    case SCI_GETFIRSTVISIBLELINE:
    case SCI_GETLINECOUNT:
    case SCI_LINEFROMPOSITION:
    case SCI_POSITIONFROMLINE:
    case SCI_GETTEXT:
    case SCI_GETFOLDLEVEL:
    case SCI_GETLASTCHILD:
    case SCI_GETFOLDPARENT:
    case SCI_GETLINEVISIBLE:
    case SCI_GETFOLDEXPANDED:
    case SCI_GETMARGINTYPEN:
    case SCI_GETMARGINWIDTHN:
    case SCI_GETMARGINMASKN:
    case SCI_GETMARGINSENSITIVEN:
    case SCI_STYLEGETFORE:
    case SCI_GETLEXER: return true;
    default: return false;
    }
}

int ClampPosition(const EditorWindow& w, LPARAM position) {
    return static_cast<int>(std::clamp<LPARAM>(position, 0, w.core.Length()));
}

bool IsRequest(UINT message) {
    return message >= SCI_START && message < SCI_END;
}

// Shows the scroll bars with the current ranges; each one disappears when
// everything fits.
void UpdateScrollBars(EditorWindow& w) {
    if (w.updatingScrollBars)
        return;
    w.updatingScrollBars = true;
    SCROLLINFO vertical{sizeof vertical, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    vertical.nMax = w.core.VisibleLineCount() - 1;
    vertical.nPage = LinesOnScreen(w);
    vertical.nPos = w.core.FirstVisibleLine();
    SetScrollInfo(w.hwnd, SB_VERT, &vertical, TRUE);
    SCROLLINFO horizontal{sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    horizontal.nMax = std::max(0, w.scrollWidth - 1);
    horizontal.nPage = TextWidth(w);
    horizontal.nPos = w.xOffset;
    SetScrollInfo(w.hwnd, SB_HORZ, &horizontal, TRUE);
    w.updatingScrollBars = false;
}

// Moves the system caret to the caret's place, or out of sight when its line
// is scrolled away or hidden. The caret exists only while we have the focus.
void UpdateCaret(EditorWindow& w) {
    if (!w.focused)
        return;
    if (w.caretHeight != w.lineHeight) {
        DestroyCaret();
        CreateCaret(w.hwnd, nullptr, 1, w.lineHeight);
        ShowCaret(w.hwnd);
        w.caretHeight = w.lineHeight;
    }
    int caret = w.core.Caret();
    POINT point = PointFromPosition(w, caret);
    RECT client{};
    GetClientRect(w.hwnd, &client);
    bool shown = w.core.LineVisible(w.core.LineFromPosition(caret)) && point.y >= 0 &&
                 point.y < client.bottom && point.x >= TextLeft(w);
    if (shown)
        SetCaretPos(point.x, point.y);
    else
        SetCaretPos(-w.lineHeight * 4, -w.lineHeight * 4);
}

// Scrolls to a display line and horizontal offset, clamped to the content.
void ScrollTo(EditorWindow& w, int firstLine, int xOffset) {
    int lastFirst = std::max(0, w.core.VisibleLineCount() - LinesOnScreen(w));
    firstLine = std::clamp(firstLine, 0, lastFirst);
    xOffset = std::clamp(xOffset, 0, std::max(0, w.scrollWidth - TextWidth(w)));
    if (firstLine != w.core.FirstVisibleLine() || xOffset != w.xOffset) {
        w.core.SetFirstVisibleLine(firstLine);
        w.xOffset = xOffset;
        InvalidateRect(w.hwnd, nullptr, FALSE);
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

// Brings the screen up to date after anything that may have changed the
// text, folds, styles, margins or caret. Only a moved caret is dealt with at
// once; the scroll position and bars wait for the next paint, input or view
// request, so a run of requests (a fold sweep makes one per line) costs no
// window-system calls beyond the first.
void Refresh(EditorWindow& w, bool caretMoved) {
    RefreshFonts(w);
    if (!w.repaintPending) {
        InvalidateRect(w.hwnd, nullptr, FALSE);
        w.repaintPending = true;
    }
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

void MoveCaret(EditorWindow& w, int position) {
    w.core.SetCaret(position);
    w.wantedX = -1;
    ScrollCaretIntoView(w);
}

// Up, Down, Page Up and Page Down: moves over visible lines, keeping the column.
void MoveCaretByLines(EditorWindow& w, int delta) {
    int x = w.wantedX >= 0 ? w.wantedX : TextXOfPosition(w, w.core.Caret());
    int line = w.core.VisibleLineAfter(w.core.LineFromPosition(w.core.Caret()), delta);
    MoveCaret(w, PositionAtTextX(w, line, x));
    w.wantedX = x;
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
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(w));
    RefreshFonts(*w);
    return DefWindowProcA(hwnd, WM_NCCREATE, wParam, lParam);
}

void OnNcDestroy(HWND hwnd, EditorWindow* w) {
    SetWindowLongPtrA(hwnd, 0, 0);
    delete w;
}

void OnPaint(EditorWindow& w) {
    w.repaintPending = false;
    int scrollWidth = w.scrollWidth;
    {
        PaintDC dc(w.hwnd);
        Paint(w, dc.Get());
    }
    if (w.scrollWidth != scrollWidth)
        UpdateScrollBars(w);
}

void OnPrintClient(EditorWindow& w, HDC dc) {
    Paint(w, dc);
}

void OnSize(EditorWindow& w) {
    InvalidateRect(w.hwnd, nullptr, FALSE);
    ScrollTo(w, w.core.FirstVisibleLine(), w.xOffset);
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

// Scrolls by the user's lines per wheel notch, keeping partial notches for later.
void OnMouseWheel(EditorWindow& w, int delta) {
    UINT linesPerNotch = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &linesPerNotch, 0);
    if (linesPerNotch == WHEEL_PAGESCROLL)
        linesPerNotch = LinesOnScreen(w);
    w.wheelDelta += delta;
    int notches = w.wheelDelta / WHEEL_DELTA;
    w.wheelDelta %= WHEEL_DELTA;
    int first = w.core.FirstVisibleLine() - notches * static_cast<int>(linesPerNotch);
    ScrollTo(w, first, w.xOffset);
}

void OnSetFocus(EditorWindow& w) {
    w.focused = true;
    w.caretHeight = 0;
    UpdateCaret(w);
    NotifyAccessibilityFocus(w);
}

void OnKillFocus(EditorWindow& w) {
    w.focused = false;
    w.caretHeight = 0;
    DestroyCaret();
}

// A click in a sensitive margin goes to the parent; elsewhere it places the caret.
void OnLButtonDown(EditorWindow& w, WPARAM keys, int x, int y) {
    SetFocus(w.hwnd);
    int line = LineAtY(w, y);
    int margin = MarginAt(w, x);
    if (margin < 0)
        MoveCaret(w, PositionAtTextX(w, line, x - TextLeft(w) + w.xOffset));
    else if (w.core.GetMargin(margin).sensitive)
        NotifyMarginClick(w, margin, line, keys);
    else
        MoveCaret(w, w.core.LineStart(line));
}

// Caret movement and Delete; other keys arrive as WM_CHAR or are not ours.
bool OnKeyDown(EditorWindow& w, WPARAM key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    int caret = w.core.Caret();
    int line = w.core.LineFromPosition(caret);
    switch (key) {
    case VK_LEFT: MoveCaret(w, w.core.PositionLeft(caret)); return true;
    case VK_RIGHT: MoveCaret(w, w.core.PositionRight(caret)); return true;
    case VK_UP: MoveCaretByLines(w, -1); return true;
    case VK_DOWN: MoveCaretByLines(w, 1); return true;
    case VK_PRIOR:
        ScrollTo(w, w.core.FirstVisibleLine() - LinesOnScreen(w), w.xOffset);
        MoveCaretByLines(w, -LinesOnScreen(w));
        return true;
    case VK_NEXT:
        ScrollTo(w, w.core.FirstVisibleLine() + LinesOnScreen(w), w.xOffset);
        MoveCaretByLines(w, LinesOnScreen(w));
        return true;
    case VK_HOME: MoveCaret(w, control ? 0 : w.core.LineStart(line)); return true;
    case VK_END: MoveCaret(w, control ? w.core.Length() : w.core.LineEnd(line)); return true;
    case VK_DELETE:
        w.core.DeleteForward();
        Refresh(w, true);
        return true;
    default: return false;
    }
}

// Typed characters, Enter, Tab and Backspace edit the text at the caret.
void OnChar(EditorWindow& w, WPARAM code) {
    if (code == '\r')
        w.core.InsertLineEnd();
    else if (code == '\b')
        w.core.DeleteBack();
    else if (code == '\t' || (code >= ' ' && code <= 0xFF && code != 0x7F))
        w.core.InsertAtCaret(std::string(1, static_cast<char>(code)));
    else
        return;
    w.wantedX = -1;
    Refresh(w, true);
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
        return DefWindowProcA(hwnd, message, wParam, lParam);
    // Input and layout see the view as the last requests left it.
    if (!IsRequest(message) && message != WM_NCDESTROY)
        SyncView(*w);
    switch (message) {
    case WM_NCDESTROY: OnNcDestroy(hwnd, w); break;
    case WM_DESTROY: DisconnectAccessibility(*w); break;
    case WM_GETOBJECT: return OnGetObject(*w, wParam, lParam);
    case kAccessibilityCallMessage: return OnAccessibilityCall(*w, lParam);
    case WM_GETTEXT: return OnGetText(*w, wParam, lParam);
    case WM_GETTEXTLENGTH: return OnGetTextLength(*w);
    case WM_SETTEXT: return OnSetText(*w, lParam);
    case WM_PAINT: OnPaint(*w); return 0;
    case WM_PRINTCLIENT: OnPrintClient(*w, reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: OnSize(*w); return 0;
    case WM_VSCROLL: OnVScroll(*w, LOWORD(wParam)); return 0;
    case WM_HSCROLL: OnHScroll(*w, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: OnMouseWheel(*w, GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_SETFOCUS: OnSetFocus(*w); return 0;
    case WM_KILLFOCUS: OnKillFocus(*w); return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(*w, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_KEYDOWN:
        if (OnKeyDown(*w, wParam))
            return 0;
        break;
    case WM_CHAR: OnChar(*w, wParam); return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
    case WM_SETCURSOR:
        if (OnSetCursor(*w, lParam))
            return TRUE;
        break;
    default:
        if (IsRequest(message))
            return HandleRequest(*w, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

// The state of an editor window of this process, or null for any other value:
// a direct pointer comes from outside and must not be trusted as an address.
// Only windows of this process answer their window procedure, and only an
// editor window has ours, so one call settles the usual case. A subclassed
// editor window is recognised by its process and its class's procedure.
EditorWindow* EditorFromHandle(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    LONG_PTR procedure = GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
    if (procedure != reinterpret_cast<LONG_PTR>(EditorWindowProc)) {
        DWORD process = 0;
        if (!procedure || !GetWindowThreadProcessId(hwnd, &process) ||
            process != GetCurrentProcessId() ||
            static_cast<LONG_PTR>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)) !=
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
    }
    if (IsQuery(message))
        return w.core.Dispatch(message, wParam, lParam);
    int caret = w.core.Caret();
    LRESULT result = w.core.Dispatch(message, wParam, lParam);
    Refresh(w, w.core.Caret() != caret);
    NotifyAccessibility(w);
    return result;
}

void ReplaceAllText(EditorWindow& w, const std::string& text) {
    w.core.BeginUndoAction();
    w.core.SetText(text);
    w.core.EndUndoAction();
    w.wantedX = -1;
    Refresh(w, true);
}

void SelectAndShow(EditorWindow& w, int anchor, int caret) {
    w.core.SetSelection(anchor, caret);
    w.wantedX = -1;
    Refresh(w, true);
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
