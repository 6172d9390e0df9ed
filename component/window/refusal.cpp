// A character the document's code page cannot hold is refused, never typed
// as '?' or a look-alike; the refusal is shown as an edit control shows a
// refused character: a beep and a balloon tip at the caret, here naming the
// character and the code page. The balloon is a tooltip of comctl32, loaded
// when the first refusal is shown, so the DLL imports no more than before.
#include "component/window/editor_window.h"
#include <commctrl.h>
#include <algorithm>

namespace kalmor {

namespace {

constexpr UINT_PTR kRefusalTimer = 2; // beside mouse.cpp's drag-scrolling timer, 1
constexpr UINT kShownFor = 5000;      // milliseconds
constexpr UINT_PTR kToolId = 1;
constexpr wchar_t kTitle[] = L"Unacceptable character";

// comctl32 is a system library on every Windows; it is loaded once, at the
// first refusal of the process, and stays loaded: its tooltip class lives
// with it. The tooltip class is registered by InitCommonControlsEx.
bool LoadTooltipClass() {
    static const bool loaded = [] {
        HMODULE comctl = LoadLibraryW(L"comctl32.dll");
        if (!comctl)
            return false;
        auto init = reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
            reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        return init && init(&controls);
    }();
    return loaded;
}

bool IsHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The UTF-16 units of the character starting at text[i]: two for a whole pair.
size_t UnitsAt(const wchar_t* text, size_t length, size_t i) {
    return IsHighSurrogate(text[i]) && i + 1 < length && IsLowSurrogate(text[i + 1]) ? 2 : 1;
}

// Where the first character the code page cannot hold starts; length if
// there is none. A block is converted whole first, so a long text costs one
// conversion a block, and one a character only in the block that fails.
size_t FirstRefused(const Encoding& encoding, const wchar_t* text, size_t length) {
    constexpr size_t kBlock = 256;
    std::string bytes;
    for (size_t start = 0; start < length;) {
        size_t end = std::min(length, start + kBlock);
        if (end < length && IsHighSurrogate(text[end - 1]))
            ++end; // a pair stays whole
        if (!FromUtf16(encoding, text + start, end - start, bytes)) {
            for (size_t i = start; i < end; i += UnitsAt(text, end, i))
                if (!FromUtf16(encoding, text + i, UnitsAt(text, end, i), bytes))
                    return i;
        }
        start = end;
    }
    return length;
}

// Appends value in base 10 or 16, with at least minDigits digits.
void AppendNumber(std::wstring& out, unsigned value, unsigned base, int minDigits) {
    wchar_t digits[12];
    int count = 0;
    do {
        digits[count++] = L"0123456789ABCDEF"[value % base];
        value /= base;
    } while (value || count < minDigits);
    while (count)
        out += digits[--count];
}

// "U+4E2D 中": the code point, then the character itself unless it is a
// control character or half a pair, which would show as nothing or a box.
std::wstring CharacterName(const wchar_t* units, size_t count) {
    char32_t code = units[0];
    if (count == 2)
        code = 0x10000 + ((units[0] - 0xD800) << 10) + (units[1] - 0xDC00);
    std::wstring name = L"U+";
    AppendNumber(name, static_cast<unsigned>(code), 16, 4);
    bool visible = code >= 0xA0 && !(code >= 0xD800 && code <= 0xDFFF);
    if (visible) {
        name += L' ';
        name.append(units, count);
    }
    return name;
}

// The balloon's text: what was refused, the character, the code page.
std::wstring RefusalText(const EditorWindow& w, Refused what, const wchar_t* text, size_t length) {
    size_t at = FirstRefused(w.core.CurrentEncoding(), text, length);
    std::wstring codePage = L"code page ";
    AppendNumber(codePage, static_cast<unsigned>(w.core.CurrentEncoding().CodePage()), 10, 1);
    std::wstring character =
        at < length ? CharacterName(text + at, UnitsAt(text, length, at)) : L"a character";
    std::wstring message;
    if (what == Refused::Typed)
        message = character + L" cannot be typed here: it is not in " + codePage;
    else
        message = (what == Refused::Pasted ? L"Nothing was pasted: the text holds "
                                           : L"Nothing was entered: the input holds ") +
                  character + L", which is not in " + codePage;
    return message + L", the document's code page.";
}

// The one tool of the balloon: placed by hand (tracked) at absolute
// coordinates. The size of its second version suits comctl32 5 and 6 alike.
TOOLINFOW Tool(EditorWindow& w, wchar_t* text) {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = w.hwnd;
    tool.uId = kToolId;
    tool.lpszText = text;
    return tool;
}

// The window's balloon, made on first use; null if comctl32 cannot make it.
// It is a pop-up owned by the editor's top-level window, so it shows above
// it, and goes with that window: one made for a window since destroyed is
// made anew.
HWND Balloon(EditorWindow& w) {
    if (!IsWindow(w.refusal.window.Get()))
        w.refusal.window.Reset();
    if (w.refusal.window.Get() || !LoadTooltipClass())
        return w.refusal.window.Get();
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(w.hwnd, GWLP_HINSTANCE));
    w.refusal.window.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                           WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_BALLOON, 0,
                                           0, 0, 0, w.hwnd, nullptr, instance, nullptr));
    HWND balloon = w.refusal.window.Get();
    if (balloon) {
        SendMessageW(balloon, TTM_SETTITLEW, TTI_ERROR, reinterpret_cast<LPARAM>(kTitle));
        SendMessageW(balloon, TTM_SETMAXTIPWIDTH, 0, MulDiv(300, w.view.metrics.dpi, 96));
    }
    return balloon;
}

