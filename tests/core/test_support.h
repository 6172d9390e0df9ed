// Helpers shared by the core's tests, its fuzzer and its benchmark: sending
// requests the way the program does and the lexer configuration they use.
#pragma once
#include "component/core/editor_core.h"
#include "editor/demo_text.h"
#include "kalmor.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace kalmor_test {

using namespace kalmor;

inline intptr_t Send(EditorCore& core, unsigned message, intptr_t wParam = 0, intptr_t lParam = 0) {
    return core.Dispatch(message, static_cast<uintptr_t>(wParam), lParam);
}

inline intptr_t Pointer(const void* text) {
    return reinterpret_cast<intptr_t>(text);
}

// Test data, not the program's setup (that runs on the real component in the
// Windows tests): the BASIC lexer with the listing's keywords, folding on.
inline void ConfigureLexer(EditorCore& core) {
    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("1"));
    Send(core, SCI_SETKEYWORDS, 0, Pointer(KEYWORD_LIST));
    Send(core, SCI_SETLEXER, SCLEX_BASIC);
}

// A core with that lexer, holding text.
struct BasicCore : EditorCore {
    explicit BasicCore(const std::string& text = "") {
        ConfigureLexer(*this);
        SetText(text);
    }
};

// Where a core's styles or fold levels first differ from another's (Relex: a
// fresh lexing of its text by that lexer), or "" when they agree.
inline std::string LexingDiffers(const EditorCore& core, const EditorCore& fresh) {
    std::string got = core.StyleRange(0, core.Length()), want = fresh.StyleRange(0, fresh.Length());
    auto differ = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first;
    if (got != want)
        return "style at " + std::to_string(differ - got.begin());
    for (int line = 0; line < core.LineCount(); ++line)
        if (core.FoldLevel(line) != fresh.FoldLevel(line))
            return "fold level of line " + std::to_string(line);
    return "";
}
inline std::string RelexDiffers(const EditorCore& core) {
    return LexingDiffers(core, BasicCore(core.Text()));
}

inline std::string Repeat(const std::string& piece, int times) {
    std::string text;
    while (times-- > 0)
        text += piece;
    return text;
}

} // namespace kalmor_test
