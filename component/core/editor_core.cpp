#include "component/core/editor_core.h"

#include "component/core/basic_lexer.h"
#include "component/core/document.h"
#include "component/core/editor_core_impl.h"
#include "editor/requests.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace kalmor {

namespace {

// The fold level of a line at the given nesting depth, and the depth after
// it. A sub runs to the next End line, which closes every open sub.
int FoldLevelFor(BasicLineKind kind, int depth) {
    int level = SC_FOLDLEVELBASE + depth;
    return kind == BasicLineKind::SubHeader ? (level | SC_FOLDLEVELHEADERFLAG) : level;
}

int DepthAfter(BasicLineKind kind, int depth) {
    switch (kind) {
    case BasicLineKind::SubHeader: return std::min(depth + 1, kMaxFoldDepth);
    case BasicLineKind::SubEnd: return 0;
    default: return depth;
    }
}

} // namespace

EditorCore::Impl::Impl() {
    margins[0].type = SC_MARGIN_NUMBER;
    margins[1].width = 16;
    margins[1].mask = 0x01FFFFFF; // every marker but the fold markers
}

bool EditorCore::Impl::LexingBasic() const {
    return lexer == SCLEX_BASIC;
}

// Folding follows the "fold" property read as a number, as hosts set it.
bool EditorCore::Impl::FoldingEnabled() const {
    auto fold = properties.find("fold");
    return LexingBasic() && fold != properties.end() &&
           std::strtol(fold->second.c_str(), nullptr, 10) != 0;
}

BasicLineKind EditorCore::Impl::KindOf(int line) const {
    int start = doc.LineStart(line);
    return ClassifyBasicLine(doc.TextAt(start), doc.LineEnd(line) - start);
}

// Restyles lines [firstLine, lastLine] and recomputes fold levels from
// firstLine on, past lastLine only until a line's level agrees with the old
// one: from there on the depth, and so every later level, is unchanged.
void EditorCore::Impl::Relex(int firstLine, int lastLine) {
    firstLine = std::clamp(firstLine, 0, doc.LineCount() - 1);
    lastLine = std::clamp(lastLine, firstLine, doc.LineCount() - 1);
    for (int line = firstLine; line <= lastLine; ++line) {
        int start = doc.LineStart(line);
        int end = doc.LineEnd(line);
        char* styles = doc.StylesAt(start);
        std::fill(styles, styles + (doc.LineStart(line + 1) - start), kBasicDefault);
        if (LexingBasic()) {
            StyleBasicLine(doc.TextAt(start), end - start, keywords[0], styles);
        }
    }

    if (!FoldingEnabled()) {
        for (int line = firstLine; line < doc.LineCount(); ++line) {
            if (line > lastLine && folds.Level(line) == SC_FOLDLEVELBASE) {
                break;
            }
            folds.SetLevel(line, SC_FOLDLEVELBASE);
        }
        return;
    }
    int depth = 0;
    if (firstLine > 0) {
        depth =
            DepthAfter(KindOf(firstLine - 1), folds.LevelNumber(firstLine - 1) - SC_FOLDLEVELBASE);
    }
    for (int line = firstLine; line < doc.LineCount(); ++line) {
        BasicLineKind kind = KindOf(line);
        int level = FoldLevelFor(kind, depth);
        if (line > lastLine && level == folds.Level(line)) {
            break;
        }
        folds.SetLevel(line, level);
        depth = DepthAfter(kind, depth);
    }
}

void EditorCore::Impl::RelexAll() {
    Relex(0, doc.LineCount() - 1);
}

// Expands every contracted fold that holds one of lines [firstLine, lastLine]:
// the headers among them and the contracted headers enclosing the first.
void EditorCore::Impl::ExpandFoldsHolding(int firstLine, int lastLine) {
    for (int line = firstLine; line <= lastLine; ++line) {
        folds.SetContracted(line, false);
    }
    for (int parent = folds.Parent(firstLine); parent >= 0; parent = folds.Parent(parent)) {
        folds.SetContracted(parent, false);
    }
}

