// The clipboard's CF_TEXT, with the line ends converted both ways: Windows
// programs read CR LF, and pasted text takes the document's own line end.
#include "component/editor_window.h"
#include <cstring>

namespace kalmor {

// Every CR LF, lone CR and lone LF of text becomes lineEnd.
std::string ConvertLineEnds(const std::string& text, const std::string& lineEnd) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            converted += lineEnd;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            converted += c;
        }
    }
    return converted;
}

// Puts text on the clipboard as CF_TEXT. Fails, changing nothing, when the
// clipboard cannot be opened or the memory not had.
bool WriteClipboardText(HWND owner, const std::string& text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory)
        return false;
    {
        GlobalLocked locked(memory);
        if (!locked.Get()) {
            GlobalFree(memory);
            return false;
        }
        std::memcpy(locked.Get(), text.c_str(), text.size() + 1);
    }
    OpenedClipboard clipboard(owner);
    if (!clipboard.Ok() || !EmptyClipboard() || !SetClipboardData(CF_TEXT, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true; // the clipboard owns the memory now
}

// Reads the clipboard's CF_TEXT up to its NUL; false when there is none.
bool ReadClipboardText(HWND owner, std::string& text) {
    if (!IsClipboardFormatAvailable(CF_TEXT))
        return false;
    OpenedClipboard clipboard(owner);
    if (!clipboard.Ok())
        return false;
    GlobalLocked locked(GetClipboardData(CF_TEXT));
    if (!locked.Get())
        return false;
    const char* data = locked.Get();
    text.assign(data, strnlen(data, locked.Size()));
    return true;
}

} // namespace kalmor