void HideRefusal(EditorWindow& w) {
    if (!w.refusal.shown)
        return;
    w.refusal.shown = false;
    KillTimer(w.hwnd, kRefusalTimer);
    TOOLINFOW tool = Tool(w, nullptr);
    SendMessageW(w.refusal.window.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

// The balloon's time is up. The timer calls this directly, not through the
// window procedure.
void CALLBACK HideRefusalOnTimer(HWND hwnd, UINT, UINT_PTR, DWORD) {
    if (EditorWindow* w = EditorFromHandle(hwnd))
        HideRefusal(*w);
}

} // namespace

// Beeps, and shows the balloon with its stem at the foot of the caret (kept
// inside the window when the caret is scrolled away), replacing any shown.
void ShowRefusal(EditorWindow& w, Refused what, const wchar_t* text, size_t length) {
    MessageBeep(MB_OK);
    HideRefusal(w);
    HWND balloon = Balloon(w);
    if (!balloon)
        return;
    std::wstring message = RefusalText(w, what, text, length);
    TOOLINFOW tool = Tool(w, message.data());
    SendMessageW(balloon, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!SendMessageW(balloon, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
        return;
    RECT client{};
    GetClientRect(w.hwnd, &client);
    POINT foot = PointFromPosition(w.view, w.core.Caret());
    foot.x = std::clamp<LONG>(foot.x, 0, std::max<LONG>(client.right - 1, 0));
    foot.y = std::clamp<LONG>(foot.y + w.view.lineHeight, 0, std::max<LONG>(client.bottom - 1, 0));
    ClientToScreen(w.hwnd, &foot);
    SendMessageW(balloon, TTM_TRACKPOSITION, 0, MAKELPARAM(foot.x, foot.y));
    SendMessageW(balloon, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(w.hwnd, kRefusalTimer, kShownFor, HideRefusalOnTimer);
    w.refusal.shown = true;
}

// A key, a click or the loss of the focus ends the balloon; a key that is
// refused again shows it anew after this.
void DismissRefusal(EditorWindow& w, UINT message) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_KILLFOCUS: HideRefusal(w); break;
    }
}

} // namespace kalmor
