// Helpers shared by the core's tests, its fuzzer and its benchmark: sending
// requests the way the program does, configuring the BASIC lexer, and
// checking the core's invariants.
#pragma once
#include "component/core/editor_core.h"
#include "editor/demo_text.h"
#include "kalmor.h"

#include <algorithm>
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

// The BASIC lexer with the listing's keywords and folding on: what the core
// is tested with. The program's whole setup is tested on the real component.
inline void ConfigureLexer(kalmor::EditorCore& core) {
    Send(core, SCI_SETPROPERTY, Pointer("fold"), Pointer("1"));
    Send(core, SCI_SETKEYWORDS, 0, Pointer(KEYWORD_LIST));
    Send(core, SCI_SETLEXER, SCLEX_BASIC);
}

// The lexer as above, then the demo listing inserted at 0.
inline void ConfigureWithListing(kalmor::EditorCore& core) {
    ConfigureLexer(core);
    Send(core, SCI_INSERTTEXT, 0, Pointer(DEMO_LISTING));
}

// One character per line: its depth below the base level as a digit, or as
// a letter on a header (A at the base level); '?' for any other level.
inline std::string Shape(const kalmor::EditorCore& core) {
    std::string shape;
    for (int line = 0; line < core.LineCount(); ++line) {
        int level = core.FoldLevel(line);
        int depth = (level & ~SC_FOLDLEVELHEADERFLAG) - SC_FOLDLEVELBASE;
        char first = level & SC_FOLDLEVELHEADERFLAG ? 'A' : '0';
        shape += depth < 0 || depth > 9 ? '?' : static_cast<char>(first + depth);
    }
    return shape;
}

// The first broken invariant, or "" if all hold: the line index, a caret
// and anchor inside the document and never inside a CRLF, the caret on a
// visible line, only headers contracted, a
// line hidden exactly when a contracted header above has it among its
// children, and display lines that agree with that.
inline std::string Fault(const kalmor::EditorCore& core) {
    int count = core.LineCount();
    for (int pos : {core.Caret(), core.Anchor()}) {
        if (pos < 0 || pos > core.Length() ||
            (core.CharAt(pos - 1) == '\r' && core.CharAt(pos) == '\n')) {
            return "caret or anchor";
        }
    }
    if (count < 1 || core.LineStart(0) != 0 || core.LineStart(count) != core.Length() ||
        !core.LineVisible(core.LineFromPosition(core.Caret()))) {
        return "line index ends or caret hidden";
    }
    int visible = 0;
    int hiddenUntil = -1; // the last line held by a contracted header so far
    for (int line = 0; line < count; ++line) {
        bool shown = core.LineVisible(line);
        visible += shown ? 1 : 0;
        if (core.LineStart(line) > core.LineEnd(line) ||
            core.LineFromPosition(core.LineStart(line)) != line ||
            (!core.Expanded(line) && !core.IsHeader(line)) || shown != (line > hiddenUntil) ||
            core.VisibleFromDocLine(line) != visible - 1 ||
            (shown && core.DocLineFromVisible(visible - 1) != line)) {
            return "broken at line " + std::to_string(line);
        }
        if (!core.Expanded(line))
            hiddenUntil = std::max(hiddenUntil, core.LastChild(line));
    }
    if (core.VisibleLineCount() != visible || core.FirstVisibleLine() < 0 ||
        core.FirstVisibleLine() >= visible) {
        return "visible line count";
    }
    return "";
}

// Whether two editors hold the same styles and fold levels, as an editor kept
// up to date edit by edit must with one given the final text at once.
inline bool SameStylesAndLevels(const kalmor::EditorCore& a, const kalmor::EditorCore& b) {
    bool same = a.LineCount() == b.LineCount() &&
                a.StyleRange(0, a.Length()) == b.StyleRange(0, b.Length());
    for (int line = 0; same && line < a.LineCount(); ++line)
        same = a.FoldLevel(line) == b.FoldLevel(line);
    return same;
}

} // namespace kalmor_test
