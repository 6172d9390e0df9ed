// The keyboard: caret keys, editing keys and shortcuts on key-down, and the
// characters typed, in UTF-16, converted to the document's code page.
#include "component/window/editor_window.h"

namespace kalmor {

namespace {

// A typed character, Enter or Tab replaces the selection; Backspace deletes
// it, or the character before the caret. A character the code page lacks
// is refused with a beep. What was typed is owed an SCN_CHARADDED once it is
// in the document.
void TypeCharacter(EditorWindow& w, char32_t code) {
    std::string bytes;
    if (code == '\r') {
        TypeLineEnd(w);
    } else if (code == '\b') {
        w.core.DeleteBack();
    } else if (code == '\t' || (code >= ' ' && code != 0x7F && code <= 0x10FFFF &&
                                !(code >= 0xD800 && code <= 0xDFFF))) {
        if (code < 0x80) // the same byte in every code page the editor knows
            bytes = static_cast<char>(code);
        else if (!FromCodePoint(w.core.CurrentEncoding(), code, bytes)) {
            wchar_t units[2];
            ShowRefusal(w, Refused::Typed, units, static_cast<size_t>(EncodeUtf16(code, units)));
            return;
        }
        unsigned version = w.core.TextVersion();
        w.core.InsertAtCaret(bytes);
        if (w.core.TextVersion() != version)
            NoteTyped(w, bytes, SC_CHARACTERSOURCE_DIRECT_INPUT);
    }
}

// Takes the characters TranslateMessage queued for the key being handled
// (WM_CHAR and WM_DEADCHAR for this window: two for a dead key that does not
// combine, for a layout's ligature or a pair of surrogates) and sends them
// on as Unicode messages, so a host's subclass still sees them; with drop
// they are thrown away. Answers how many it took.
// They are taken here because this is the last moment they are UTF-16:
// TranslateMessage queues them so, and a host that reads its queue with
// GetMessageA, as the example must, gets them converted to its ANSI code
// page, with best fit (Omega becomes 'O', a Chinese character '?', an emoji
// "??"); DispatchMessageA to our Unicode window then only converts those
// back. Read with PeekMessageW while the key-down is dispatched, after
// TranslateMessage and before the next GetMessageA, they reach the editor
// untouched, and one the code page cannot hold is refused. In a Unicode
// host nothing changes; a host that never calls TranslateMessage queues none.
int TakeQueuedCharacters(HWND hwnd, bool drop) {
    MSG typed[8];
    int count = 0;
    while (count < 8 && PeekMessageW(&typed[count], hwnd, WM_CHAR, WM_DEADCHAR, PM_REMOVE))
        ++count;
    for (int i = 0; i < count && !drop; ++i) // the window may be gone after any of them
        SendMessageW(hwnd, typed[i].message, typed[i].wParam, typed[i].lParam);
    return count;
}

} // namespace

// Each character of bytes (in the document's code page) is owed an
// SCN_CHARADDED: in UTF-8 its code point, in a double-byte code page lead
// byte * 256 + trail byte, else the byte.
void NoteTyped(EditorWindow& w, const std::string& bytes, int source) {
    const Encoding& encoding = w.core.CurrentEncoding();
    const unsigned char* text = reinterpret_cast<const unsigned char*>(bytes.data());
    int length = static_cast<int>(bytes.size());
    for (int i = 0; i < length;) {
        int size = std::max(1, encoding.CharacterLength(text + i, length - i));
        int ch = text[i];
        if (encoding.Set() == CharacterSet::Utf8 && size > 1)
            ch = static_cast<int>(DecodeUtf8(text + i, size));
        else if (size == 2)
            ch = text[i] * 256 + text[i + 1];
        w.host.typed.push_back(TypedCharacter{ch, source});
        i += size;
    }
}

namespace {

// A key bound to a command runs it (docs/component.md lists the bindings):
// answers whether it did. Backspace, Tab, Enter and Escape make control
// characters, which are not typed after their key-down, bound or not; a
// bound Control+letter's is not typed either (Ctrl+H would be a Backspace).
bool KeyDownAction(EditorWindow& w, WPARAM key, bool alt) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    int modifiers = (shift ? SCMOD_SHIFT : 0) | (control ? SCMOD_CTRL : 0) | (alt ? SCMOD_ALT : 0);
    bool controlCharacter = key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE;
    w.keys.keyDone = controlCharacter;
    unsigned command = BoundCommand(w.keys, KeyDefinition(key, modifiers));
    if (command == 0)
        return false;
    RunKeyCommand(w, command);
    w.keys.keyDone = controlCharacter || (control && key >= 'A' && key <= 'Z');
    return true;
}

// The caret and page keys, Insert, Delete and the function keys: no layout
// makes a character of them, so none is queued.
bool MakesNoCharacter(WPARAM key) {
    return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE ||
           (key >= VK_F1 && key <= VK_F24);
}

} // namespace

// A key whose work is done here types nothing: the character the keyboard
// makes of it (Control with the keypad's + under Wine types "+") is thrown
// away. Any other key's characters are typed now, as UTF-16. A key that
// makes none is not looked for: under Wine each look at the queue is a
// round trip to the display server, longer than moving 100 carets.
bool OnKeyDown(EditorWindow& w, WPARAM key) {
    // AltGr is Control and Alt: unless a host binds such a key, its characters are text.
    bool done = KeyDownAction(w, key, GetKeyState(VK_MENU) < 0);
    if (done && MakesNoCharacter(key))
        return true;
    if (!done)
        TakeQueuedCharacters(w.hwnd, false); // w may be gone after this
    else if (TakeQueuedCharacters(w.hwnd, true) > 0)
        w.keys.keyDone = false; // its character is gone already
    return done;
}

// Keys with Alt: Alt+Backspace undoes, as in every Windows edit control.
// One bound to nothing goes on to the system, for the menu.
bool OnSysKeyDown(EditorWindow& w, WPARAM key) {
    return KeyDownAction(w, key, true);
}

// A character typed by its code, Alt with the keypad's digits, is queued
// at Alt's release: it is taken as UTF-16 then.
void OnKeyUp(EditorWindow& w, WPARAM key) {
    if (key == VK_MENU)
        TakeQueuedCharacters(w.hwnd, false);
}

// WM_CHAR and WM_IME_CHAR bring UTF-16 units: a character outside the
// Basic Multilingual Plane comes as two, and is typed once both are here.
// A lone half is dropped.
void OnChar(EditorWindow& w, WPARAM unit) {
    bool keyDone = w.keys.keyDone;
    w.keys.keyDone = false;
    wchar_t high = w.keys.highSurrogate;
    w.keys.highSurrogate = 0;
    if (keyDone && (unit < 0x20 || unit == 0x7F))
        return;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        w.keys.highSurrogate = static_cast<wchar_t>(unit);
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (high)
            TypeCharacter(w, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        return;
    }
    TypeCharacter(w, static_cast<char32_t>(unit));
}

// A character in UTF-32. TRUE for UNICODE_NOCHAR tells the sender that such
// characters are welcome.
LRESULT OnUniChar(EditorWindow& w, WPARAM code) {
    if (code == UNICODE_NOCHAR)
        return TRUE;
    TypeCharacter(w, static_cast<char32_t>(code));
    return FALSE;
}

} // namespace kalmor
