// Helpers shared by the core's tests: sending requests the way the program
// does and configuring an editor exactly as the program configures it.
#pragma once
#include "component/core/editor_core.h"
#include "editor/demo_text.h"
#include "editor/requests.h"

#include <cstdint>
#include <string>

namespace kalmor_test {

inline intptr_t Send(kalmor::EditorCore& core, unsigned message, intptr_t wParam = 0,
                     intptr_t lParam = 0) {
    return core.Dispatch(message, static_cast<uintptr_t>(wParam), lParam);
}

inline intptr_t Pointer(const void* text) {
    return reinterpret_cast<intptr_t>(text);
}

// The program's setup up to, but not including, the text.
inline void ConfigureLexer(kalmor::EditorCore& core) {
    Send(core, SCI_STYLESETFONT, STYLE_DEFAULT, Pointer("Courier New"));
    Send(core, SCI_STYLESETSIZE, STYLE_DEFAULT, 9);
    Send(core, SCI_STYLESETBOLD, STYLE_DEFAULT, 0);
    Send(core, SCI_STYLESETITALIC, STYLE_DEFAULT, 0);
    Send(core, SCI_STYLECLEARALL);
    Send(core, SCI_STYLESETFONT, STYLE_LINENUMBER, Pointer("Arial"));
    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("1"));
    Send(core, SCI_SETMARGINTYPEN, 1, SC_MARGIN_NUMBER);
    Send(core, SCI_SETMARGINMASKN, 1, 0);
    Send(core, SCI_SETMARGINSENSITIVEN, 1, 1);
    Send(core, SCI_SETMARGINWIDTHN, 1, 40);
    Send(core, SCI_SETLEXER, SCLEX_BASIC);
    Send(core, SCI_SETKEYWORDS, 0, Pointer(KEYWORD_LIST));
    const int colours[][2] = {{0, 0x000000},  {1, 0x808080},  {2, 0x000080},
                              {13, 0x800080}, {3, 0xFF0000},  {4, 0x008000},
                              {6, 0x000000},  {14, 0x004080}, {7, 0x000000}};
    for (const auto& entry : colours) {
        Send(core, SCI_STYLESETFORE, entry[0], entry[1]);
    }
}

// The whole setup, ending with the demo listing inserted at 0.
inline void ConfigureLikeProgram(kalmor::EditorCore& core) {
    ConfigureLexer(core);
    Send(core, SCI_INSERTTEXT, 0, Pointer(DEMO_LISTING));
}

// The program's "toggle all subs below": toggles the sub holding line, then
// gives every header from line on the header's new expanded flag.
inline void ToggleSubsBelow(kalmor::EditorCore& core, int line) {
    int header = static_cast<int>(Send(core, SCI_GETFOLDLEVEL, line)) & SC_FOLDLEVELHEADERFLAG
                     ? line
                     : static_cast<int>(Send(core, SCI_GETFOLDPARENT, line));
    Send(core, SCI_TOGGLEFOLD, header);
    Send(core, SCI_GOTOLINE, header);
    intptr_t target = Send(core, SCI_GETFOLDEXPANDED, header);
    intptr_t count = Send(core, SCI_GETLINECOUNT);
    for (intptr_t i = line; i < count; ++i) {
        if ((Send(core, SCI_GETFOLDLEVEL, i) & SC_FOLDLEVELHEADERFLAG) != 0 &&
            Send(core, SCI_GETFOLDEXPANDED, i) != target) {
            Send(core, SCI_TOGGLEFOLD, i);
        }
    }
}

// Whether line is hidden by the fold rules alone: some contracted header
// above it has it among its children.
inline bool HiddenByRule(const kalmor::EditorCore& core, int line) {
    for (int header = 0; header < line; ++header) {
        if (core.IsHeader(header) && !core.Expanded(header) && core.LastChild(header) >= line) {
            return true;
        }
    }
    return false;
}

} // namespace kalmor_test
