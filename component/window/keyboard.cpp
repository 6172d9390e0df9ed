// The keyboard: caret keys, editing keys and shortcuts on key-down, and the
// characters typed, in UTF-16, converted to the document's code page.
#include "component/window/editor_window.h"
#include "component/core/words.h"

namespace kalmor {

namespace {

// A typed character, Enter or Tab replaces the selection; Backspace deletes
// it, or the character before the caret. A character the code page lacks
// is refused with a beep. What was typed is owed an SCN_CHARADDED once it is
// in the document.
void TypeCharacter(EditorWindow& w, char32_t code) {
    std::string bytes;
    if (code == '\r') {
        unsigned version = w.core.TextVersion();
        w.core.InsertLineEnd();
        if (w.core.TextVersion() != version)
            NoteTyped(w, w.core.LineEndText(), SC_CHARACTERSOURCE_DIRECT_INPUT);
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
    } else {
        return;
    }
    AfterEdit(w);
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

// Caret keys (Shift extends the selection, Control moves by words or to the
// ends), the editing keys and the clipboard and undo shortcuts: answers
// whether the key's work was done. Other keys arrive as WM_CHAR or are not ours.
bool KeyDownAction(EditorWindow& w, WPARAM key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    bool alt = GetKeyState(VK_MENU) < 0; // AltGr is Control and Alt: its characters are text
    bool selected = !w.core.SelectionEmpty();
    int caret = w.core.Caret();
    int line = w.core.LineFromPosition(caret);
    w.keys.keyDone = false;
    switch (key) {
    case VK_LEFT:
        if (control)
            MoveCaret(w, PreviousWordStart(w.core, caret), shift);
        else if (selected && !shift)
            MoveCaret(w, w.core.SelectionStart(), false);
        else
            MoveCaret(w, w.core.PositionLeft(caret), shift);
        return true;
    case VK_RIGHT:
        if (control)
            MoveCaret(w, NextWordStart(w.core, caret), shift);
        else if (selected && !shift)
            MoveCaret(w, w.core.SelectionEnd(), false);
        else
            MoveCaret(w, w.core.PositionRight(caret), shift);
        return true;
    case VK_UP: MoveCaretByLines(w, -1, shift); return true;
    case VK_DOWN: MoveCaretByLines(w, 1, shift); return true;
    case VK_PRIOR:
        ScrollTo(w, w.core.FirstVisibleLine() - LinesOnScreen(w.view), w.view.xOffset);
        MoveCaretByLines(w, -LinesOnScreen(w.view), shift);
        return true;
    case VK_NEXT:
        ScrollTo(w, w.core.FirstVisibleLine() + LinesOnScreen(w.view), w.view.xOffset);
        MoveCaretByLines(w, LinesOnScreen(w.view), shift);
        return true;
    case VK_HOME: MoveCaret(w, control ? 0 : w.core.LineStart(line), shift); return true;
    case VK_END: MoveCaret(w, control ? w.core.Length() : w.core.LineEnd(line), shift); return true;
    case VK_DELETE:
        if (shift && selected) {
            Cut(w);
            return true;
        }
        if (control)
            w.core.DeleteWordForward();
        else
            w.core.DeleteForward();
        AfterEdit(w);
        return true;
    case VK_BACK:
        if (!control || alt)
            return false; // Backspace arrives as WM_CHAR
        w.core.DeleteWordBack();
        w.keys.keyDone = true;
        AfterEdit(w);
        return true;
    case VK_TAB:
        if (control || alt)
            return false;
        if (shift)
            w.core.BackTab();
        else
            w.core.Tab();
        w.keys.keyDone = true;
        AfterEdit(w);
        return true;
    case VK_INSERT:
        if (control && !shift)
            Copy(w);
        else if (shift && !control)
            Paste(w);
        else if (!control && !shift)
            SetOvertype(w, !w.core.Overtype());
        return true;
    case VK_ESCAPE:
        if (!w.mouse.movingText)
            return false;
        EndDrag(w);
        return true;
    }
    if (!control || alt)
        return false;
    switch (key) {
    case 'A': Select(w, 0, w.core.Length()); return true;
    case 'C': Copy(w); return true;
    case 'X': Cut(w); return true;
    case 'V': Paste(w); return true;
    case 'Z':
        if (shift)
            Redo(w);
        else
            Undo(w);
        return true;
    case 'Y': Redo(w); return true;
    case VK_ADD:
    case VK_OEM_PLUS: ZoomTo(w, w.core.Zoom() + 1); return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: ZoomTo(w, w.core.Zoom() - 1); return true;
    case '0':
    case VK_NUMPAD0: ZoomTo(w, 0); return true;
    default: return false;
    }
}

} // namespace

// A key whose work is done here types nothing: the character the keyboard
// makes of it (Control with the keypad's + under Wine types "+") is thrown
// away. Any other key's characters are typed now, as UTF-16.
bool OnKeyDown(EditorWindow& w, WPARAM key) {
    bool done = KeyDownAction(w, key);
    if (!done)
        TakeQueuedCharacters(w.hwnd, false); // w may be gone after this
    else if (TakeQueuedCharacters(w.hwnd, true) > 0)
        w.keys.keyDone = false; // its character is gone already
    return done;
}

// Alt+Backspace undoes, as in every Windows edit control.
bool OnSysKeyDown(EditorWindow& w, WPARAM key) {
    if (key != VK_BACK)
        return false;
    Undo(w);
    return true;
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