// The one editing primitive: replaces [start, start + deleteLength) by text.
// Folds the edit touches open first; the caret keeps its place in the text.
void EditorCore::Impl::Replace(int start, int deleteLength, const char* text, int insertLength) {
    start = doc.ClampPosition(start);
    deleteLength = std::clamp(deleteLength, 0, doc.Length() - start);
    insertLength = std::max(insertLength, 0);
    if (insertLength > kMaxDocumentLength - (doc.Length() - deleteLength)) {
        return;
    }
    if (deleteLength == 0 && insertLength == 0) {
        return;
    }
    ExpandFoldsHolding(doc.LineFromPosition(start), doc.LineFromPosition(start + deleteLength));

    LineChange change = doc.Replace(start, deleteLength, text, insertLength);
    ++textVersion;
    folds.ReplaceLines(change.firstLine, change.linesRemoved, change.linesAdded);
    Relex(change.firstLine - 1, change.firstLine - 1 + change.linesAdded);

    // A caret after the edit moves with its text, one inside the deleted
    // span goes to its start, and one at the start itself stays put.
    if (caret > start && caret >= start + deleteLength) {
        caret += insertLength - deleteLength;
    } else if (caret > start) {
        caret = start;
    }
    SetCaret(caret);
}

// Clamps into the document and steps back out of a CRLF.
void EditorCore::Impl::SetCaret(int pos) {
    caret = doc.ClampPosition(pos);
    if (doc.InsideCrLf(caret)) {
        --caret;
    }
}

void EditorCore::Impl::GotoLine(int line) {
    line = std::clamp(line, 0, doc.LineCount() - 1);
    for (int parent = folds.Parent(line); parent >= 0; parent = folds.Parent(parent)) {
        folds.SetContracted(parent, false);
    }
    SetCaret(doc.LineStart(line));
}

EditorCore::EditorCore() : impl_(std::make_unique<Impl>()) {}
EditorCore::~EditorCore() = default;

int EditorCore::Length() const {
    return impl_->doc.Length();
}
int EditorCore::LineCount() const {
    return impl_->doc.LineCount();
}
int EditorCore::LineStart(int line) const {
    return impl_->doc.LineStart(line);
}
int EditorCore::LineEnd(int line) const {
    return impl_->doc.LineEnd(line);
}
int EditorCore::LineFromPosition(int pos) const {
    return impl_->doc.LineFromPosition(pos);
}
char EditorCore::CharAt(int pos) const {
    return impl_->doc.CharAt(pos);
}
int EditorCore::StyleAt(int pos) const {
    return impl_->doc.StyleAt(pos);
}

std::string EditorCore::TextRange(int start, int end) const {
    start = impl_->doc.ClampPosition(start);
    end = impl_->doc.ClampPosition(end);
    return start < end ? impl_->doc.Text().substr(start, end - start) : std::string();
}

std::string EditorCore::StyleRange(int start, int end) const {
    start = impl_->doc.ClampPosition(start);
    end = impl_->doc.ClampPosition(end);
    return start < end ? impl_->doc.Styles().substr(start, end - start) : std::string();
}

std::string EditorCore::Text() const {
    return impl_->doc.Text();
}

int EditorCore::Caret() const {
    return impl_->caret;
}
void EditorCore::SetCaret(int pos) {
    impl_->SetCaret(pos);
}

void EditorCore::InsertAtCaret(const std::string& text) {
    int start = impl_->caret;
    int before = Length();
    InsertText(start, text);
    SetCaret(start + Length() - before);
}

void EditorCore::InsertLineEnd() {
    const Document& doc = impl_->doc;
    std::string lineEnd = "\r\n";
    if (doc.LineCount() > 1) {
        int end = doc.LineEnd(0);
        lineEnd = doc.Text().substr(end, doc.LineStart(1) - end);
    }
    InsertAtCaret(lineEnd);
}

void EditorCore::DeleteBack() {
    int caret = impl_->caret;
    int length = impl_->doc.InsideCrLf(caret - 1) ? 2 : 1;
    if (caret > 0) {
        DeleteRange(caret - length, length);
    }
}

