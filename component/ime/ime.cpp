// Input method editors, through IMM32 (which also carries the Text Services
// Framework's input methods): the composition is drawn by the editor in
// place at the caret (view/editor_view.cpp), the system's composition and
// candidate windows are placed beside it, and only the result string
// reaches the document, replacing the selection as one undo step.
#include "component/window/editor_window.h"
#include <algorithm>

namespace kalmor {

namespace {

template <typename Function> void LoadEntry(HMODULE module, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// imm32 is loaded when an input method first speaks to the editor, so the
// DLL imports no more than before; it is a system library on every Windows.
const ImmApi& Imm(EditorWindow& w) {
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
    explicit InputContext(EditorWindow& w)
        : api_(Imm(w)), hwnd_(w.hwnd),
          context_(api_.ImmGetContext && api_.ImmReleaseContext ? api_.ImmGetContext(w.hwnd)
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
int CompositionStyle(const EditorWindow& w) {
    int caret = w.core.Caret();
    bool lineStart = caret == w.core.LineStart(w.core.LineFromPosition(caret));
    return w.core.StyleAt(lineStart ? caret : w.core.PositionBefore(caret));
}

void InvalidateCaretLine(EditorWindow& w) {
    int line = w.core.LineFromPosition(w.core.Caret());
    InvalidateLines(w, line, line);
}

} // namespace

int CompositionX(const EditorWindow& w, int unit) {
    const Composition& c = w.composition;
    if (c.measure.x.empty())
        return 0;
    size_t byte = unit >= 0 && static_cast<size_t>(unit) < c.unitBytes.size()
                      ? static_cast<size_t>(c.unitBytes[static_cast<size_t>(unit)])
                      : c.measure.x.size() - 1;
    return c.measure.x[byte];
}

// Puts the system's composition window at the composition, in the editor's
// font, and the candidate window next to the composition without covering
// it: with CFS_EXCLUDE the system moves it above the row near the screen's bottom.
void PlaceImeWindows(EditorWindow& w) {
    InputContext context(w);
    const ImmApi& api = Imm(w);
    if (!context.Get() || !api.ImmSetCompositionWindow || !api.ImmSetCandidateWindow)
        return;
    POINT origin = PointFromPosition(w, w.core.Caret());
    COMPOSITIONFORM composition{CFS_POINT, origin, {}};
    api.ImmSetCompositionWindow(context.Get(), &composition);
    RECT area{origin.x, origin.y, origin.x + CompositionX(w, -1), origin.y + w.lineHeight};
    CANDIDATEFORM candidate{
        0, CFS_EXCLUDE, POINT{origin.x + CompositionX(w, w.composition.cursor), area.bottom}, area};
    api.ImmSetCandidateWindow(context.Get(), &candidate);
    LOGFONTW font{};
    if (api.ImmSetCompositionFontW &&
        GetObjectW(FontFor(w, w.measuring.Get(), CompositionStyle(w)).font->Get(), sizeof font,
                   &font))
        api.ImmSetCompositionFontW(context.Get(), &font);
}

// The composition starts: nothing of it is shown until it has text, and the
// system's own composition window is not asked for.
void OnImeStartComposition(EditorWindow& w) {
    w.composition = Composition();
    w.composition.active = true;
    PlaceImeWindows(w);
}

// A result string is committed first; then the composition that follows it
// (if any) is drawn at the caret, measured in the style there.
void OnImeComposition(EditorWindow& w, LPARAM changes) {
    InputContext context(w);
    if (changes & GCS_RESULTSTR)
        CommitComposition(w, context.Read<wchar_t>(GCS_RESULTSTR));
    Composition& c = w.composition;
    if (changes & GCS_COMPSTR) {
        c.active = true;
        c.text = context.Read<wchar_t>(GCS_COMPSTR);
        c.attributes = context.Read<char>(GCS_COMPATTR);
        c.cursor = changes & GCS_CURSORPOS ? context.Cursor() : static_cast<int>(c.text.size());
        c.cursor = std::clamp(c.cursor, 0, static_cast<int>(c.text.size()));
    } else if (changes & GCS_RESULTSTR) {
        c.text.clear();
    }
    MeasureComposition(w, CompositionStyle(w));
    InvalidateCaretLine(w);
    PlaceImeWindows(w);
    UpdateCaret(w);
}

// Ended, by a commit or by cancelling: the row shows the document again.
void OnImeEndComposition(EditorWindow& w) {
    w.composition.active = false;
    w.composition.text.clear();
    MeasureComposition(w, 0);
    InvalidateCaretLine(w);
    UpdateCaret(w);
}

// The result replaces the selection as one undo step. The input method may
// still send it as WM_IME_CHARs: those are expected and dropped.
void CommitComposition(EditorWindow& w, const std::wstring& result) {
    std::string bytes;
    if (result.empty())
        return;
    if (!FromUtf16(w.core.CurrentEncoding(), result.data(), result.size(), bytes)) {
        w.composition.committed = result; // its WM_IME_CHARs are not refused again
        ShowRefusal(w, Refused::Composed, result.data(), result.size());
        return;
    }
    unsigned version = w.core.TextVersion();
    w.core.ReplaceSelection(bytes);
    if (w.core.TextVersion() != version)
        NoteTyped(w, bytes, SC_CHARACTERSOURCE_IME_RESULT);
    w.composition.committed = result;
    AfterEdit(w);
}

// A WM_IME_CHAR of a result already committed is dropped; any other is typed.
bool TakeCommittedChar(EditorWindow& w, WPARAM unit) {
    std::wstring& pending = w.composition.committed;
    if (pending.empty() || pending[0] != static_cast<wchar_t>(unit)) {
        pending.clear();
        return false;
    }
    pending.erase(0, 1);
    return true;
}

// Before a click or the loss of the focus: a composition in progress is
// completed, so what the user typed is neither lost nor typed twice.
void CompleteComposition(EditorWindow& w) {
    if (!w.composition.active || w.composition.text.empty())
        return;
    InputContext context(w);
    if (context.Get() && w.imm.ImmNotifyIME)
        w.imm.ImmNotifyIME(context.Get(), NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
}

// IMR_QUERYCHARPOSITION: where a character of the composition is on the
// screen, for input methods that place their windows themselves.
LRESULT OnImeRequest(EditorWindow& w, WPARAM request, LPARAM lParam) {
    if (request != IMR_QUERYCHARPOSITION)
        return DefWindowProcW(w.hwnd, WM_IME_REQUEST, request, lParam);
    auto position = reinterpret_cast<IMECHARPOSITION*>(lParam);
    if (!position || position->dwSize < sizeof(IMECHARPOSITION))
        return FALSE;
    POINT origin = PointFromPosition(w, w.core.Caret());
    POINT point{origin.x + CompositionX(w, static_cast<int>(position->dwCharPos)), origin.y};
    ClientToScreen(w.hwnd, &point);
    position->pt = point;
    position->cLineHeight = static_cast<UINT>(w.lineHeight);
    GetClientRect(w.hwnd, &position->rcDocument);
    MapWindowPoints(w.hwnd, nullptr, reinterpret_cast<POINT*>(&position->rcDocument), 2);
    return TRUE;
}

} // namespace kalmor
