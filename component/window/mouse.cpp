// The mouse: clicks and drags that place the caret and select, a press on
// the selection that drags it to move or copy it, a click or drag beside the
// text that selects lines, the wheel, the cursor and the context menu.
#include "component/window/editor_window.h"
#include <algorithm>
#include <cstdlib>
#include <tuple>
#include "component/core/words.h"
#include "kalmor.h"

namespace kalmor {

namespace {

constexpr UINT_PTR kDragScrollTimer = 1;

// Follows the pointer while the button is down: captured, with a timer that
// scrolls while the pointer is past an edge.
void StartDrag(EditorWindow& w, int x, int y) {
    w.mouse.dragging = true;
    w.mouse.dragPoint = POINT{x, y};
    SetCapture(w.hwnd);
    SetTimer(w.hwnd, kDragScrollTimer, 50, nullptr);
}

// The position before the character under a client point: the nearest
// boundary, less one when the point is on the right half of the character
// before it.
int CharacterAtPoint(EditorWindow& w, int x, int y) {
    int position = PositionAtPoint(w.view, x, y);
    int line = w.core.LineFromPosition(position);
    if (position > w.core.LineStart(line) &&
        RowXOfPosition(w.view, position) > x - TextLeft(w.view) + w.view.xOffset)
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
// The rectangle's corner under a client point: the nearest boundary on the
// line there, and the virtual space past its end when that is on.
SelectionRange CornerAt(EditorWindow& w, int x, int y) {
    SelectionRange corner;
    int textX = x - TextLeft(w.view) + w.view.xOffset;
    corner.caretVirtual =
        w.core.VirtualSpaceAt(LineAtY(w.view, y), textX, &corner.caret, SCVS_RECTANGULARSELECTION);
    corner.anchor = corner.caret;
    corner.anchorVirtual = corner.caretVirtual;
    return corner;
}

// With virtual space open to the user, a click past a line's end puts the
// caret there (while lines do not wrap, so the line is one row).
void PlaceInVirtualSpace(EditorWindow& w, int x, int y) {
    int pos = 0;
    int textX = x - TextLeft(w.view) + w.view.xOffset;
    int room = w.core.Wrapping()
                   ? 0
                   : w.core.VirtualSpaceAt(LineAtY(w.view, y), textX, &pos, SCVS_USERACCESSIBLE);
    if (room > 0 && pos == w.core.Caret()) {
        w.core.Dispatch(SCI_SETSELECTIONNCARETVIRTUALSPACE, 0, room);
        w.core.Dispatch(SCI_SETSELECTIONNANCHORVIRTUALSPACE, 0, room);
    }
}

// Whether the key that makes a drag cut a rectangle is held.
bool RectangleKeyHeld(const EditorWindow& w, WPARAM keys) {
    switch (w.core.RectangleModifier()) {
    case SCMOD_CTRL: return (keys & MK_CONTROL) != 0;
    case SCMOD_SUPER: return GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0;
    default: return GetKeyState(VK_MENU) < 0;
    }
}

void DragTo(EditorWindow& w, int x, int y) {
    if (w.mouse.rectangle) {
        SelectionRange corner = CornerAt(w, x, y);
        w.core.ExtendRectangle(corner.caret, corner.caretVirtual);
        return;
    }
    if (w.mouse.adding) {
        w.core.Dispatch(SCI_SETSELECTIONNCARET, static_cast<uintptr_t>(w.core.MainSelection()),
                        PositionAtPoint(w.view, x, y));
        return;
    }
    if (w.mouse.dragUnit == 1) {
        Select(w, w.core.Anchor(), PositionAtPoint(w.view, x, y));
        return;
    }
    auto [start, end] = UnitAround(w, w.mouse.dragUnit, CharacterAtPoint(w, x, y));
    if (start < w.mouse.dragStart)
        Select(w, w.mouse.dragEnd, start);
    else
        Select(w, w.mouse.dragStart, std::max(end, w.mouse.dragEnd));
}

// A click counts with the one before if it came within the system's
// double-click time and distance of it: the second selects a word, the third
// the line, the fourth starts again.
int CountClick(EditorWindow& w, int x, int y) {
    LONG time = GetMessageTime();
    bool closeBy = std::abs(x - w.mouse.lastClick.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                   std::abs(y - w.mouse.lastClick.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    bool quick = static_cast<UINT>(time - w.mouse.lastClickTime) <= GetDoubleClickTime();
    w.mouse.clickCount = closeBy && quick && w.mouse.clickCount < 3 ? w.mouse.clickCount + 1 : 1;
    w.mouse.lastClickTime = time;
    w.mouse.lastClick = POINT{x, y};
    return w.mouse.clickCount;
}

// Shows where dragged text would land, or nothing for -1, redrawing the rows
// of the old and the new place.
void ShowDropCaret(EditorWindow& w, int position) {
    if (position == w.view.dropPosition)
        return;
    for (int shown : {w.view.dropPosition, position}) {
        if (shown >= 0)
            InvalidateLines(w.view, w.core.LineFromPosition(shown), w.core.LineFromPosition(shown));
    }
    w.view.dropPosition = position;
}

// Dragging the selection: it begins once the pointer has moved past the
// system's drag distance from the press; then the drop caret follows it.
void DragText(EditorWindow& w, int x, int y) {
    if (!w.mouse.movingText && std::abs(x - w.mouse.pressPoint.x) <= GetSystemMetrics(SM_CXDRAG) &&
        std::abs(y - w.mouse.pressPoint.y) <= GetSystemMetrics(SM_CYDRAG))
        return;
    w.mouse.movingText = true;
    ShowDropCaret(w, PositionAtPoint(w.view, x, y));
}

// The edit menu, each item greyed when it cannot act. An item's identifier is
// the message that carries it out.
HMENU BuildContextMenu(EditorWindow& w) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    bool selected = !w.core.Dispatch(SCI_GETSELECTIONEMPTY, 0, 0); // any selection holds text
    bool editable = !w.core.ReadOnly();
    bool everything = w.core.SelectionStart() == 0 && w.core.SelectionEnd() == w.core.Length();
    struct Item {
        UINT id;
        const char* text;
        bool enabled;
    } items[] = {{WM_UNDO, "&Undo", editable && w.core.CanUndo()},
                 {SCI_REDO, "&Redo", editable && w.core.CanRedo()},
                 {0, nullptr, false},
                 {WM_CUT, "Cu&t", editable && selected},
                 {WM_COPY, "&Copy", selected},
                 {WM_PASTE, "&Paste", editable && ClipboardHasText()},
                 {WM_CLEAR, "&Delete", editable && selected},
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

} // namespace

// A click in a sensitive margin goes to the parent, and every click there
// stays a single click. In the text a click places the caret (Shift extends
// the selection), a second quick one selects the word, a third the line, and
// the pointer is captured so that a drag extends the selection.
void OnLButtonDown(EditorWindow& w, WPARAM keys, int x, int y) {
    CompleteComposition(w.ime);
    SetFocus(w.hwnd);
    int line = LineAtY(w.view, y);
    int margin = MarginAt(w.view, x);
    if (margin >= 0) {
        w.mouse.clickCount = 0;
        // A fold margin folds by itself once the host asks for it: a click
        // toggles a header's fold, with Ctrl its children too, and Shift
        // opens it with every child.
        bool folding = (w.core.AutomaticFold() & SC_AUTOMATICFOLD_CLICK) &&
                       (w.core.GetMargin(margin).mask & SC_MASK_FOLDERS);
        if (folding && w.core.IsHeader(line)) {
            if (keys & MK_SHIFT)
                w.core.SetFoldTree(line, true);
            else if (keys & MK_CONTROL)
                w.core.SetFoldTree(line, !w.core.Expanded(line));
            else
                w.core.ToggleFold(line);
        }
        if (w.core.GetMargin(margin).sensitive) {
            NotifyMarginClick(w, margin, line, keys);
            return;
        }
        if (folding)
            return;
        // Beside the text a click selects the line, and a drag whole lines.
        w.core.EndTypingRun();
        w.mouse.dragUnit = 3;
        std::tie(w.mouse.dragStart, w.mouse.dragEnd) = UnitAround(w, 3, w.core.LineStart(line));
        Select(w, w.mouse.dragStart, w.mouse.dragEnd);
        StartDrag(w, x, y);
        return;
    }
    w.core.EndTypingRun();
    int clicks = CountClick(w, x, y);
    int under = CharacterAtPoint(w, x, y);
    // A press on text that an indicator marks is told before it selects.
    w.mouse.indicatorPressed = w.core.IndicatorsAt(under) != 0;
    if (w.mouse.indicatorPressed && !NotifyIndicator(w, SCN_INDICATORCLICK, under, keys))
        return;
    w.mouse.rectangle = RectangleKeyHeld(w, keys);
    w.mouse.adding = false;
    if (w.mouse.rectangle) {
        // With the rectangle key a drag cuts a rectangle; with Shift too the
        // press moves the rectangle's caret.
        SelectionRange corner = CornerAt(w, x, y);
        if (keys & MK_SHIFT)
            w.core.ExtendRectangle(corner.caret, corner.caretVirtual);
        else
            w.core.SetRectangle(corner);
        w.mouse.dragUnit = 1;
        StartDrag(w, x, y);
        return;
    }
    if ((keys & MK_CONTROL) && !(keys & MK_SHIFT) && w.core.MultipleSelection()) {
        // Control adds a caret, and with a double click makes it the word there.
        if (clicks == 2) {
            auto [start, end] = UnitAround(w, 2, under);
            w.core.DropSelection(w.core.MainSelection());
            w.core.AddSelection(start, end);
        } else {
            int at = PositionAtPoint(w.view, x, y);
            w.core.AddSelection(at, at);
        }
        // A drag then extends the added selection alone.
        w.mouse.adding = true;
        w.mouse.dragUnit = 1;
        StartDrag(w, x, y);
        return;
    }
    if (!(keys & MK_SHIFT) && clicks == 1 && !w.core.SelectionEmpty() &&
        under >= w.core.SelectionStart() && under < w.core.SelectionEnd()) {
        // On the selection: a drag moves it, a click without one places the caret.
        w.mouse.pressedInSelection = true;
        w.mouse.pressPoint = POINT{x, y};
        StartDrag(w, x, y);
        return;
    }
    if (keys & MK_SHIFT) {
        w.mouse.dragUnit = 1;
        MoveCaret(w, PositionAtPoint(w.view, x, y), true);
    } else if (clicks == 1) {
        w.mouse.dragUnit = 1;
        MoveCaret(w, PositionAtPoint(w.view, x, y), false);
        PlaceInVirtualSpace(w, x, y);
    } else {
        w.mouse.dragUnit = clicks;
        auto [start, end] = UnitAround(w, clicks, CharacterAtPoint(w, x, y));
        w.mouse.dragStart = start;
        w.mouse.dragEnd = end;
        Select(w, start, end);
        if (clicks == 2) {
            NotifyDoubleClick(w, PositionAtPoint(w.view, x, y), keys);
            if (w.host.destroyed)
                return;
        }
    }
    StartDrag(w, x, y);
}

void OnMouseMove(EditorWindow& w, int x, int y) {
    if (!w.mouse.dragging)
        return;
    w.mouse.dragPoint = POINT{x, y};
    if (w.mouse.pressedInSelection)
        DragText(w, x, y);
    else
        DragTo(w, x, y);
}

// Ends any drag, a drag of the selection included, without dropping.
void EndDrag(EditorWindow& w) {
    if (!w.mouse.dragging)
        return;
    w.mouse.dragging = false;
    w.mouse.pressedInSelection = false;
    w.mouse.movingText = false;
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
    bool pressed = w.mouse.pressedInSelection;
    bool moving = w.mouse.movingText;
    int drop = w.view.dropPosition;
    EndDrag(w);
    if (w.mouse.indicatorPressed) {
        w.mouse.indicatorPressed = false;
        if (!NotifyIndicator(w, SCN_INDICATORRELEASE, PositionAtPoint(w.view, x, y), keys))
            return;
    }
    if (moving && drop >= 0) {
        w.core.MoveText(w.core.SelectionStart(), w.core.SelectionEnd(), drop,
                        (keys & MK_CONTROL) != 0);
    } else if (pressed && !moving) {
        MoveCaret(w, PositionAtPoint(w.view, x, y), false);
    }
}

// While a drag's pointer is past an edge of the text, the view scrolls
// towards it a line (or a few characters) per tick and the selection follows.
void OnTimer(EditorWindow& w, WPARAM id) {
    if (id != kDragScrollTimer || !w.mouse.dragging)
        return;
    RECT client{};
    GetClientRect(w.hwnd, &client);
    POINT p = w.mouse.dragPoint;
    int first = w.core.FirstVisibleLine();
    int xOffset = w.view.xOffset;
    int step = 3 * std::max(1, w.view.tabWidth / 8);
    if (p.y < 0)
        --first;
    else if (p.y >= client.bottom)
        ++first;
    if (p.x < TextLeft(w.view))
        xOffset -= step;
    else if (p.x >= client.right)
        xOffset += step;
    if (first == w.core.FirstVisibleLine() && xOffset == w.view.xOffset)
        return;
    ScrollTo(w, first, xOffset);
    if (!w.mouse.pressedInSelection)
        DragTo(w, p.x, p.y);
    else if (w.mouse.movingText)
        ShowDropCaret(w, PositionAtPoint(w.view, p.x, p.y));
}

// A right-click outside the selection first moves the caret there; inside it
// keeps the selection for the menu to act on.
void OnRButtonDown(EditorWindow& w, int x, int y) {
    CompleteComposition(w.ime);
    SetFocus(w.hwnd);
    if (MarginAt(w.view, x) >= 0)
        return;
    int position = PositionAtPoint(w.view, x, y);
    if (w.core.SelectionEmpty() || position < w.core.SelectionStart() ||
        position > w.core.SelectionEnd())
        MoveCaret(w, position, false);
}

// Shows the edit menu at the pointer, or below the caret when opened from the
// keyboard (Shift+F10, the Menu key: screen point -1, -1). A right-click in
// the margins shows none. The chosen command runs as its message.
void OnContextMenu(EditorWindow& w, int x, int y) {
    POINT point{x, y};
    if (x == -1 && y == -1) {
        point = PointFromPosition(w.view, w.core.Caret());
        point.y += w.view.lineHeight;
        ClientToScreen(w.hwnd, &point);
    } else {
        POINT client = point;
        ScreenToClient(w.hwnd, &client);
        if (MarginAt(w.view, client.x) >= 0)
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

void OnMouseHWheel(EditorWindow& w, int delta) {
    int step = static_cast<int>(w.view.metrics.wheelChars) * std::max(1, w.view.tabWidth / 8);
    ScrollTo(w, w.core.FirstVisibleLine(), w.view.xOffset + MulDiv(delta, step, WHEEL_DELTA));
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
        w.mouse.wheelDelta += delta;
        int notches = w.mouse.wheelDelta / WHEEL_DELTA;
        w.mouse.wheelDelta %= WHEEL_DELTA;
        ZoomTo(w, w.core.Zoom() + notches);
        return;
    }
    UINT linesPerNotch = w.view.metrics.wheelLines;
    if (linesPerNotch == WHEEL_PAGESCROLL)
        linesPerNotch = LinesOnScreen(w.view);
    w.mouse.wheelDelta += delta;
    int notches = w.mouse.wheelDelta / WHEEL_DELTA;
    w.mouse.wheelDelta %= WHEEL_DELTA;
    int first = w.core.FirstVisibleLine() - notches * static_cast<int>(linesPerNotch);
    ScrollTo(w, first, w.view.xOffset);
}

// The system's arrow mirrored, pointing up and right, as margins beside
// text show it; null if it cannot be made.
HCURSOR MakeReverseArrow() {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ICONINFO info{};
    if (!GetIconInfo(arrow, &info))
        return nullptr;
    OwnedBitmap mask(info.hbmMask), colour(info.hbmColor);
    BITMAP size{};
    GetObjectA(info.hbmMask, sizeof size, &size);
    WindowDC screen(nullptr);
    MemoryDC from(screen.Get(), 1, 1), to(screen.Get(), 1, 1);
    auto mirrored = [&](HBITMAP bitmap) {
        if (!bitmap)
            return bitmap;
        BITMAP b{};
        GetObjectA(bitmap, sizeof b, &b);
        HBITMAP copy = b.bmBitsPixel == 1
                           ? CreateBitmap(b.bmWidth, b.bmHeight, 1, 1, nullptr)
                           : CreateCompatibleBitmap(screen.Get(), b.bmWidth, b.bmHeight);
        HGDIOBJ oldFrom = SelectObject(from.Get(), bitmap), oldTo = SelectObject(to.Get(), copy);
        StretchBlt(to.Get(), b.bmWidth - 1, 0, -b.bmWidth, b.bmHeight, from.Get(), 0, 0, b.bmWidth,
                   b.bmHeight, SRCCOPY);
        SelectObject(from.Get(), oldFrom);
        SelectObject(to.Get(), oldTo);
        return copy;
    };
    OwnedBitmap mirroredMask(mirrored(info.hbmMask)), mirroredColour(mirrored(info.hbmColor));
    ICONINFO made{FALSE, static_cast<DWORD>(size.bmWidth - 1) - info.xHotspot, info.yHotspot,
                  mirroredMask.Get(), mirroredColour.Get()};
    return reinterpret_cast<HCURSOR>(CreateIconIndirect(&made));
}

// The margins get the ordinary arrow, or the one pointing right where the
// host asks for it; the text keeps the class's I-beam.
bool OnSetCursor(EditorWindow& w, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT)
        return false;
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(w.hwnd, &point);
    int margin = MarginAt(w.view, point.x);
    if (margin < 0)
        return false;
    HCURSOR cursor = nullptr;
    if (w.core.GetMargin(margin).cursor == SC_CURSORREVERSEARROW) {
        if (!w.mouse.reverseArrow.Get())
            w.mouse.reverseArrow.Reset(MakeReverseArrow());
        cursor = w.mouse.reverseArrow.Get();
    }
    SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
    return true;
}

} // namespace kalmor
