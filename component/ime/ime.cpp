// The input method's messages: the composition read from the input
// context into the view, the system's windows placed beside it, and the
// result handed to the window to type.
#include "component/ime/ime.h"
#include <algorithm>

namespace kalmor {

namespace {

template <typename Function> void LoadEntry(HMODULE module, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// imm32 is loaded when an input method first speaks to the editor, so the
// DLL imports no more than before; it is a system library on every Windows.
const ImmApi& Imm(Ime& w) {
    ImmApi& api = w.imm;
    if (!api.tried) {
        api.tried = true;
        if (HMODULE imm = LoadLibraryW(L"imm32.dll")) {
            LoadEntry(imm, "ImmGetContext", api.ImmGetContext);
            LoadEntry(imm, "ImmReleaseContext", api.ImmReleaseContext);
            LoadEntry(imm, "ImmGetCompositionStringW", api.ImmGetCompositionStringW);
            LoadEntry(imm, "ImmSetCompositionWindow", api.ImmSetCompositionWindow);
            LoadEntry(imm, "ImmSetCandidateWindow", api.ImmSetCandidateWindow);
            LoadEntry(imm, "ImmSetCompositionFontW", api.ImmSetCompositionFontW);
            LoadEntry(imm, "ImmNotifyIME", api.ImmNotifyIME);
        }
    }
    return api;
}

// The window's input context for the life of one object.
class InputContext {
  public:
    explicit InputContext(Ime& w)
        : api_(Imm(w)), hwnd_(w.view.hwnd),
          context_(api_.ImmGetContext && api_.ImmReleaseContext ? api_.ImmGetContext(w.view.hwnd)
                                                                : nullptr) {}
    ~InputContext() {
        if (context_)
            api_.ImmReleaseContext(hwnd_, context_);
    }
    InputContext(const InputContext&) = delete;
    InputContext& operator=(const InputContext&) = delete;
    HIMC Get() const { return context_; }

    // One of the composition's strings, or its attributes as bytes.
    template <typename Unit> std::basic_string<Unit> Read(DWORD index) const {
        if (!context_ || !api_.ImmGetCompositionStringW)
            return {};
        LONG bytes = api_.ImmGetCompositionStringW(context_, index, nullptr, 0);
        std::basic_string<Unit> value(static_cast<size_t>(std::max<LONG>(bytes, 0)) / sizeof(Unit),
                                      Unit());
        if (bytes > 0)
            api_.ImmGetCompositionStringW(context_, index, value.data(), static_cast<DWORD>(bytes));
        return value;
    }
    // The cursor's place in the composition, in UTF-16 units.
    int Cursor() const {
        if (!context_ || !api_.ImmGetCompositionStringW)
            return 0;
        return static_cast<int>(api_.ImmGetCompositionStringW(context_, GCS_CURSORPOS, nullptr, 0));
    }

  private:
    const ImmApi& api_;
    HWND hwnd_;
    HIMC context_;
};

// The style the composition is drawn in: that of the character before the
// caret on its line, else that of the one after it.
int CompositionStyle(const Ime& w) {
    const EditorCore& core = w.view.core;
    int caret = core.Caret();
    bool lineStart = caret == core.LineStart(core.LineFromPosition(caret));
    return core.StyleAt(lineStart ? caret : core.PositionBefore(caret));
}

void InvalidateCaretLine(Ime& w) {
    int line = w.view.core.LineFromPosition(w.view.core.Caret());
    InvalidateLines(w.view, line, line);
}

// The result replaces the selection as one undo step. The input method may
// still send it as WM_IME_CHARs: those are expected and dropped, refused or not.
void CommitComposition(Ime& w, const std::wstring& result) {
    if (result.empty())
        return;
    w.host.TypeResult(result);
    w.committed = result;
}

} // namespace

// Puts the system's composition window at the composition, in the editor's
// font, and the candidate window next to the composition without covering
// it: with CFS_EXCLUDE the system moves it above the row near the screen's bottom.
void PlaceImeWindows(Ime& w) {
    InputContext context(w);
    const ImmApi& api = Imm(w);
    if (!context.Get() || !api.ImmSetCompositionWindow || !api.ImmSetCandidateWindow)
        return;
    POINT origin = PointFromPosition(w.view, w.view.core.Caret());
    COMPOSITIONFORM composition{CFS_POINT, origin, {}};
    api.ImmSetCompositionWindow(context.Get(), &composition);
    RECT area{origin.x, origin.y, origin.x + CompositionX(w.view, -1),
              origin.y + w.view.lineHeight};
    CANDIDATEFORM candidate{
        0, CFS_EXCLUDE,
        POINT{origin.x + CompositionX(w.view, w.view.composition.cursor), area.bottom}, area};
    api.ImmSetCandidateWindow(context.Get(), &candidate);
    LOGFONTW font{};
    if (api.ImmSetCompositionFontW &&
        GetObjectW(FontFor(w.view, w.view.measuring.Get(), CompositionStyle(w)).font->Get(),
                   sizeof font, &font))
        api.ImmSetCompositionFontW(context.Get(), &font);
}

// The composition starts: nothing of it is shown until it has text, and the
// system's own composition window is not asked for.
void OnImeStartComposition(Ime& w) {
    w.view.composition = Composition();
    w.view.composition.active = true;
    PlaceImeWindows(w);
}

// A result string is committed first; then the composition that follows it
// (if any) is drawn at the caret, measured in the style there.
void OnImeComposition(Ime& w, LPARAM changes) {
    InputContext context(w);
    if (changes & GCS_RESULTSTR)
        CommitComposition(w, context.Read<wchar_t>(GCS_RESULTSTR));
    Composition& c = w.view.composition;
    if (changes & GCS_COMPSTR) {
        c.active = true;
        c.text = context.Read<wchar_t>(GCS_COMPSTR);
        c.attributes = context.Read<char>(GCS_COMPATTR);
        c.cursor = changes & GCS_CURSORPOS ? context.Cursor() : static_cast<int>(c.text.size());
        c.cursor = std::clamp(c.cursor, 0, static_cast<int>(c.text.size()));
    } else if (changes & GCS_RESULTSTR) {
        c.text.clear();
    }
    MeasureComposition(w.view, CompositionStyle(w));
    InvalidateCaretLine(w);
    PlaceImeWindows(w);
    w.host.CompositionMoved();
}

// Ended, by a commit or by cancelling: the row shows the document again.
void OnImeEndComposition(Ime& w) {
    w.view.composition.active = false;
    w.view.composition.text.clear();
    MeasureComposition(w.view, 0);
    InvalidateCaretLine(w);
    w.host.CompositionMoved();
}

bool TakeCommittedChar(Ime& w, WPARAM unit) {
    std::wstring& pending = w.committed;
    if (pending.empty() || pending[0] != static_cast<wchar_t>(unit)) {
        pending.clear();
        return false;
    }
    pending.erase(0, 1);
    return true;
}

// Completed, so what the user typed is neither lost nor typed twice.
void CompleteComposition(Ime& w) {
    if (!w.view.composition.active || w.view.composition.text.empty())
        return;
    InputContext context(w);
    if (context.Get() && w.imm.ImmNotifyIME)
        w.imm.ImmNotifyIME(context.Get(), NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
}

// IMR_QUERYCHARPOSITION: where a character of the composition is on the
// screen, for input methods that place their windows themselves.
LRESULT OnImeRequest(Ime& w, WPARAM request, LPARAM lParam) {
    if (request != IMR_QUERYCHARPOSITION)
        return DefWindowProcW(w.view.hwnd, WM_IME_REQUEST, request, lParam);
    auto position = reinterpret_cast<IMECHARPOSITION*>(lParam);
    if (!position || position->dwSize < sizeof(IMECHARPOSITION))
        return FALSE;
    POINT origin = PointFromPosition(w.view, w.view.core.Caret());
    POINT point{origin.x + CompositionX(w.view, static_cast<int>(position->dwCharPos)), origin.y};
    ClientToScreen(w.view.hwnd, &point);
    position->pt = point;
    position->cLineHeight = static_cast<UINT>(w.view.lineHeight);
    GetClientRect(w.view.hwnd, &position->rcDocument);
    MapWindowPoints(w.view.hwnd, nullptr, reinterpret_cast<POINT*>(&position->rcDocument), 2);
    return TRUE;
}

} // namespace kalmor
