// The editor window's procedure: one handler per message, plus the request
// route that the window messages and the direct function share.
#include "component/window/editor_window.h"
#include <windowsx.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <new>
#include "component/accessibility/accessibility.h"
#include "component/core/requests.h"
#include "component/core/words.h"
#include "kalmor.h"

namespace kalmor {

namespace {

// Posted to ourselves to draw the scroll bars once the text is painted.
constexpr UINT kDrawScrollBars = WM_USER + 0x100;

// Beside the drag-scrolling (1) and refusal (2) timers: the other carets' blinking.
constexpr UINT_PTR kBlinkTimer = 3;

// Each tick of the caret's period turns the other carets off or on, while
// the host lets them blink, and redraws their lines. The timer calls this
// directly, not through the window procedure.
void CALLBACK BlinkOtherCarets(HWND hwnd, UINT, UINT_PTR, DWORD) {
    EditorWindow* w = EditorFromHandle(hwnd);
    if (!w || w->core.SelectionCount() < 2)
        return;
    w->view.otherCaretsOff = !w->view.otherCaretsOff && w->core.GetLook().addCaretsBlink;
    for (int n = 0; n < w->core.SelectionCount(); ++n) {
        int line = w->core.LineFromPosition(w->core.SelectionN(n).caret);
        if (n != w->core.MainSelection())
            InvalidateLines(w->view, line, line);
    }
}

EditorWindow* FromWindow(HWND hwnd) {
    return reinterpret_cast<EditorWindow*>(GetWindowLongPtrW(hwnd, 0));
}

int ClampPosition(const EditorWindow& w, LPARAM position) {
    return static_cast<int>(std::clamp<LPARAM>(position, 0, w.core.Length()));
}

bool IsRequest(UINT message) {
    return message >= SCI_START && message < SCI_END;
}

// Sets a scroll bar's range, page and position without drawing it, so that
// what GetScrollInfo answers is always current; answers whether the bar's
// drawing changed. Under Wine drawing a bar costs more than painting the
// whole view (about 5 ms), so it is drawn after the text (DrawScrollBars);
// a change too small to move the thumb by a pixel, as a character typed on a
// line many views wide makes, draws nothing. Whether the drawing changed is
// what the system answers for the bar's parts.
bool SetBar(HWND hwnd, int bar, const SCROLLINFO& info) {
    LONG object = bar == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL;
    SCROLLBARINFO drawn{};
    drawn.cbSize = sizeof drawn;
    bool known = GetScrollBarInfo(hwnd, object, &drawn) != FALSE;
    SetScrollInfo(hwnd, bar, &info, FALSE);
    SCROLLBARINFO now{};
    now.cbSize = sizeof now;
    if (!known || !GetScrollBarInfo(hwnd, object, &now))
        return true;
    // A bar that shows or hides itself changes the frame, which is redrawn.
    const DWORD hidden = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    if ((now.rgstate[0] & hidden) || (drawn.rgstate[0] & hidden))
        return false;
    return !EqualRect(&now.rcScrollBar, &drawn.rcScrollBar) ||
           now.dxyLineButton != drawn.dxyLineButton || now.xyThumbTop != drawn.xyThumbTop ||
           now.xyThumbBottom != drawn.xyThumbBottom ||
           !std::equal(std::begin(now.rgstate), std::end(now.rgstate), std::begin(drawn.rgstate));
}

// Draws the bars set since they were last drawn: their part of the window's
// frame is repainted now.
void DrawScrollBars(EditorWindow& w) {
    for (int bar : {SB_HORZ, SB_VERT}) {
        if (!w.scrolling.undrawn[bar == SB_VERT])
            continue;
        w.scrolling.undrawn[bar == SB_VERT] = false;
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        if (!GetScrollBarInfo(w.hwnd, bar == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL, &info))
            continue;
        MapWindowPoints(nullptr, w.hwnd, reinterpret_cast<POINT*>(&info.rcScrollBar), 2);
        RedrawWindow(w.hwnd, &info.rcScrollBar, nullptr,
                     RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
    }
}

// Notes that a bar is to be drawn, and posts the message that draws it once
// the text is painted; a burst of changes draws it once.
void DrawBarLater(EditorWindow& w, int bar) {
    w.scrolling.undrawn[bar == SB_VERT] = true;
    if (!w.scrolling.drawPosted)
        w.scrolling.drawPosted = PostMessageA(w.hwnd, kDrawScrollBars, 0, 0) != FALSE;
    if (!w.scrolling.drawPosted) // no room in the queue: drawn now
        DrawScrollBars(w);
}

// Shows the scroll bars with the current ranges; each one disappears when
// everything fits. Bars already showing these ranges are left alone.
void UpdateScrollBars(EditorWindow& w) {
    if (w.scrolling.updating)
        return;
    w.scrolling.updating = true;
    int lines = w.core.VisibleLineCount();
    int page = LinesOnScreen(w.view);
    int first = w.core.FirstVisibleLine();
    if (lines != w.scrolling.barLines || page != w.scrolling.barPage ||
        first != w.scrolling.barFirst) {
        SCROLLINFO vertical{sizeof vertical, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        vertical.nMax = lines - 1;
        vertical.nPage = page;
        vertical.nPos = first;
        w.scrolling.barLines = lines;
        w.scrolling.barPage = page;
        w.scrolling.barFirst = first;
        if (SetBar(w.hwnd, SB_VERT, vertical))
            DrawBarLater(w, SB_VERT);
    }
    int textWidth = TextWidth(w.view);
    if (w.view.scrollWidth != w.scrolling.barWidth || textWidth != w.scrolling.barTextWidth ||
        w.view.xOffset != w.scrolling.barX) {
        SCROLLINFO horizontal{sizeof horizontal, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
        horizontal.nMax = std::max(0, w.view.scrollWidth - 1);
        horizontal.nPage = textWidth;
        horizontal.nPos = w.view.xOffset;
        w.scrolling.barWidth = w.view.scrollWidth;
        w.scrolling.barTextWidth = textWidth;
        w.scrolling.barX = w.view.xOffset;
        if (SetBar(w.hwnd, SB_HORZ, horizontal))
            DrawBarLater(w, SB_HORZ);
    }
    w.scrolling.updating = false;
}

// Notes the document lines at the top and bottom rows.
void NoteView(EditorWindow& w) {
    int first = w.core.FirstVisibleLine();
    w.view.viewFirstLine = w.core.DocLineFromVisible(first);
    w.view.viewLastLine = w.core.DocLineFromVisible(first + LinesOnScreen(w.view));
}

// Scrolls just enough to bring the caret's line and column on screen.
// While lines wrap, the rows between the top and the caret are found as the
// view moves there, which can move the caret's row again: a few rounds
// settle it.
void ScrollCaretIntoView(EditorWindow& w) {
    int original = w.core.FirstVisibleLine();
    int first = original;
    int lines = LinesOnScreen(w.view);
    for (int round = 0; round < 3; ++round) {
        int row = DisplayLineOfPosition(w.view, w.core.Caret());
        int wanted = row < first ? row : row >= first + lines ? row - lines + 1 : first;
        if (wanted == first || !w.core.Wrapping()) {
            first = wanted;
            break;
        }
        w.core.SetFirstVisibleLine(wanted);
        SettleView(w);
        first = w.core.FirstVisibleLine();
    }
    w.core.SetFirstVisibleLine(original);
    int width = TextWidth(w.view);
    int scrolled = w.view.xOffset;
    int xOffset = scrolled;
    // A long line's x far from the view is estimated: it is measured again
    // from where the view would go.
    for (int round = 0; round < 2; ++round) {
        int x = RowXOfPosition(w.view, w.core.Caret());
        if (x < xOffset)
            xOffset = std::max(0, x - width / 3);
        else if (x >= xOffset + width)
            xOffset = x - width + width / 3;
        w.view.xOffset = xOffset;
    }
    w.view.xOffset = scrolled;
    if (xOffset > 0 && !w.core.Wrapping())
        w.view.scrollWidth = std::max(w.view.scrollWidth, xOffset + width);
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
    if (empty && w.view.highlightFirst < 0)
        return;
    int first = empty ? -1 : w.core.LineFromPosition(start);
    int last = empty ? -1 : w.core.LineFromPosition(end);
    if (start == w.view.highlightStart && end == w.view.highlightEnd &&
        first == w.view.highlightFirst && last == w.view.highlightLast)
        return;
    if (w.view.highlightFirst >= 0)
        InvalidateLines(w.view, w.view.highlightFirst, w.view.highlightLast);
    if (!empty)
        InvalidateLines(w.view, first, last);
    w.view.highlightStart = start;
    w.view.highlightEnd = end;
    w.view.highlightFirst = first;
    w.view.highlightLast = last;
}

// The caret's line, when the host shows it in its own colour, is repainted
// where the caret leaves it and where it arrives.
void InvalidateCaretLineBack(EditorWindow& w) {
    int line = w.core.GetLook().caretLineVisible ? w.core.LineFromPosition(w.core.Caret()) : -1;
    if (line == w.view.caretLineDrawn)
        return;
    if (w.view.caretLineDrawn >= 0)
        InvalidateLines(w.view, w.view.caretLineDrawn, w.view.caretLineDrawn);
    if (line >= 0)
        InvalidateLines(w.view, line, line);
    w.view.caretLineDrawn = line;
}

// Brings the screen up to date after the changes the core reports. Only a
// caret to be shown is dealt with at once; the scroll position and bars
// wait for the next paint, input or view request, and while a repaint is
// due further changed lines wait until it comes, so a run of requests (a
// fold sweep makes one per line) costs no window-system calls beyond the
// first.
void ShowChanges(EditorWindow& w, const Changes& changes) {
    RefreshFonts(w.view);
    CheckWrap(w, changes.all || changes.zoom);
    if (changes.text || changes.zoom)
        w.view.widthStale = true;
    if ((changes.text || changes.selection) && !w.keys.keepColumn)
        w.keys.wantedX = -1;
    PendingRepaint& pending = w.view.pendingRepaint;
    pending.all = pending.all || changes.all;
    if (changes.firstLine >= 0) {
        bool first = pending.firstLine < 0;
        pending.firstLine =
            first ? changes.firstLine : std::min(pending.firstLine, changes.firstLine);
        pending.lastLine = std::max(pending.lastLine, changes.lastLine);
        // Bytes only move from where an edit is: the least byte named stays right.
        pending.firstByte =
            first ? changes.firstByte : std::min(pending.firstByte, changes.firstByte);
    }
    if (!w.view.repaintPending)
        w.view.repaintPending = InvalidateChanges(w.view);
    InvalidateSelectionChange(w);
    InvalidateCaretLineBack(w);
    if (changes.scrollCaret)
        ScrollCaretIntoView(w);
    else
        w.scrolling.stale = true;
    if (changes.zoom)
        SyncView(w);
    if (changes.overtype)
        UpdateCaret(w); // its shape
}

// The one place where changes take effect, after every message and request
// whatever it came from: what the core says changed is shown (the repaint,
// the caret, the scroll bars), told to screen readers and told to the host.
// What the host changes from inside a notification is shown and told in the
// next round; the rounds are bounded, so a host that answers every
// notification with a change cannot keep the editor here.
void ApplyChanges(EditorWindow& w) {
    for (int round = 0; round < 4 && !w.host.destroyed; ++round) {
        Changes changes = w.core.TakeChanges();
        if (!changes.Any() && w.host.typed.empty() && w.host.scrolled == 0)
            return;
        // An edit refused for want of memory beeps, as a refused character does.
        if (changes.refused)
            MessageBeep(MB_OK);
        ShowChanges(w, changes);
        w.keys.keepColumn = false;
        NotifyAccessibility(w.accessible);
        int updated = (changes.text || changes.styles ? SC_UPDATE_CONTENT : 0) |
                      (changes.selection ? SC_UPDATE_SELECTION : 0) | w.host.scrolled;
        w.host.scrolled = 0;
        TellHost(w, changes, updated);
    }
}

void Clear(EditorWindow& w) {
    w.core.ReplaceEach("");
}

// Puts the host's caret blink time in force while the window has the focus
// (once its caret exists), or gives the user's back.
void ApplyCaretPeriod(EditorWindow& w, bool focused) {
    Caret& caret = w.caret;
    if (focused && caret.period >= 0) {
        if (!caret.periodInForce)
            caret.userBlinkTime = GetCaretBlinkTime();
        caret.periodInForce = true;
        SetCaretBlinkTime(caret.period == 0 ? INFINITE : static_cast<UINT>(caret.period));
    } else if (caret.periodInForce) {
        caret.periodInForce = false;
        SetCaretBlinkTime(caret.userBlinkTime);
    }
}

// Makes the window's state; the window is not created if that fails.
LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    EditorWindow* w = new (std::nothrow) EditorWindow(hwnd);
    if (!w)
        return FALSE;
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(w));
    w->core.SetListener(&w->host.notifier);
    w->core.SetColumnMeasure(&w->view.columns);
    w->core.SetSystemCodePage(static_cast<int>(GetACP()));
    w->core.SetCodePageFolding(FoldingOf);
    w->view.metrics = ReadMetrics(hwnd);
    w->view.palette = ReadPalette(hwnd);
    RefreshFonts(w->view);
    return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

void OnDestroy(EditorWindow& w) {
    ApplyCaretPeriod(w, false);
    DisconnectAccessibility(w.accessible);
    if (w.listener)
        DestroyWindow(w.listener);
    w.listener = nullptr;
}

// The state is freed once the outermost message or request of the window
// returns (Handling below): the host may destroy the window from inside a
// notification, with the editor's own calls still under way.
void OnNcDestroy(HWND hwnd, EditorWindow* w) {
    SetWindowLongPtrW(hwnd, 0, 0);
    w->host.destroyed = true;
}

// Adds the changes made since the last request's repaint to the region,
// then paints it. A host that styles is asked first for the styles of every
// line the window shows, so that they are drawn in this paint.
void OnPaint(EditorWindow& w) {
    RECT client{};
    GetClientRect(w.hwnd, &client);
    int shown = w.core.FirstVisibleLine() + client.bottom / std::max(w.view.lineHeight, 1) + 1;
    w.core.EnsureStyled(w.core.LineStart(
        w.core.DocLineFromVisible(std::min(shown, w.core.VisibleLineCount() - 1)) + 1));
    if (w.host.destroyed)
        return;
    InvalidateChanges(w.view);
    CheckKeptRows(w.view);
    w.view.repaintPending = false;
    int scrollWidth = w.view.scrollWidth;
    w.view.rowsChanged = false;
    {
        PaintDC dc(w.hwnd);
        Paint(w.view, dc.Get(), dc.Area());
    }
    NoteView(w);
    if (w.view.scrollWidth != scrollWidth || w.view.rowsChanged)
        UpdateScrollBars(w);
    // A wrapped line found to take other rows than counted moved the rows
    // below it, outside the area just painted too.
    if (w.view.rowsChanged)
        InvalidateRect(w.hwnd, nullptr, FALSE);
}

void OnPrintClient(EditorWindow& w, HDC dc) {
    RECT client{};
    GetClientRect(w.hwnd, &client);
    Paint(w.view, dc, client);
}

// Reads the display settings again after the system said they changed. At
// another DPI the fonts and measured lines are made anew and the scroll
// position follows, keeping the first visible line and the caret; new
// colours or caret settings show in the next repaint. When nothing changed,
// nothing is redrawn.
void OnDisplayChange(EditorWindow& w) {
    ViewMetrics metrics = ReadMetrics(w.hwnd);
    Palette palette = ReadPalette(w.hwnd);
    if (metrics == w.view.metrics && palette == w.view.palette)
        return;
    int oldDpi = w.view.metrics.dpi;
    w.view.metrics = metrics;
    w.view.palette = palette;
    if (metrics.dpi != oldDpi) {
        w.view.fonts = {};
        RefreshFonts(w.view);
        w.view.xOffset = MulDiv(w.view.xOffset, metrics.dpi, oldDpi);
        w.view.scrollWidth = MulDiv(w.view.scrollWidth, metrics.dpi, oldDpi);
        w.view.widthStale = true;
        w.keys.wantedX = -1;
        CheckWrap(w, true);
    }
    w.caret.height = 0; // made again in the new size or colour
    InvalidateRect(w.hwnd, nullptr, FALSE);
    ScrollTo(w, w.core.FirstVisibleLine(), w.view.xOffset);
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
    if (WindowDpi(w.hwnd) != w.view.metrics.dpi)
        OnDisplayChange(w);
    CheckWrap(w, false);
    InvalidateRect(w.hwnd, nullptr, FALSE);
    ScrollTo(w, w.core.FirstVisibleLine(), w.view.xOffset);
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
    ScrollTo(w, ScrollTarget(w.hwnd, SB_VERT, code, first, 1, LinesOnScreen(w.view)),
             w.view.xOffset);
}

void OnHScroll(EditorWindow& w, int code) {
    int step = std::max(1, w.view.tabWidth / 8);
    int x = ScrollTarget(w.hwnd, SB_HORZ, code, w.view.xOffset, step, TextWidth(w.view));
    ScrollTo(w, w.core.FirstVisibleLine(), x);
}

// The selection is drawn paler without the focus, so both changes redraw it.
void OnSetFocus(EditorWindow& w) {
    w.view.focused = true;
    w.caret.height = 0;
    UpdateCaret(w);
    w.view.highlightStart = -1; // drawn anew in the focused or unfocused tint
    InvalidateSelectionChange(w);
    if (w.core.SelectionCount() > 1) // the other carets show
        InvalidateRect(w.hwnd, nullptr, FALSE);
    if (GetCaretBlinkTime() != INFINITE)
        SetTimer(w.hwnd, kBlinkTimer, GetCaretBlinkTime(), BlinkOtherCarets);
    NotifyAccessibilityFocus(w.accessible);
    NotifyFocus(w, true);
}

void OnKillFocus(EditorWindow& w) {
    CompleteComposition(w.ime);
    w.view.focused = false;
    w.caret.height = 0;
    DestroyCaret();
    ApplyCaretPeriod(w, false);
    w.view.highlightStart = -1; // drawn anew in the focused or unfocused tint
    InvalidateSelectionChange(w);
    if (w.core.SelectionCount() > 1) // the other carets go
        InvalidateRect(w.hwnd, nullptr, FALSE);
    KillTimer(w.hwnd, kBlinkTimer);
    w.view.otherCaretsOff = false;
    NotifyFocus(w, false);
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
    case WM_GETOBJECT: return OnGetObject(w->accessible, wParam, lParam);
    case kAccessibilityCallMessage: return OnAccessibilityCall(w->accessible, lParam);
    case WM_GETTEXT: return OnGetText(w->accessible, wParam, lParam);
    case WM_GETTEXTLENGTH: return OnGetTextLength(w->accessible);
    case WM_SETTEXT: return OnSetText(w->accessible, lParam);
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
        if (!TakeCommittedChar(w->ime, wParam))
            OnChar(*w, wParam);
        return 0;
    case WM_IME_STARTCOMPOSITION: OnImeStartComposition(w->ime); return 0;
    case WM_IME_COMPOSITION: OnImeComposition(w->ime, lParam); return 0;
    case WM_IME_ENDCOMPOSITION: OnImeEndComposition(w->ime); return 0;
    case WM_IME_REQUEST: return OnImeRequest(w->ime, wParam, lParam);
    case WM_UNICHAR: return OnUniChar(*w, wParam);
    case kDrawScrollBars:
        w->scrolling.drawPosted = false;
        UpdateWindow(hwnd); // posted messages come before WM_PAINT: the text first
        DrawScrollBars(*w);
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

// Clamps the scroll position to the content and updates the scroll bars and
// caret, if requests may have changed them since this was last done.
void SyncView(EditorWindow& w) {
    if (!w.scrolling.stale)
        return;
    w.scrolling.stale = false;
    ScrollTo(w, w.core.FirstVisibleLine(), w.view.xOffset);
}

// Scrolls to a display line and horizontal offset, clamped to the content.
// The view is drawn anew, off-screen, and shown in one copy: moving what is
// on screen first and then painting the rows it exposes would, in between,
// show the row at the exposed edge twice or half drawn.
void ScrollTo(EditorWindow& w, int firstLine, int xOffset) {
    if (w.core.Wrapping())
        xOffset = 0; // rows fit the width: nothing is to the right
    int lines = LinesOnScreen(w.view);
    int lastFirst = std::max(0, w.core.VisibleLineCount() - lines);
    firstLine = std::clamp(firstLine, 0, lastFirst);
    xOffset = std::clamp(xOffset, 0, std::max(0, w.view.scrollWidth - TextWidth(w.view)));
    int first = w.core.FirstVisibleLine();
    if (firstLine != first)
        w.host.scrolled |= SC_UPDATE_V_SCROLL;
    if (xOffset != w.view.xOffset)
        w.host.scrolled |= SC_UPDATE_H_SCROLL;
    if (firstLine != first || xOffset != w.view.xOffset) {
        w.core.SetFirstVisibleLine(firstLine);
        w.view.xOffset = xOffset;
        InvalidateRect(w.hwnd, nullptr, FALSE);
        NoteView(w);
    }
    UpdateScrollBars(w);
    UpdateCaret(w);
}

// Sets the selection from user input; the caret is brought into view once
// the message is handled.
void Select(EditorWindow& w, int anchor, int caret) {
    w.core.SetSelection(anchor, caret);
}

// Moves the caret; with extend (Shift held) the anchor stays, else the
// selection collapses there.
void MoveCaret(EditorWindow& w, int position, bool extend) {
    Select(w, extend ? w.core.Anchor() : position, position);
}

// Up, Down, Page Up and Page Down: moves over visible lines, keeping the
// column. Several carets move a line each, each keeping its own column.
void MoveCaretByLines(EditorWindow& w, int delta, bool extend) {
    if (w.core.SelectionCount() > 1 && (delta == 1 || delta == -1)) {
        w.core.MoveCarets(
            [&](const SelectionRange& range) {
                int64_t row = int64_t{DisplayLineOfPosition(w.view, range.caret)} + delta;
                row = std::clamp<int64_t>(row, 0, w.core.VisibleLineCount() - 1);
                return PositionInDisplayLine(w.view, static_cast<int>(row),
                                             RowXOfPosition(w.view, range.caret));
            },
            extend);
        return;
    }
    int room = w.core.SelectionN(w.core.MainSelection()).caretVirtual;
    int x = w.keys.wantedX >= 0 ? w.keys.wantedX
                                : RowXOfPosition(w.view, w.core.Caret()) + room * w.view.spaceWidth;
    int64_t target = int64_t{DisplayLineOfPosition(w.view, w.core.Caret())} + delta;
    target = std::clamp<int64_t>(target, 0, w.core.VisibleLineCount() - 1);
    MoveCaret(w, PositionInDisplayLine(w.view, static_cast<int>(target), x), extend);
    // With virtual space open to the user the caret keeps its x past a short line's end.
    int pos = 0;
    int line = w.core.DocLineFromVisible(static_cast<int>(target));
    room = w.core.Wrapping() || w.core.SelectionCount() > 1
               ? 0
               : w.core.VirtualSpaceAt(line, x, &pos, SCVS_USERACCESSIBLE);
    if (room > 0 && pos == w.core.Caret()) {
        w.core.Dispatch(SCI_SETSELECTIONNCARETVIRTUALSPACE, 0, room);
        if (!extend)
            w.core.Dispatch(SCI_SETSELECTIONNANCHORVIRTUALSPACE, 0, room);
    }
    w.keys.wantedX = x;
    w.keys.keepColumn = true;
}

// Copies the selection with CR LF line ends; false if nothing was copied.
// Several selections are copied in the order of the text, joined by line
// ends, when any holds text.
bool Copy(EditorWindow& w) {
    if (w.core.Rectangular()) {
        std::string text = ConvertLineEnds(w.core.RectangleText(), "\r\n");
        return WriteClipboardText(w.hwnd, ToUtf16(w.core.CurrentEncoding(), text), true);
    }
    if (w.core.SelectionCount() == 1)
        return !w.core.SelectionEmpty() &&
               CopyRange(w, w.core.SelectionStart(), w.core.SelectionEnd());
    if (w.core.Dispatch(SCI_GETSELECTIONEMPTY, 0, 0))
        return false;
    std::vector<SelectionRange> ranges = w.core.SelectionsInOrder();
    std::string text;
    for (size_t i = 0; i < ranges.size(); ++i)
        text += (i > 0 ? "\n" : "") + w.core.TextRange(ranges[i].Start(), ranges[i].End());
    text = ConvertLineEnds(text, "\r\n");
    return WriteClipboardText(w.hwnd, ToUtf16(w.core.CurrentEncoding(), text));
}

// Copies [start, end) with CR LF line ends; false if the clipboard took nothing.
bool CopyRange(EditorWindow& w, int start, int end) {
    std::string text = ConvertLineEnds(w.core.TextRange(start, end), "\r\n");
    return WriteClipboardText(w.hwnd, ToUtf16(w.core.CurrentEncoding(), text));
}

// The text leaves the document only once it is safely on the clipboard.
// While read-only nothing is cut, not even copied, unless the host lets the
// change go on.
void Cut(EditorWindow& w) {
    if (w.core.CanEdit() && Copy(w))
        w.core.ReplaceEach("");
}

// Replaces the selection by the clipboard's text in the document's own line
// ends. With no text nothing changes; with no memory for its copies nothing
// changes either, and the refusal beeps (the window's own catch); a text
// holding a character the code page lacks is refused whole, with a beep and
// a balloon.
void Paste(EditorWindow& w) {
    std::string text;
    std::wstring wide;
    if (!ReadClipboardText(w.hwnd, wide) || wide.empty())
        return;
    if (!FromUtf16(w.core.CurrentEncoding(), wide.data(), wide.size(), text)) {
        ShowRefusal(w, Refused::Pasted, wide.data(), wide.size());
        return;
    }
    std::wstring().swap(wide);
    text = ConvertLineEnds(text, w.core.LineEndText());
    if (ClipboardHoldsRectangle())
        w.core.PasteRectangle(text);
    else
        w.core.Paste(text);
}

void Undo(EditorWindow& w) {
    w.core.Undo();
}

void Redo(EditorWindow& w) {
    w.core.Redo();
}

// Scrolls sideways by the user's characters per notch; positive deltas go right.
// Zooms to the points added to every style's size: fonts, line height, tab
// stops, caret and scroll bars follow, and the first visible line stays.
void ZoomTo(EditorWindow& w, int points) {
    w.core.SetZoom(points);
}

// Typing over or not: the caret changes its shape.
void SetOvertype(EditorWindow& w, bool overtype) {
    w.core.SetOvertype(overtype);
}

// Moves the system caret to the caret's place, or out of sight when its line
// is scrolled away or hidden. The caret exists only while we have the focus.
void UpdateCaret(EditorWindow& w) {
    if (!w.view.focused)
        return;
    int caret = w.core.Caret();
    // Typing over, the caret is a block as wide as the character it would
    // replace (a space's width at a line end). A host's width of 0 hides it.
    const Look& look = w.core.GetLook();
    int width =
        look.caretWidthSet ? Scale(w.view.metrics, look.caretWidth) : w.view.metrics.caretWidth;
    if (w.core.Overtype() && !w.view.composition.active) {
        int line = w.core.LineFromPosition(caret);
        int next = caret < w.core.LineEnd(line) ? w.core.PositionAfter(caret) : caret;
        width = std::max(width, next > caret
                                    ? TextXOfPosition(w.view, next) - TextXOfPosition(w.view, caret)
                                    : w.view.spaceWidth);
    }
    COLORREF back = w.core.GetStyle(STYLE_DEFAULT).back;
    COLORREF colour = look.caretFore ^ back; // what the bitmap must invert by
    if (w.caret.height != w.view.lineHeight || w.caret.width != width || w.caret.colour != colour) {
        DestroyCaret();
        w.caret.bitmap =
            CaretBitmap(w.view.palette, look.caretFore, back, width, w.view.lineHeight);
        CreateCaret(w.hwnd, w.caret.bitmap.Get(), width, w.view.lineHeight);
        ApplyCaretPeriod(w, true); // a new caret may take the system's blink time
        ShowCaret(w.hwnd);
        w.caret.height = w.view.lineHeight;
        w.caret.width = width;
        w.caret.colour = colour;
    }
    POINT point =
        PointFromPosition(w.view, caret, w.core.SelectionN(w.core.MainSelection()).caretVirtual);
    if (w.view.composition.active) {
        point.x += CompositionX(w.view, w.view.composition.cursor);
        PlaceImeWindows(w.ime);
    }
    RECT client{};
    GetClientRect(w.hwnd, &client);
    bool shown = width > 0 && w.core.LineVisible(w.core.LineFromPosition(caret)) && point.y >= 0 &&
                 point.y < client.bottom && point.x >= TextLeft(w.view);
    if (shown)
        SetCaretPos(point.x, point.y);
    else
        SetCaretPos(-w.view.lineHeight * 4, -w.view.lineHeight * 4);
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

// A coordinate or count from a request, clamped so that it cannot overflow.
int ToCoordinate(WPARAM value) {
    return static_cast<int>(
        std::clamp<intptr_t>(static_cast<intptr_t>(value), -0x1000000, 0x1000000));
}

int ToCoordinate(LPARAM value) {
    return static_cast<int>(std::clamp<LPARAM>(value, -0x1000000, 0x1000000));
}

// The position a client point names: the nearest character boundary
// (SCI_POSITIONFROMPOINT), the same or -1 when the point is not over text
// (SCI_POSITIONFROMPOINTCLOSE), or the start of the character under it
// (SCI_CHARPOSITIONFROMPOINT).
int PositionFromPoint(EditorWindow& w, UINT request, int x, int y) {
    int display = DisplayLineAtY(w.view, y);
    int rowX = x - TextLeft(w.view) + w.view.xOffset;
    int position = PositionInDisplayLine(w.view, display, rowX);
    if (request == SCI_POSITIONFROMPOINT)
        return position;
    int line = w.core.DocLineFromVisible(display);
    LineLayout layout = LayOutRow(w.view, line, display - w.core.VisibleFromDocLine(line));
    int row = std::clamp(display - w.core.VisibleFromDocLine(line), 0, RowCount(layout) - 1);
    int rows = w.core.VisibleLineCount() - w.core.FirstVisibleLine();
    bool overText = y >= 0 && y < rows * w.view.lineHeight && x >= TextLeft(w.view) &&
                    rowX < RowX(layout, row, RowEnd(layout, row));
    if (request == SCI_POSITIONFROMPOINTCLOSE)
        return overText ? position : -1;
    if (position > layout.start + RowStart(layout, row) && RowXOfPosition(w.view, position) > rowX)
        position = w.core.PositionBefore(position);
    return position;
}

// SCI_LINESSPLIT: the lines the target touches broken so that each fits in
// width pixels (0: the text area's), after the last blank that lets a line
// fit, or where it stops fitting when a word is wider; one undo step, the
// target's end moving with the text.
void SplitTargetLines(EditorWindow& w, int width) {
    EditorCore& core = w.core;
    auto blank = [&](int pos) { return core.CharAt(pos) == ' ' || core.CharAt(pos) == '\t'; };
    width = width > 0 ? width : TextWidth(w.view);
    int start = std::min(core.TargetStart(), core.TargetEnd());
    int end = std::max(core.TargetStart(), core.TargetEnd());
    std::string lineEnd = core.LineEndText();
    core.BeginUndoAction();
    for (int line = core.LineFromPosition(start); line <= core.LineFromPosition(end); ++line) {
        int first = core.LineStart(line);
        if (TextXOfPosition(w.view, core.LineEnd(line)) <= width)
            continue;
        int fit = PositionAtTextX(w.view, line, width);
        if (fit > first && TextXOfPosition(w.view, fit) > width)
            fit = core.PositionBefore(fit);
        // Blanks may hang past the width: the break goes after them.
        int at = fit;
        while (at < core.LineEnd(line) && blank(at))
            at = core.PositionAfter(at);
        if (at == fit) {
            while (at > first && !(blank(at - 1) && !blank(at)))
                at = core.PositionBefore(at);
        }
        if (at <= first)
            at = std::max(fit, core.PositionAfter(first));
        if (at >= core.LineEnd(line))
            continue;
        core.InsertText(at, lineEnd);
        end += static_cast<int>(lineEnd.size());
    }
    core.EndUndoAction();
    core.SetTarget(start, end);
}

// The window's own requests: the view, the clipboard and its handle.
LRESULT HandleWindowRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case SCI_GETDIRECTPOINTER: return reinterpret_cast<LRESULT>(w.hwnd);
    case SCI_LINESSPLIT: SplitTargetLines(w, ToCoordinate(wParam)); return 0;
    case SCI_TEXTHEIGHT: return w.view.lineHeight;
    case SCI_GETFIRSTVISIBLELINE:
        SyncView(w);
        SettleRows(w, w.core.DocLineFromVisible(w.core.FirstVisibleLine()));
        return w.core.FirstVisibleLine();
    case SCI_VISIBLEFROMDOCLINE: {
        int line = std::clamp<int>(ToCoordinate(wParam), 0, w.core.LineCount() - 1);
        SettleRows(w, line);
        return w.core.VisibleFromDocLine(line);
    }
    case SCI_DOCLINEFROMVISIBLE: {
        // Rows above are found until the line holding the display line is exact.
        int display = std::max(ToCoordinate(wParam), 0);
        int line = w.core.DocLineFromVisible(display);
        for (int found = -1; found != line; line = w.core.DocLineFromVisible(display)) {
            found = line;
            SettleRows(w, line);
        }
        return line;
    }
    case SCI_WRAPCOUNT: {
        int line = ToCoordinate(wParam);
        if (line < 0 || line >= w.core.LineCount())
            return 0;
        // A long line's rows are all found first: the count is exact.
        if (w.core.LineRowsEstimated(line))
            MeasureRows(w.view, line, INT_MAX);
        return w.core.Wrapping() ? RowCount(LayOutLine(w.view, nullptr, line)) : 1;
    }
    case SCI_POINTXFROMPOSITION:
        SyncView(w);
        return PointFromPosition(w.view, ClampPosition(w, lParam)).x;
    case SCI_POINTYFROMPOSITION:
        SyncView(w);
        return PointFromPosition(w.view, ClampPosition(w, lParam)).y;
    case SCI_CANPASTE: return ClipboardHasText() && !w.core.ReadOnly() ? 1 : 0;
    case SCI_COPY: Copy(w); return 0;
    case SCI_CUT: Cut(w); return 0;
    case SCI_PASTE: Paste(w); return 0;
    case SCI_SCROLLCARET:
        SyncView(w);
        ScrollCaretIntoView(w);
        return 0;
    case SCI_POSITIONFROMPOINT:
    case SCI_POSITIONFROMPOINTCLOSE:
    case SCI_CHARPOSITIONFROMPOINT:
        SyncView(w);
        return PositionFromPoint(w, message, ToCoordinate(wParam), ToCoordinate(lParam));
    case SCI_LINESONSCREEN: return LinesOnScreen(w.view);
    case SCI_TEXTWIDTH: {
        const char* text = reinterpret_cast<const char*>(lParam);
        return text ? TextWidthInStyle(w.view, ToCoordinate(wParam), text) : 0;
    }
    case SCI_SETFIRSTVISIBLELINE:
        SyncView(w);
        ScrollTo(w, ToCoordinate(wParam), w.view.xOffset);
        return 0;
    case SCI_LINESCROLL: {
        SyncView(w);
        int64_t x = int64_t{w.view.xOffset} + int64_t{ToCoordinate(wParam)} * w.view.spaceWidth;
        int64_t first = int64_t{w.core.FirstVisibleLine()} + ToCoordinate(lParam);
        ScrollTo(w, static_cast<int>(std::clamp<int64_t>(first, 0, INT_MAX)),
                 static_cast<int>(std::clamp<int64_t>(x, 0, INT_MAX)));
        return 0;
    }
    case SCI_GETXOFFSET: SyncView(w); return w.view.xOffset;
    case SCI_SETXOFFSET:
        SyncView(w);
        // The range grows to hold an offset past the widest line drawn so far.
        w.view.scrollWidth = std::max(w.view.scrollWidth, ToCoordinate(wParam) + TextWidth(w.view));
        ScrollTo(w, w.core.FirstVisibleLine(), ToCoordinate(wParam));
        return 0;
    case SCI_GETCARETPERIOD: {
        UINT user = w.caret.periodInForce ? w.caret.userBlinkTime : GetCaretBlinkTime();
        return w.caret.period >= 0 ? w.caret.period : user == INFINITE ? 0 : user;
    }
    case SCI_SETCARETPERIOD:
        if (static_cast<intptr_t>(wParam) >= 0) {
            w.caret.period = static_cast<int>(std::min<WPARAM>(wParam, 10000));
            ApplyCaretPeriod(w, w.view.focused);
        }
        return 0;
    case SCI_GETMARGINLEFT: return MarginLeft(w.view);
    case SCI_GETMARGINRIGHT: return MarginRight(w.view);
    case SCI_SETMARGINLEFT:
    case SCI_SETMARGINRIGHT: {
        // Blank pixels beside the text move it as a margin's width does.
        int& blank = message == SCI_SETMARGINLEFT ? w.view.marginLeft : w.view.marginRight;
        int pixels = static_cast<int>(std::clamp<LPARAM>(lParam, 0, 10000));
        if (blank != pixels) {
            blank = pixels;
            Changes everything;
            everything.all = true;
            ShowChanges(w, everything);
        }
        return 0;
    }
    case SCI_HIDESELECTION:
        if (w.view.selectionHidden != (wParam != 0)) {
            w.view.selectionHidden = wParam != 0;
            w.view.highlightStart = -1;
            InvalidateLines(w.view, w.core.LineFromPosition(w.core.SelectionStart()),
                            w.core.LineFromPosition(w.core.SelectionEnd()));
        }
        return 0;
    default: return 0;
    }
}

// Answers one request for a window, whether it came as a window message or
// through the direct function; its changes take effect once the outermost
// message or request returns.
LRESULT HandleRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    // While a selection mode sticks, moves extend in it.
    if (unsigned modal = w.core.ModalCommand(message); modal != message) {
        LRESULT result = HandleRequest(w, modal, wParam, lParam);
        w.core.SettleModalMove();
        return result;
    }
    switch (FindRequest(message).part) {
    case RequestPart::Window: return HandleWindowRequest(w, message, wParam, lParam);
    case RequestPart::ViewCommand: return HandleCommandRequest(w, message, wParam, lParam);
    default: break;
    }
    return w.core.Dispatch(message, wParam, lParam);
}

// What the accessibility objects and the input methods change through the
// window: each is the user's own edit, shown and told by the one path.
bool EditorWindow::ReplaceAllText(const std::string& text) {
    if (!core.CanEdit())
        return false;
    unsigned version = core.TextVersion();
    core.BeginUndoAction();
    core.SetText(text);
    core.EndUndoAction();
    // A text refused for want of memory leaves the document as it was.
    return core.TextVersion() != version || (text.empty() && core.Length() == 0);
}

void EditorWindow::SelectAndShow(int anchor, int caret) {
    Select(*this, anchor, caret);
    keys.wantedX = -1;
}

void EditorWindow::ScrollLineIntoView(int line, bool alignToTop) {
    int row = core.VisibleFromDocLine(line);
    ScrollTo(*this, alignToTop ? row : row - LinesOnScreen(view) + 1, view.xOffset);
}

// An input method's result replaces the selection as one undo step; one the
// code page cannot hold is refused and shown.
void EditorWindow::TypeResult(const std::wstring& result) {
    std::string bytes;
    if (!FromUtf16(core.CurrentEncoding(), result.data(), result.size(), bytes)) {
        ShowRefusal(*this, Refused::Composed, result.data(), result.size());
        return;
    }
    unsigned version = core.TextVersion();
    core.ReplaceEach(bytes);
    if (core.TextVersion() != version)
        NoteTyped(*this, bytes, SC_CHARACTERSOURCE_IME_RESULT);
}

void EditorWindow::CompositionMoved() {
    UpdateCaret(*this);
}

namespace {

// Marks a message or request of the window as under way. When the outermost
// one ends, its changes take effect, and the state is freed if the window
// was destroyed meanwhile. No exception may cross back into the window
// system: a request or message that fails answers 0 and leaves the window
// working. One that runs out of memory (copying or converting text before
// the core has it: a paste, a drop, an input method's result, WM_SETTEXT)
// changed nothing yet, and is refused as the core refuses an edit.
class Handling {
  public:
    explicit Handling(EditorWindow& w) : w_(w) { ++w_.host.depth; }
    ~Handling() {
        if (w_.host.depth == 1 && !w_.host.destroyed) {
            try {
                ApplyChanges(w_);
            } catch (...) {
            }
        }
        if (--w_.host.depth == 0 && w_.host.destroyed)
            delete &w_;
    }
    Handling(const Handling&) = delete;
    Handling& operator=(const Handling&) = delete;

  private:
    EditorWindow& w_;
};

} // namespace

LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    EditorWindow* w = FromWindow(hwnd);
    if (!w) {
        try {
            return HandleMessage(hwnd, message, wParam, lParam);
        } catch (...) {
            return 0;
        }
    }
    Handling handling(*w);
    try {
        return HandleMessage(hwnd, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        w->core.RefuseForMemory();
        return 0;
    } catch (...) {
        return 0;
    }
}

LRESULT AnswerDirectRequest(EditorWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    Handling handling(w);
    try {
        return HandleRequest(w, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        w.core.RefuseForMemory();
        return 0;
    } catch (...) {
        return 0;
    }
}

} // namespace kalmor
