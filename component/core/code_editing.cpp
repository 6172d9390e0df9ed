// Editing commands for code: line indentation, Tab and Shift+Tab over lines,
// matching braces, and the line ends Enter inserts or a conversion makes.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "kalmor.h"

#include <algorithm>
#include <climits>

namespace kalmor {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The brace that pairs with c, or 0; open braces pair forwards.
char PartnerOf(char c, bool* forward) {
    static const char pairs[] = "()[]{}<>";
    for (int i = 0; pairs[i]; ++i) {
        if (pairs[i] == c) {
            *forward = i % 2 == 0;
            return pairs[i % 2 == 0 ? i + 1 : i - 1];
        }
    }
    return 0;
}

} // namespace

bool EditorCore::Overtype() const {
    return impl_->overtype;
}

void EditorCore::SetOvertype(bool overtype) {
    if (impl_->overtype != overtype) {
        impl_->overtype = overtype;
        impl_->changes.overtype = true;
    }
}

int EditorCore::Zoom() const {
    return impl_->zoom;
}

// Every style's size changes: each style's version moves on, so the window
// builds its fonts again, and everything is drawn anew.
void EditorCore::SetZoom(int points) {
    points = std::clamp(points, kMinZoom, kMaxZoom);
    if (points != impl_->zoom) {
        impl_->zoom = points;
        for (Style& style : impl_->styles) {
            ++style.version;
        }
        impl_->ChangedAll();
        impl_->changes.zoom = true;
    }
}

// Moves or copies [start, end) to a position outside it, as one undo step,
// and selects the text where it landed. Answers whether anything moved.
bool EditorCore::MoveText(int start, int end, int to, bool copy) {
    Impl& core = *impl_;
    int first = core.ValidPosition(std::min(start, end));
    end = core.ValidPosition(std::max(start, end));
    start = first;
    to = core.ValidPosition(to);
    if (start == end || (to >= start && to <= end)) {
        return false;
    }
    std::string text = TextRange(start, end);
    int size = static_cast<int>(text.size());
    if (!core.Editable()) {
        return false;
    }
    EndTypingRun();
    BeginUndoAction();
    if (copy) {
        core.Replace(to, 0, text.data(), size);
    } else if (to > end) {
        core.Replace(to, 0, text.data(), size);
        core.Replace(start, size, "", 0);
        to -= size;
    } else {
        core.Replace(start, size, "", 0);
        core.Replace(to, 0, text.data(), size);
    }
    core.SetSelection(to, to + size);
    core.NoteSelectionAfterEdit();
    EndUndoAction();
    return true;
}

int EditorCore::BraceLight(int which) const {
    return impl_->braceLight[which != 0];
}

int EditorCore::BraceBad() const {
    return impl_->braceBad;
}

int EditorCore::TabWidth() const {
    return impl_->tabWidth;
}

int EditorCore::IndentSize() const {
    return impl_->indent > 0 ? impl_->indent : impl_->tabWidth;
}

int EditorCore::LineIndentPosition(int line) const {
    const Document& doc = impl_->doc;
    line = std::clamp(line, 0, doc.LineCount() - 1);
    int pos = doc.LineStart(line);
    int end = doc.LineEnd(line);
    while (pos < end && IsBlank(doc.CharAt(pos))) {
        ++pos;
    }
    return pos;
}

int EditorCore::LineIndentation(int line) const {
    const Document& doc = impl_->doc;
    line = std::clamp(line, 0, doc.LineCount() - 1);
    int columns = 0;
    for (int pos = doc.LineStart(line), end = LineIndentPosition(line); pos < end; ++pos) {
        columns = doc.CharAt(pos) == '\t' ? (columns / TabWidth() + 1) * TabWidth() : columns + 1;
    }
    return columns;
}

// Replaces the line's leading blanks by the given number of columns: tabs
// and then spaces, or spaces alone.
void EditorCore::SetLineIndentation(int line, int columns) {
    Impl& core = *impl_;
    line = std::clamp(line, 0, core.doc.LineCount() - 1);
    columns = std::clamp(columns, 0, kMaxIndentation);
    std::string blanks;
    if (core.useTabs) {
        blanks.assign(static_cast<size_t>(columns / TabWidth()), '\t');
    }
    blanks.append(static_cast<size_t>(columns - static_cast<int>(blanks.size()) * TabWidth()), ' ');
    int start = core.doc.LineStart(line);
    int end = LineIndentPosition(line);
    if (TextRange(start, end) != blanks) {
        EndTypingRun();
        core.Replace(start, end - start, blanks.data(), static_cast<int>(blanks.size()));
    }
}

