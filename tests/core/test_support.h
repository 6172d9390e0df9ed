// Helpers shared by the core's tests, its fuzzer and its benchmark: sending
// requests the way the program does and the lexer configuration they use.
#pragma once
#include "component/core/editor_core.h"
#include "editor/demo_text.h"
#include "kalmor.h"

#include <cstdint>

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

} // namespace kalmor_test
