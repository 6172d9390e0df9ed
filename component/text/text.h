// The document's text as the system speaks it: its bytes in the code page
// in force to and from UTF-16, and the clipboard's text. No window state:
// the window, the input methods and the accessibility objects all use these.
#pragma once
#include <windows.h>
#include <string>
#include "component/core/case_folding.h"
#include "component/core/editor_core.h"

namespace kalmor {

// clipboard.cpp: CF_UNICODETEXT (and CF_TEXT for old readers) in and out.
std::string ConvertLineEnds(const std::string& text, const std::string& lineEnd);
// A rectangular copy is marked with the "MSDEVColumnSelect" format, so a
// paste into an editor that knows it fills a column again.
bool WriteClipboardText(HWND owner, const std::wstring& text, bool rectangular = false);
bool ReadClipboardText(HWND owner, std::wstring& text);
bool ClipboardHoldsRectangle();
bool ClipboardHasText();

// unicode.cpp: an invalid UTF-8 byte becomes U+FFFD; FromUtf16 fails,
// leaving bytes unusable, when the code page lacks a character of the text,
// and turns a lone surrogate into U+FFFD in UTF-8.
std::wstring ToUtf16(const Encoding& encoding, const std::string& bytes);
bool FromUtf16(const Encoding& encoding, const wchar_t* text, size_t length, std::string& bytes);
bool FromCodePoint(const Encoding& encoding, char32_t value, std::string& bytes);
int EncodeUtf16(char32_t value, wchar_t units[2]); // answers how many units it wrote
// The text in upper or lower case, character by character; what cannot
// change case stays as it is.
std::string ChangeCase(const Encoding& encoding, const std::string& bytes, bool upper);
// The case folding of a code page other than UTF-8, for searches.
CodePageFolding FoldingOf(int codePage);

} // namespace kalmor
