// The clipboard's text, with the line ends converted both ways: Windows
// programs read CR LF, and pasted text takes the document's own line end.
#include "component/text/text.h"
#include "component/gdi.h"
#include <algorithm>
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

namespace {

// A movable global block holding size bytes copied from data.
HGLOBAL GlobalCopy(const void* data, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return nullptr;
    GlobalLocked locked(memory);
    if (!locked.Get()) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked.Get(), data, size);
    return memory;
}

} // namespace

// Puts text on the clipboard as CF_UNICODETEXT, and in the ANSI code page as
// CF_TEXT for programs that read only that. Fails, changing nothing, when the
// clipboard cannot be opened or the memory not had.
UINT ColumnFormat() {
    return RegisterClipboardFormatW(L"MSDEVColumnSelect");
}

bool WriteClipboardText(HWND owner, const std::wstring& text, bool rectangular) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size() + 1),
                                   nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size() + 1), ansi.data(),
                        size, nullptr, nullptr);
    HGLOBAL wide = GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    HGLOBAL narrow = GlobalCopy(ansi.data(), ansi.size());
    OpenedClipboard clipboard(owner);
    if (!wide || !narrow || !clipboard.Ok() || !EmptyClipboard() ||
        !SetClipboardData(CF_UNICODETEXT, wide)) {
        GlobalFree(wide);
        GlobalFree(narrow);
        return false;
    }
    if (!SetClipboardData(CF_TEXT, narrow))
        GlobalFree(narrow);
    if (rectangular) {
        HGLOBAL mark = GlobalCopy("", 1);
        if (mark && !SetClipboardData(ColumnFormat(), mark))
            GlobalFree(mark);
    }
    return true; // the clipboard owns the memory now
}

bool ClipboardHoldsRectangle() {
    return IsClipboardFormatAvailable(ColumnFormat()) != FALSE;
}

bool ClipboardHasText() {
    return IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
}

// Reads the clipboard's text up to its NUL as CF_UNICODETEXT, which the
// system makes from CF_TEXT when a program put only that; false when there is none.
bool ReadClipboardText(HWND owner, std::wstring& text) {
    if (!ClipboardHasText())
        return false;
    OpenedClipboard clipboard(owner);
    if (!clipboard.Ok())
        return false;
    GlobalLocked locked(GetClipboardData(CF_UNICODETEXT));
    if (!locked.Get())
        return false;
    auto data = reinterpret_cast<const wchar_t*>(locked.Get());
    text.assign(data, wcsnlen(data, locked.Size() / sizeof(wchar_t)));
    return true;
}

} // namespace kalmor
