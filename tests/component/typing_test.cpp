// Keys typed through the system's real keyboard path into an ANSI host: a
// message loop of GetMessageA, TranslateMessage and DispatchMessageA, as the
// example's. The keys are made with SendInput: KEYEVENTF_UNICODE gives a
// VK_PACKET key-down whose TranslateMessage queues the UTF-16 unit as a
// WM_CHAR, under Wine as on Windows, whatever the keyboard layout (keybd_event
// would need a layout holding the character, and Wine's layouts follow the X
// keyboard, which has no key for a Chinese character or an emoji).
#include "tests/component/editor_fixture.h"
#include <commctrl.h>
#include <sstream>
#include <tuple>

namespace {

using TypingTest = EditorTest;

// A key's press or release: a virtual key, or a UTF-16 unit.
INPUT Input(WORD key, WORD unit, DWORD up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki = KEYBDINPUT{key, unit, up | (unit ? KEYEVENTF_UNICODE : 0u), 0, 0};
    return input;
}
// A press and release of each UTF-16 unit of a text.
std::vector<INPUT> Typed(const wchar_t* text) {
    std::vector<INPUT> keys;
    for (; *text; ++text)
        keys.insert(keys.end(), {Input(0, *text, 0), Input(0, *text, KEYEVENTF_KEYUP)});
    return keys;
}
// The keys pressed in order, then released in the reverse order.
std::vector<INPUT> Chord(std::vector<WORD> held) {
    std::vector<INPUT> keys;
    for (size_t n = 0, count = held.size(); n < 2 * count; ++n)
        keys.push_back(n < count ? Input(held[n], 0, 0)
                                 : Input(held[2 * count - 1 - n], 0, KEYEVENTF_KEYUP));
    return keys;
}

// Sends the keys and runs the ANSI loop until every key's release was
// dispatched and nothing more is queued, for at most two seconds; answers
// the keyboard messages seen, or says it timed out.
std::string PressInAnsiHost(std::vector<INPUT> keys) {
    long releases = static_cast<long>(keys.size() / 2); // each key is pressed and released
    if (SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)) != keys.size())
        return "SendInput failed";
    UINT_PTR limit = SetTimer(nullptr, 0, 2000, nullptr);
    std::ostringstream seen;
    MSG msg;
    while ((releases > 0 || PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) &&
           GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == limit) {
            seen << " timed out";
            break;
        }
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
            seen << std::hex << std::uppercase << " " << msg.message << ":" << msg.wParam;
        releases -= msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    KillTimer(nullptr, limit);
    return seen.str();
}

BOOL CALLBACK KeepTooltip(HWND hwnd, LPARAM found) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (std::wstring(name) == TOOLTIPS_CLASSW)
        *reinterpret_cast<HWND*>(found) = hwnd;
    return TRUE;
}

// The text of the thread's visible balloon; empty if none shows. (Its title
// cannot be read back from comctl32 5, which a program without a manifest gets.)
std::wstring Balloon() {
    HWND balloon = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), KeepTooltip, Pointer(&balloon));
    if (!balloon || !IsWindowVisible(balloon))
        return L"";
    wchar_t text[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.lpszText = text;
    SendMessageW(balloon, TTM_ENUMTOOLSW, 0, Pointer(&tool));
    SendMessageW(balloon, TTM_GETTEXTW, 256, Pointer(&tool));
    return text;
}

// Each row: a code page, the clipboard's text (or none), the keys, and then
// the document's bytes, the zoom and the balloon's text (empty: none shows).
// In the ANSI host (code page 1252) a character outside the document's code
// page is refused and named, not typed as '?' or a look-alike; one inside it
// arrives once; Control with the keypad's + or - zooms and types nothing.
TEST_F(TypingTest, AnsiHostTypesTheRealCharacterOrRefusesIt) {
    SetForegroundWindow(parent);
    SetFocus(editor);
    ASSERT_EQ(GetForegroundWindow(), parent) << "the keys go to the foreground window";
    auto refused = [](const wchar_t* character, const wchar_t* codePage) {
        return std::wstring(character) + L" cannot be typed here: it is not in code page " +
               codePage + L", the document's code page.";
    };
    const struct {
        int codePage;
        const wchar_t* clipboard;
        std::vector<INPUT> keys;
        const char* text;
        int zoom;
        std::wstring balloon;
    } rows[] = {
        {0, nullptr, Typed(L"\x4E2D"), "", 0, refused(L"U+4E2D \x4E2D", L"1252")},
        {0, nullptr, Typed(L"\xD83D\xDE00"), "", 0, refused(L"U+1F600 \xD83D\xDE00", L"1252")},
        {0, nullptr, Typed(L"\xE9\x20AC"), "\xE9\x80", 0, L""},
        {932, nullptr, Typed(L"\x4E2D\xE4"), "\x92\x86", 0, refused(L"U+00E4 \xE4", L"932")},
        {65001, nullptr, Typed(L"\xD83D\xDE00\x3A9"), "\xF0\x9F\x98\x80\xCE\xA9", 0, L""},
        {0, L"caf\xE9 \x3A9", Chord({VK_CONTROL, 'V'}), "", 0,
         L"Nothing was pasted: the text holds U+03A9 \x3A9, which is not in code page 1252, the "
         L"document's code page."},
        {0, nullptr, Chord({VK_CONTROL, VK_ADD}), "", 1, L""},
        {0, nullptr, Chord({VK_CONTROL, VK_SUBTRACT}), "", -1, L""},
        {0, nullptr, Chord({VK_ADD}), "+", 0, L""},
    };
    for (const auto& row : rows) {
        Call(SCI_SETTEXT, 0, Pointer(""));
        Call(SCI_SETCODEPAGE, row.codePage);
        Call(SCI_SETZOOM, 0);
        if (row.clipboard)
            Clipboard(parent, row.clipboard);
        std::string seen = PressInAnsiHost(row.keys);
        EXPECT_EQ(std::tuple(Text(), Call(SCI_GETZOOM), Balloon()),
                  std::tuple(std::string(row.text), LRESULT{row.zoom}, row.balloon))
            << "row " << &row - rows << ", keys" << seen;
    }
}

} // namespace
