// Finding the rows of wrapped lines: the lines on screen first, then the
// rest in slices while the window is idle, so turning wrapping on or
// resizing a window of a million lines paints at once.
#include "component/window/editor_window.h"

namespace kalmor {

namespace {

constexpr UINT_PTR kSettleTimer = 3; // beside the drag-scrolling timer, 1, and the balloon's, 2
constexpr UINT kSettleEvery = 10;    // milliseconds between slices
constexpr DWORD kSliceTime = 15;     // milliseconds a slice may take
constexpr int kSliceBytes = 65536;   // bytes of a long line's rows found a line in a slice

// Measures the estimated lines from the first down to lastLine, until the
// time is up (0: no limit); true when none is left there.
bool MeasureEstimated(EditorWindow& w, int lastLine, DWORD time) {
    DWORD started = GetTickCount();
    int measured = 0;
    for (int line = w.core.NextEstimatedLine(0); line >= 0 && line <= lastLine;) {
        // A long line still being found takes the slice's rest.
        bool more = MeasureRows(w.view, line, time == 0 ? INT_MAX : kSliceBytes);
        if (time != 0 && (more || ++measured % 64 == 0) && GetTickCount() - started >= time)
            return false;
        if (!more)
            line = w.core.NextEstimatedLine(line + 1);
    }
    return true;
}

// A slice of the lines not measured yet; the text on screen stays where it
// is (the core keeps the top row on the same text), only the scroll bar
// moves. The timer calls this directly, not through the window procedure.
void CALLBACK SettleOnTimer(HWND hwnd, UINT, UINT_PTR, DWORD) {
    EditorWindow* w = EditorFromHandle(hwnd);
    if (!w)
        return;
    if (!w->core.Wrapping() || MeasureEstimated(*w, INT_MAX, kSliceTime)) {
        KillTimer(hwnd, kSettleTimer);
        w->wrap.settling = false;
    }
    SyncView(*w);
    ScrollTo(*w, w->core.FirstVisibleLine(), 0);
}

// Every line's rows estimated anew for a new width or new settings, the
// same document line kept at the top, those on screen measured at once.
void Rewrap(EditorWindow& w, int width) {
    w.wrap.width = width;
    int topLine = w.core.DocLineFromVisible(w.core.FirstVisibleLine());
    ++w.view.wrapKey;
    w.core.ResetWrap(std::max(1, width / std::max(1, w.view.spaceWidth)));
    w.core.SetFirstVisibleLine(w.core.VisibleFromDocLine(topLine));
    w.view.xOffset = 0;
    w.view.scrollWidth = 0;
    SettleView(w);
    InvalidateRect(w.hwnd, nullptr, FALSE);
}

} // namespace

void SettleView(EditorWindow& w) {
    if (!w.core.Wrapping())
        return;
    int rows = LinesOnScreen(w.view) + 1;
    int first = w.core.FirstVisibleLine();
    for (int row = 0; row < rows && first + row < w.core.VisibleLineCount();) {
        int line = w.core.DocLineFromVisible(first + row);
        if (w.core.LineRowsEstimated(line))
            MeasureRows(w.view, line);
        first = w.core.FirstVisibleLine();
        int next = w.core.VisibleFromDocLine(line) + std::max(w.core.LineRows(line), 1) - first;
        row = std::max(row + 1, next);
    }
}

void SettleRows(EditorWindow& w, int lastLine) {
    if (w.core.Wrapping())
        MeasureEstimated(w, lastLine, 0);
}

void CheckWrap(EditorWindow& w, bool rewrap) {
    if (!w.core.Wrapping()) {
        if (w.wrap.width >= 0) {
            w.wrap = Wrap();
            KillTimer(w.hwnd, kSettleTimer);
            w.view.widthStale = true;
        }
        return;
    }
    int width = TextWidth(w.view);
    if (rewrap || width != w.wrap.width)
        Rewrap(w, width);
    else
        SettleView(w);
    // Lines an edit added or changed are estimates too until measured.
    if (!w.wrap.settling && w.core.NextEstimatedLine(0) >= 0)
        w.wrap.settling = SetTimer(w.hwnd, kSettleTimer, kSettleEvery, SettleOnTimer) != 0;
}

} // namespace kalmor