// Tab indents every line a selection over several lines touches by one
// indent, as one undo step; otherwise it types a tab, or spaces up to the
// next indent stop when tabs are not used.
void EditorCore::Tab() {
    impl_->changes.scrollCaret = true;
    int first = 0;
    int last = 0;
    // Spaces from pos to the next indent stop.
    auto spaces = [&](int pos) {
        return std::string(static_cast<size_t>(IndentSize() - Column(pos) % IndentSize()), ' ');
    };
    // At several selections each is replaced by a tab or the spaces to its stop.
    if (impl_->EditsEach()) {
        EndTypingRun();
        impl_->EditEach(EditRun::None, [&](SelectionRange range) {
            std::string text = impl_->useTabs ? "\t" : spaces(range.Start());
            int start = range.Start();
            impl_->Replace(start, range.End() - start, text.data(), static_cast<int>(text.size()));
            int end = start + static_cast<int>(text.size());
            return SelectionRange{end, end};
        });
        return;
    }
    impl_->DropOthers();
    if (SelectedLines(&first, &last)) {
        BeginUndoAction();
        for (int line = first; line <= last; ++line) {
            SetLineIndentation(line, LineIndentation(line) + IndentSize());
        }
        EndUndoAction();
        return;
    }
    if (impl_->useTabs) {
        InsertAtCaret("\t");
        return;
    }
    InsertAtCaret(spaces(SelectionStart()));
}

// Shift+Tab takes one indent, to the indent stop before, from every line a
// selection over several lines touches, or else from the caret's line.
void EditorCore::BackTab() {
    impl_->changes.scrollCaret = true;
    int first = 0;
    int last = 0;
    if (!SelectedLines(&first, &last)) {
        first = last = LineFromPosition(Caret());
    }
    BeginUndoAction();
    for (int line = first; line <= last; ++line) {
        int columns = LineIndentation(line);
        SetLineIndentation(line, columns > 0 ? (columns - 1) / IndentSize() * IndentSize() : 0);
    }
    EndUndoAction();
}

// The brace that pairs with the one at pos: the next of its partner at the
// same nesting among the characters of the brace's own style; -1 if none.
// Characters are visited whole, so a byte inside a double-byte character is
// never taken for a brace.
int EditorCore::BraceMatch(int pos) const {
    if (pos < 0 || pos >= Length() || CharacterStart(pos) != pos) {
        return -1;
    }
    char brace = CharAt(pos);
    bool forward = true;
    char partner = PartnerOf(brace, &forward);
    if (!partner) {
        return -1;
    }
    int style = StyleAt(pos);
    int depth = 0;
    for (int at = pos;;) {
        int next = forward ? PositionAfter(at) : PositionBefore(at);
        if (next == at || (forward && next >= Length())) {
            return -1;
        }
        at = next;
        if (StyleAt(at) != style) {
            continue;
        }
        char c = CharAt(at);
        if (c == brace) {
            ++depth;
        } else if (c == partner && depth-- == 0) {
            return at;
        }
    }
}

int EditorCore::LineEndMode() const {
    if (impl_->eolMode >= 0) {
        return impl_->eolMode;
    }
    std::string own = LineEndText();
    return own == "\r" ? SC_EOL_CR : own == "\n" ? SC_EOL_LF : SC_EOL_CRLF;
}

void EditorCore::SetLineEndMode(int mode) {
    if (mode >= SC_EOL_CRLF && mode <= SC_EOL_LF) {
        impl_->eolMode = mode;
    }
}

// From the last line end back to the first, so that a CR put before an LF
// still to be converted never makes a CR LF of the two.
void EditorCore::ConvertLineEnds(int mode) {
    if (mode < SC_EOL_CRLF || mode > SC_EOL_LF) {
        return;
    }
    const std::string wanted = kLineEnds[mode];
    BeginUndoAction();
    for (int line = LineCount() - 2; line >= 0; --line) {
        int end = LineEnd(line);
        int next = LineStart(line + 1);
        if (TextRange(end, next) != wanted) {
            impl_->Replace(end, next - end, wanted.data(), static_cast<int>(wanted.size()));
        }
    }
    EndUndoAction();
}

} // namespace kalmor