void EditorCore::DeleteForward() {
    int caret = impl_->caret;
    DeleteRange(caret, impl_->doc.InsideCrLf(caret + 1) ? 2 : 1);
}

void EditorCore::InsertText(int pos, const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        return;
    }
    impl_->Replace(pos, 0, text.data(), static_cast<int>(text.size()));
}

void EditorCore::DeleteRange(int start, int length) {
    if (start < 0) {
        length = static_cast<int>(std::max<int64_t>(int64_t{length} + start, 0));
        start = 0;
    }
    impl_->Replace(start, length, "", 0);
}

void EditorCore::SetText(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        return;
    }
    impl_->Replace(0, Length(), text.data(), static_cast<int>(text.size()));
    impl_->SetCaret(0);
}

int EditorCore::PositionLeft(int pos) const {
    const Document& doc = impl_->doc;
    pos = doc.ClampPosition(pos);
    if (doc.InsideCrLf(pos)) {
        --pos;
    }
    int line = doc.LineFromPosition(pos);
    if (pos > doc.LineStart(line)) {
        return pos - 1;
    }
    int previous = VisibleLineAfter(line, -1);
    return previous < line ? doc.LineEnd(previous) : pos;
}

int EditorCore::PositionRight(int pos) const {
    const Document& doc = impl_->doc;
    pos = doc.ClampPosition(pos);
    int line = doc.LineFromPosition(pos);
    if (pos < doc.LineEnd(line)) {
        return pos + 1;
    }
    int next = VisibleLineAfter(line, 1);
    return next > line ? doc.LineStart(next) : doc.LineEnd(line);
}

int EditorCore::VisibleLineAfter(int line, int delta) const {
    const FoldState& folds = impl_->folds;
    int64_t display = int64_t{folds.VisibleFromDocLine(line)} + delta;
    display = std::clamp<int64_t>(display, 0, folds.VisibleLineCount() - 1);
    return folds.DocLineFromVisible(static_cast<int>(display));
}

int EditorCore::FoldLevel(int line) const {
    return impl_->folds.Level(line);
}
bool EditorCore::IsHeader(int line) const {
    return impl_->folds.IsHeader(line);
}
bool EditorCore::Expanded(int line) const {
    return !impl_->folds.Contracted(line);
}
bool EditorCore::LineVisible(int line) const {
    return impl_->folds.LineVisible(line);
}
int EditorCore::FoldParent(int line) const {
    return impl_->folds.Parent(line);
}
int EditorCore::LastChild(int line) const {
    return impl_->folds.LastChild(line, -1);
}

void EditorCore::ToggleFold(int line) {
    impl_->folds.SetContracted(line, !impl_->folds.Contracted(line));
}

void EditorCore::SetFoldExpanded(int line, bool expanded) {
    impl_->folds.SetContracted(line, !expanded);
}

void EditorCore::GotoLine(int line) {
    impl_->GotoLine(line);
}

int EditorCore::VisibleLineCount() const {
    return impl_->folds.VisibleLineCount();
}

int EditorCore::DocLineFromVisible(int displayLine) const {
    return impl_->folds.DocLineFromVisible(displayLine);
}

int EditorCore::VisibleFromDocLine(int line) const {
    return impl_->folds.VisibleFromDocLine(line);
}

// Kept as set, and clamped when read, since folding can shrink the display.
int EditorCore::FirstVisibleLine() const {
    return std::clamp(impl_->firstVisibleLine, 0, VisibleLineCount() - 1);
}

void EditorCore::SetFirstVisibleLine(int displayLine) {
    impl_->firstVisibleLine = std::clamp(displayLine, 0, VisibleLineCount() - 1);
}

const Style& EditorCore::GetStyle(int index) const {
    return impl_->styles[std::clamp(index, 0, kStyleCount - 1)];
}

const Margin& EditorCore::GetMargin(int index) const {
    return impl_->margins[std::clamp(index, 0, kMarginCount - 1)];
}

int EditorCore::Lexer() const {
    return impl_->lexer;
}

unsigned EditorCore::TextVersion() const {
    return impl_->textVersion;
}

} // namespace kalmor
