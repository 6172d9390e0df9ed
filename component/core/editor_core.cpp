#include "component/core/editor_core.h"

#include "component/core/basic_lexer.h"
#include "component/core/document.h"
#include "component/core/editor_core_impl.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

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
    // A fold margin's markers until the host defines its own: arrows at headers.
    for (int folder = SC_MARKNUM_FOLDEREND; folder <= SC_MARKNUM_FOLDEROPEN; ++folder) {
        markerStyles[folder].symbol = SC_MARK_EMPTY;
        markerStyles[folder].fore = 0xFFFFFF;
        markerStyles[folder].back = 0x000000;
    }
    markerStyles[SC_MARKNUM_FOLDER].symbol = SC_MARK_ARROW;
    markerStyles[SC_MARKNUM_FOLDEROPEN].symbol = SC_MARK_ARROWDOWN;
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

// The gap moves out of the line if it splits it: no copy is made, so
// lexing after an edit allocates nothing.
const char* EditorCore::Impl::LineText(int line, int* length) {
    int start = doc.LineStart(line);
    *length = doc.LineEnd(line) - start;
    return doc.TextPointer(start, *length);
}

// A long line's kind is read from a copy of as much of its start as it
// takes, so the gap an edit left inside it stays there.
BasicLineKind EditorCore::Impl::KindOf(int line) {
    int start = doc.LineStart(line);
    int length = doc.LineEnd(line) - start;
    if (length <= kLongLexLine) {
        return ClassifyBasicLine(LineText(line, &length), length);
    }
    std::string prefix;
    BasicLineKind kind = BasicLineKind::Ordinary;
    for (int taken = 256;; taken *= 16) {
        taken = std::min(taken, length);
        prefix.resize(static_cast<size_t>(taken));
        doc.CopyText(start, taken, prefix.data());
        if (ClassifyBasicPrefix(prefix.data(), taken, taken == length, kind)) {
            return kind;
        }
    }
}

// An edit of [editStart, editEnd) inside a long line, restyled in copies of
// a stretch around it, four times longer each time the lexer must look past
// it: neither the text nor the styles are moved to lie in one piece, which
// would move their gaps, left at the edit, across half the line.
void EditorCore::Impl::RestyleLongLine(int start, int length, int editStart, int editEnd) {
    std::string text, styles;
    for (int margin = 4096;; margin *= 4) {
        int first = std::max(0, editStart - margin);
        int last = static_cast<int>(std::min<int64_t>(length, int64_t{editEnd} + margin));
        int count = last - first;
        text.resize(static_cast<size_t>(count));
        styles.resize(static_cast<size_t>(count));
        doc.CopyText(start + first, count, text.data());
        doc.CopyStyles(start + first, count, styles.data());
        std::string before = longRows.empty() ? std::string() : styles;
        if (RestyleBasicStretch(text.data(), count, first == 0, last == length, keywords[0],
                                styles.data(), editStart - first, editEnd - first) >= 0) {
            doc.SetStyles(start + first, count, styles.data());
            if (!longRows.empty())
                LongRowsRestyled(start + first, before, styles);
            return;
        }
    }
}

int EditorCore::Impl::StyleLongPart(int line, int from, int want) {
    int start = doc.LineStart(line);
    int length = doc.LineEnd(line) - start;
    // Rows found past from were measured in the styles there now, which
    // are compared; else the line is styled in place.
    auto found = longRows.find(line);
    bool measured =
        found != longRows.end() && (found->second->done || !found->second->rejoin.empty() ||
                                    found->second->starts.back() > from);
    std::string before;
    // The stretch grows four times each time a token runs past its end.
    for (int margin = 4096;; margin *= 4) {
        int last = static_cast<int>(std::min<int64_t>(length, int64_t{want} + margin));
        int count = last - from;
        const char* text = doc.TextPointer(start + from, count);
        if (measured) { // a longer stretch keeps what the shorter one copied before styling it
            int kept = static_cast<int>(before.size());
            before.resize(static_cast<size_t>(count));
            doc.CopyStyles(start + from + kept, count - kept, before.data() + kept);
        }
        char* styles = doc.StylePointer(start + from, count);
        int stop = StyleBasicStretch(text, count, last == length, keywords[0], styles, want - from);
        if (stop < 0)
            continue;
        if (measured) {
            before.resize(static_cast<size_t>(stop));
            LongRowsRestyled(start + from, before, std::string(styles, static_cast<size_t>(stop)));
        }
        // [from, end) joins the stretches it meets.
        int end = from + stop, first = from, joined = end;
        std::map<int, int>& parts = partlyStyled[line];
        auto it = parts.upper_bound(from);
        if (it != parts.begin() && std::prev(it)->second >= from)
            first = (--it)->first;
        while (it != parts.end() && it->first <= joined) {
            joined = std::max(joined, it->second);
            it = parts.erase(it);
        }
        parts[first] = joined;
        parts.try_emplace(0, 0);
        if (parts.size() == 1 && joined >= length)
            partlyStyled.erase(line);
        return end;
    }
}

// Styles bytes [a, b) of a partly styled line and some way past them. A
// stretch far from the styled one before it is styled from a place near it
// where the lexer starts afresh whatever came before, when everything up to
// that place is plain (no string, comment or inline assembler can start
// there); else the styling goes on from where it stopped, to past the first
// byte that is not plain, and looks again from there.
void EditorCore::Impl::StyleLongRange(int line, int a, int b) {
    constexpr int kFar = 65536; // bytes lexed rather than scanned and skipped
    int lineStart = doc.LineStart(line);
    int length = doc.LineEnd(line) - lineStart;
    b = std::min(b, length);
    for (int x = a; x < b;) {
        auto part = partlyStyled.find(line);
        if (part == partlyStyled.end())
            return; // styled whole
        std::map<int, int>& parts = part->second;
        auto it = std::prev(parts.upper_bound(x)); // the stretch from 0 is always there
        if (x < it->second) {
            x = it->second;
            continue;
        }
        int hole = it->second;
        int holeEnd = std::next(it) == parts.end() ? length : std::next(it)->first;
        int from = hole;
        int want = std::min(b + 4096, holeEnd);
        if (x - hole > kFar) {
            const char* text = doc.TextPointer(lineStart + hole, x - hole);
            int plain = BasicPlainUntil(text, x - hole);
            int sync = -1;
            if (plain == x - hole) {
                sync = BasicSyncBefore(text, plain, kFar);
            } else {
                want = hole + plain + 1;
                if (plain > kFar)
                    sync = BasicSyncBefore(text, plain, kFar);
            }
            if (sync > 0)
                from = hole + sync;
        }
        int stop = StyleLongPart(line, from, want);
        if (Wants(SC_MOD_CHANGESTYLE))
            Tell(Modification{SC_MOD_CHANGESTYLE | performed, lineStart + from, stop - from});
    }
}

// Each line is styled some way past what is read, so reading on along the
// line styles it in steps of a few kilobytes, not byte by byte.
void EditorCore::Impl::EnsureLongStyled(int start, int end) {
    if (partlyStyled.empty() || lexing || !LexingBasic())
        return;
    auto it = partlyStyled.lower_bound(doc.LineFromPosition(start));
    while (it != partlyStyled.end() && doc.LineStart(it->first) < end) {
        int line = it->first;
        int lineStart = doc.LineStart(line);
        ++it; // styling may take the line out of the map
        StyleLongRange(line, std::max(0, start - lineStart), end - lineStart);
    }
}

// Only the bytes before the edit keep their styles, back to where the
// lexer starts afresh whatever the edit made of the bytes after it. A
// stretch after the edit rested on the bytes before it and goes.
void EditorCore::Impl::LongLineEdited(int line, int at) {
    auto part = partlyStyled.find(line);
    if (part == partlyStyled.end())
        return;
    std::map<int, int>& parts = part->second;
    parts.erase(parts.upper_bound(at), parts.end());
    auto last = std::prev(parts.end());
    if (at >= last->second + 3)
        return;
    int start = doc.LineStart(line);
    int first = last->first;
    int until = std::min(at, last->second);
    std::string text, styles;
    for (int margin = 4096;; margin *= 4) {
        int copied = std::max(first, until - margin);
        int count = until - copied;
        text.resize(static_cast<size_t>(count));
        styles.resize(static_cast<size_t>(count));
        doc.CopyText(start + copied, count, text.data());
        doc.CopyStyles(start + copied, count, styles.data());
        int fresh = BasicFreshStart(text.data(), styles.data(), count, copied == first);
        if (fresh >= 0) {
            last->second = copied + fresh;
            if (last->second == first && first > 0)
                parts.erase(last);
            return;
        }
    }
}

void EditorCore::Impl::PartlyStyledEdited(const LineChange& change, int position, bool lineEnds) {
    if (partlyStyled.empty() || (!lineEnds && change.linesAdded == change.linesRemoved))
        return;
    // Lines [edited, last] were replaced: they are lexed again whole.
    int edited = doc.LineFromPosition(position);
    int last = change.firstLine - 1 + change.linesRemoved;
    std::map<int, std::map<int, int>> moved;
    for (auto& [line, parts] : partlyStyled) {
        if (line < edited || line > last)
            moved.emplace(line > last ? line + change.linesAdded - change.linesRemoved : line,
                          std::move(parts));
    }
    partlyStyled = std::move(moved);
}

// The rows of a long line holding a stretch whose styles went from before
// to after are found again from the first style that changed, as after an
// edit of the changed bytes.
void EditorCore::Impl::LongRowsRestyled(int position, const std::string& before,
                                        const std::string& after) {
    size_t first = 0, last = std::min(before.size(), after.size());
    while (first < last && before[first] == after[first])
        ++first;
    while (last > first && before[last - 1] == after[last - 1])
        --last;
    if (first == last)
        return;
    int from = position + static_cast<int>(first), to = position + static_cast<int>(last);
    auto it = longRows.lower_bound(doc.LineFromPosition(from));
    for (; it != longRows.end() && doc.LineStart(it->first) < to; ++it) {
        int lineStart = doc.LineStart(it->first);
        int a = std::max(from, lineStart) - lineStart;
        int b = std::min(to, doc.LineEnd(it->first)) - lineStart;
        if (b > a)
            it->second->Edited(a, b - a, b - a);
    }
}

void EditorCore::Impl::Changed(int firstLine, int lastLine, int fromByte) {
    // Bytes only move from where an edit is: the least byte named stays right.
    int lineStart = doc.LineStart(firstLine);
    fromByte = std::max(fromByte, lineStart);
    if (changes.firstLine < 0) {
        changes.firstLine = firstLine;
        changes.lastLine = lastLine;
        changes.firstByte = fromByte;
        return;
    }
    changes.firstByte = std::min(changes.firstByte, fromByte);
    changes.firstLine = std::min(changes.firstLine, firstLine);
    changes.lastLine = std::max(changes.lastLine, lastLine);
}

void EditorCore::Impl::ChangedAll() {
    changes.all = true;
}

bool EditorCore::Impl::Wants(int type) const {
    return listener != nullptr && (type & modEventMask) != 0;
}

// The listener may read anything meanwhile, but not edit: insideModified
// makes the core refuse.
void EditorCore::Impl::Tell(Modification modification) {
    if (!Wants(modification.type)) {
        return;
    }
    ++insideModified;
    listener->Modified(modification);
    --insideModified;
}

bool EditorCore::Impl::Editable() {
    if (insideModified > 0) {
        return false;
    }
    if (readOnly && !readOnlyAsked && listener != nullptr) {
        readOnlyAsked = true;
        listener->ModifyAttemptReadOnly();
    }
    return !readOnly && insideModified == 0;
}

// Contracting or expanding a visible header moves every line below it.
void EditorCore::Impl::SetContracted(int line, bool contracted) {
    if (contracted) {
        EnsureLexed(doc.LineCount() - 1);
    }
    if (folds.IsHeader(line) && folds.Contracted(line) != contracted) {
        folds.SetContracted(line, contracted);
        Changed(line, INT_MAX);
    }
}

// Restyles lines [firstLine, lastLine] and recomputes fold levels from
// firstLine on, past lastLine only until a line's level agrees with the old
// one (from there on the depth, and so every later level, is unchanged) and
// never past limit, below which nothing is lexed yet. Only the BASIC lexer
// styles: under any other the styles and levels are the host's, or none.
void EditorCore::Impl::Relex(int firstLine, int lastLine, int limit, int editStart, int editEnd) {
    if (!LexingBasic() || doc.LineCount() == 0) {
        return;
    }
    lexing = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{lexing};
    firstLine = std::clamp(firstLine, 0, doc.LineCount() - 1);
    lastLine = std::clamp(lastLine, firstLine, doc.LineCount() - 1);
    // One pass over the lines: each is styled where its styles lie and
    // classified for folding while its text is at hand.
    bool folding = FoldingEnabled();
    kinds.clear();
    for (int line = firstLine; line <= lastLine; ++line) {
        int start = doc.LineStart(line);
        int length = doc.LineEnd(line) - start;
        int styled = doc.LineStart(line + 1) - start;
        bool restyle = firstLine == lastLine && editStart >= start && editEnd <= start + length;
        if (length > kLongLexLine) {
            if (!restyle) {
                partlyStyled.erase(line);
                StyleLongPart(line, 0, kLongLexLine);
            } else if (partlyStyled.count(line) || editEnd - editStart > kLongLexLine) {
                // What lies before the edit keeps its styles; the rest is styled when read.
                partlyStyled.try_emplace(line, std::map<int, int>{{0, length}});
                LongLineEdited(line, editStart - start);
            } else {
                RestyleLongLine(start, length, editStart - start, editEnd - start);
            }
            char* ending = doc.StylePointer(start + length, styled - length);
            std::fill(ending, ending + (styled - length), kBasicDefault);
            if (folding) {
                kinds.push_back(KindOf(line));
            }
            continue;
        }
        // A long line's rows were found in its old styles, which may differ in width.
        std::string before;
        if (longRows.count(line) && length > 0) {
            before.resize(static_cast<size_t>(length));
            doc.CopyStyles(start, length, before.data());
        }
        const char* text = LineText(line, &length);
        char* styles = doc.StylePointer(start, styled);
        if (restyle) {
            RestyleBasicLine(text, length, keywords[0], styles, editStart - start, editEnd - start);
        } else {
            StyleBasicLine(text, length, keywords[0], styles);
        }
        std::fill(styles + length, styles + styled, kBasicDefault);
        if (folding) {
            kinds.push_back(ClassifyBasicLine(text, length));
        }
        if (!before.empty())
            LongRowsRestyled(start, before, std::string(styles, static_cast<size_t>(length)));
    }
    changes.styles = true;
    if (Wants(SC_MOD_CHANGESTYLE)) {
        Modification styled;
        styled.type = SC_MOD_CHANGESTYLE | performed;
        styled.position = doc.LineStart(firstLine);
        styled.length = doc.LineStart(lastLine + 1) - styled.position;
        Tell(styled);
    }

    int end = std::min(doc.LineCount() - 1, std::max(limit, lastLine));
    if (!FoldingEnabled()) {
        for (int line = firstLine; line <= end; ++line) {
            if (line > lastLine && folds.Level(line) == SC_FOLDLEVELBASE) {
                break;
            }
            SetLevel(line, SC_FOLDLEVELBASE);
        }
        return;
    }
    int depth = 0;
    if (firstLine > 0) {
        depth =
            DepthAfter(KindOf(firstLine - 1), folds.LevelNumber(firstLine - 1) - SC_FOLDLEVELBASE);
    }
    for (int line = firstLine; line <= end; ++line) {
        BasicLineKind kind =
            line <= lastLine ? kinds[static_cast<size_t>(line - firstLine)] : KindOf(line);
        int level = FoldLevelFor(kind, depth);
        if (line > lastLine && level == folds.Level(line)) {
            break;
        }
        if (folds.Contracted(line) && (level & SC_FOLDLEVELHEADERFLAG) == 0) {
            Changed(line, INT_MAX);
        }
        SetLevel(line, level);
        depth = DepthAfter(kind, depth);
    }
    if (kinds.capacity() > 4096) {
        kinds = std::vector<BasicLineKind>(); // a load's worth is not kept
    }
}

// An edit that starts on a line not lexed yet changes nothing lexed. One
// that adds many lines leaves them, and what follows, for later, unless a
// fold is contracted. Otherwise the lines it touched are lexed now and the
// levels after them as far as they change, within what is lexed.
void EditorCore::Impl::RelexEdited(const LineChange& change, int editStart, int editEnd) {
    int touched = std::max(change.firstLine - 1, 0);
    if (touched >= lexedTo) {
        return;
    }
    int added = change.linesAdded;
    int removed = change.linesRemoved;
    if (lexedTo >= change.firstLine + removed) {
        lexedTo += added - removed;
    } else {
        lexedTo = change.firstLine + added;
    }
    if (added > kLazyLexLines && !folds.AnyContracted()) {
        lexedTo = touched;
        return;
    }
    lexedTo = std::clamp(lexedTo, touched + added + 1, doc.LineCount());
    if (deferringRelex) {
        DeferRelex(touched, change.firstLine - 1 + added, change);
        return;
    }
    bool oneLine = added == 0 && removed == 0;
    Relex(touched, change.firstLine - 1 + added, lexedTo - 1, oneLine ? editStart : -1,
          oneLine ? editEnd : -1);
}

// Notes lines to relex later, moving the lines noted already, which lie
// after this edit or on its lines, as the edit moved them.
void EditorCore::Impl::DeferRelex(int firstLine, int lastLine, const LineChange& change) {
    int shift = change.linesAdded - change.linesRemoved;
    auto moved = [&](int line) {
        if (line >= change.firstLine + change.linesRemoved)
            return line + shift;
        return std::min(line, change.firstLine - 1 + change.linesAdded);
    };
    for (std::pair<int, int>& range : relexPending)
        range = {moved(range.first), moved(range.second)};
    relexPending.emplace_back(firstLine, lastLine);
}

// Lexes the noted ranges, those that touch or overlap as one.
void EditorCore::Impl::RelexDeferred() {
    std::vector<std::pair<int, int>> ranges;
    ranges.swap(relexPending);
    std::sort(ranges.begin(), ranges.end());
    for (size_t k = 0; k < ranges.size();) {
        int first = ranges[k].first, last = ranges[k].second;
        for (++k; k < ranges.size() && ranges[k].first <= last + 1; ++k)
            last = std::max(last, ranges[k].second);
        if (first < lexedTo)
            Relex(first, std::min(last, lexedTo - 1), lexedTo - 1);
    }
}

bool EditorCore::Impl::LexingPending() const {
    return LexingBasic() && !lexing && lexedTo < doc.LineCount();
}

void EditorCore::Impl::EnsureLexed(int line) {
    if (line < lexedTo || !LexingPending()) {
        return;
    }
    // A few thousand lines at a time: what is read next is usually below.
    int last = std::min(doc.LineCount() - 1, std::max(line, lexedTo + 4095));
    Relex(lexedTo, last, last);
    lexedTo = last + 1;
}

// A fold's last line, read from levels lexed far enough to hold its end:
// twice as far each time its end is not yet in sight.
int EditorCore::Impl::LastChildLexed(int line, int level) {
    EnsureLexed(line);
    int last = folds.LastChild(line, level);
    while (last + 1 >= lexedTo && LexingPending()) {
        EnsureLexed(lexedTo * 2);
        last = folds.LastChild(line, level);
    }
    return last;
}

// A fold level that changes is told to the listener.
void EditorCore::Impl::SetLevel(int line, int level) {
    int previous = folds.Level(line);
    if (previous == level) {
        return;
    }
    folds.SetLevel(line, level);
    if (Wants(SC_MOD_CHANGEFOLD)) {
        Modification fold;
        fold.type = SC_MOD_CHANGEFOLD | performed;
        fold.position = doc.LineStart(line);
        fold.line = line;
        fold.foldLevelNow = level;
        fold.foldLevelPrev = previous;
        Tell(fold);
    }
}

// Everything an edit growing the text by length bytes and inserting up to
// lineEnds line ends where linesRemoved lines go allocates, taken before it
// changes anything. What the edit removes makes room for what it inserts,
// so replacing a large text holds the old one and only the growth beside it.
void EditorCore::Impl::Reserve(int length, int lineEnds, int linesRemoved) {
    doc.Reserve(length, std::max(0, lineEnds - linesRemoved));
    folds.Reserve(std::max(0, lineEnds + 1 - linesRemoved));
    kinds.reserve(static_cast<size_t>(lineEnds) + 2);
}

void EditorCore::Impl::RelexAll() {
    lexedTo = 0;
    if (folds.AnyContracted() || doc.LineCount() <= kLazyLexLines) {
        EnsureLexed(doc.LineCount() - 1);
    }
    ChangedAll();
}

// Expands every contracted fold that holds one of lines [firstLine, lastLine]:
// the headers among them and the contracted headers enclosing the first.
void EditorCore::Impl::ExpandFoldsHolding(int firstLine, int lastLine) {
    for (int line = firstLine; line <= lastLine; ++line) {
        SetContracted(line, false);
    }
    for (int parent = folds.Parent(firstLine); parent >= 0; parent = folds.Parent(parent)) {
        SetContracted(parent, false);
    }
}

std::string EditorCore::Impl::TextRange(int start, int end) const {
    start = doc.ClampPosition(start);
    end = doc.ClampPosition(end);
    std::string text(static_cast<size_t>(std::max(0, end - start)), '\0');
    doc.CopyText(start, static_cast<int>(text.size()), text.data());
    return text;
}

// The one editing primitive: replaces [start, start + deleteLength) by text
// and records it for undo. Folds the edit touches open first; the caret and
// anchor keep their places in the text. Answers whether anything changed.
// Everything the edit needs is allocated before anything changes, so an
// edit that runs out of memory is refused whole and sets the status.
bool EditorCore::Impl::Replace(int start, int deleteLength, const char* text, int insertLength,
                               EditRun kind) {
    auto clamp = [&] {
        start = doc.ClampPosition(start);
        deleteLength = std::clamp(deleteLength, 0, doc.Length() - start);
        insertLength = std::max(insertLength, 0);
        return deleteLength > 0 || insertLength > 0;
    };
    // The listener asked about read-only may have edited: clamp again.
    if (!clamp() || !Editable() || !clamp()) {
        return false;
    }
    // Growing past the length limit is refused as running out of memory is.
    if (insertLength > deleteLength && insertLength > lengthLimit - (doc.Length() - deleteLength)) {
        RefuseForMemory();
        return false;
    }
    try {
        Reserve(std::max(0, insertLength - deleteLength), CountLineEnds(text, insertLength),
                doc.LineFromPosition(start + deleteLength) - doc.LineFromPosition(start));
        startsAction = !replaying && Record(start, deleteLength, insertLength, kind);
    } catch (const std::bad_alloc&) {
        RefuseForMemory();
        return false;
    }
    // The listener hears the deleted bytes if there is memory to copy them.
    std::string removed;
    try {
        if (deleteLength > 0 && Wants(SC_MOD_DELETETEXT)) {
            removed = TextRange(start, start + deleteLength);
        }
    } catch (const std::bad_alloc&) {
    }
    ExpandFoldsHolding(doc.LineFromPosition(start), doc.LineFromPosition(start + deleteLength));
    if (deleteLength > 0) {
        Delete(start, deleteLength, &removed);
    }
    if (insertLength > 0) {
        Insert(start, text, insertLength);
    }

    // A position after the edit moves with its text, one inside the deleted
    // span goes to its start, and one at the start itself stays put.
    auto follow = [&](int pos) {
        if (pos > start && pos >= start + deleteLength) {
            return pos + insertLength - deleteLength;
        }
        return pos > start ? start : pos;
    };
    int caretBefore = caret;
    caret = ValidPosition(follow(caret));
    anchor = ValidPosition(follow(anchor));
    // Of the others, only positions on the lines the edit touched may need
    // moving onto a character's start: elsewhere the text around them is as it was.
    int touchedFrom = others.empty() ? 0 : doc.LineStart(doc.LineFromPosition(start));
    int touchedTo = others.empty() ? 0 : doc.LineEnd(doc.LineFromPosition(start + insertLength));
    auto place = [&](int pos) {
        int moved = follow(pos);
        return moved >= touchedFrom && moved <= touchedTo ? ValidPosition(moved) : moved;
    };
    for (SelectionRange& range : others) {
        range.anchor = place(range.anchor);
        range.caret = place(range.caret);
        range.anchorVirtual = KeptVirtual(range.anchor, range.anchorVirtual);
        range.caretVirtual = KeptVirtual(range.caret, range.caretVirtual);
    }
    if (caret != caretBefore) {
        changes.scrollCaret = true;
    }
    // Editing each selection, the step notes them all once, at the end.
    if (!editingEach && !replaying) {
        MergeSelections();
        NoteSelectionAfterEdit();
    }
    return true;
}

// Takes [start, start + length) out of the document, the listener told
// before and after, with the bytes that went.
void EditorCore::Impl::Delete(int start, int length, const std::string* removed) {
    // An edit at the position asked last may join the bytes before it into one character.
    if (start <= columnMark.pos)
        columnMark.pos = -1;
    int flags = performed | (startsAction ? SC_STARTACTION : 0);
    Tell(Modification{SC_MOD_BEFOREDELETE | performed, start, length});
    bool lineEnds = (!longRows.empty() || !partlyStyled.empty()) &&
                    doc.LineFromPosition(start) != doc.LineFromPosition(start + length);
    FoldingEdited(start, length, true);
    LineChange change = doc.Replace(start, length, "", 0);
    endStyled = std::min(endStyled, start);
    // A deleted line's markers join the line before it: the one that takes its place.
    if (!markers.Empty())
        markers.LinesDeleted(change.firstLine, change.linesRemoved, change.linesAdded,
                             change.linesAdded > 0 ? change.firstLine : change.firstLine - 1);
    if (!marginTexts.Empty())
        marginTexts.LinesDeleted(change.firstLine, change.linesRemoved, change.linesAdded);
    for (IndicatorRuns& runs : indicators.runs)
        if (!runs.Empty())
            runs.Deleted(start, length);
    FoldingEdited(start, 0, false);
    ++textVersion;
    changes.text = true;
    folds.ReplaceLines(change.firstLine, change.linesRemoved, change.linesAdded);
    WrapEdited(change, start, length, 0, lineEnds);
    PartlyStyledEdited(change, start, lineEnds);
    startsAction = false;
    Tell(Modification{SC_MOD_DELETETEXT | flags, start, length,
                      change.linesAdded - change.linesRemoved,
                      removed->size() == static_cast<size_t>(length) ? removed->data() : nullptr});
    RelexEdited(change, start, start);
    Changed(change.firstLine - 1,
            change.linesAdded == change.linesRemoved ? change.firstLine - 1 + change.linesAdded
                                                     : INT_MAX,
            start);
}

// Puts text in at start, the listener told before and after.
void EditorCore::Impl::Insert(int start, const char* text, int length) {
    // An edit at the position asked last may join the bytes before it into one character.
    if (start <= columnMark.pos)
        columnMark.pos = -1;
    int flags = performed | (startsAction ? SC_STARTACTION : 0);
    Tell(Modification{SC_MOD_BEFOREINSERT | performed, start, length, 0, text});
    FoldingEdited(start, 0, true);
    LineChange change = doc.Replace(start, 0, text, length);
    endStyled = std::min(endStyled, start);
    // Markers stay with their line's text: a line split at its start moves down.
    if (!markers.Empty() && change.linesAdded > change.linesRemoved)
        markers.LinesInserted(start == 0 ? 0 : change.firstLine,
                              change.linesAdded - change.linesRemoved);
    if (!marginTexts.Empty() && change.linesAdded > change.linesRemoved)
        marginTexts.LinesInserted(start == 0 ? 0 : change.firstLine,
                                  change.linesAdded - change.linesRemoved);
    for (IndicatorRuns& runs : indicators.runs)
        if (!runs.Empty())
            runs.Inserted(start, length);
    FoldingEdited(start, length, false);
    ++textVersion;
    changes.text = true;
    folds.ReplaceLines(change.firstLine, change.linesRemoved, change.linesAdded);
    bool lineEnds = (!longRows.empty() || !partlyStyled.empty()) && CountLineEnds(text, length) > 0;
    WrapEdited(change, start, 0, length, lineEnds);
    PartlyStyledEdited(change, start, lineEnds);
    startsAction = false;
    Tell(Modification{SC_MOD_INSERTTEXT | flags, start, length,
                      change.linesAdded - change.linesRemoved, text});
    RelexEdited(change, start, start + length);
    Changed(change.firstLine - 1,
            change.linesAdded == change.linesRemoved ? change.firstLine - 1 + change.linesAdded
                                                     : INT_MAX,
            start);
}

// Adds a replacement that is about to happen to the history: to the open
// group's step, to the last action when it continues a typing or deleting
// run, or else as a new step, answering whether it began one. Undone steps
// are dropped first (a save point among them can no longer be reached), and
// nothing joins the step the save point stands after. Allocates everything
// before it changes anything. While undo is not collected, or for a load, a
// change empties the history instead, save point and all: its steps would
// no longer fit the text.
bool EditorCore::Impl::Record(int start, int deleteLength, int insertLength, EditRun kind) {
    if (!collectUndo || unrecorded) {
        history.clear();
        done = 0;
        run = EditRun::None;
        groupStarted = false;
        savePoint = -1;
        return false;
    }
    std::string removed = TextRange(start, start + deleteLength);
    // Room for one more step, grown by doubling: reserving exactly one more
    // would copy the whole history on every new step.
    if (history.capacity() <= done) {
        history.reserve(std::max<size_t>(16, 2 * history.capacity()));
    }
    if (done < history.size()) {
        history.resize(done);
        run = EditRun::None;
        groupStarted = false;
        if (savePoint > static_cast<int64_t>(done)) {
            savePoint = -1;
        }
    }
    bool atSavePoint = savePoint == static_cast<int64_t>(done);
    bool joins = kind != EditRun::None && kind == run && done > 0 && !atSavePoint;
    if (joins) {
        UndoAction& last = history[done - 1].actions.back();
        // Typing over, the characters replaced join the step's removed text.
        if (kind == EditRun::Typing && (deleteLength == 0 || overtype) &&
            start == last.position + last.insertedLength) {
            last.text += removed;
            last.removedLength += deleteLength;
            last.insertedLength += insertLength;
            return false;
        }
        if (kind == EditRun::DeleteBack && insertLength == 0 && last.insertedLength == 0 &&
            start + deleteLength == last.position) {
            last.text.insert(0, removed);
            last.position = start;
            last.removedLength += deleteLength;
            return false;
        }
        if (kind == EditRun::DeleteForward && insertLength == 0 && last.insertedLength == 0 &&
            start == last.position) {
            last.text += removed;
            last.removedLength += deleteLength;
            return false;
        }
    }
    run = kind;
    bool newStep = !(groupDepth > 0 && groupStarted && done > 0 && !atSavePoint);
    if (newStep) {
        UndoStep step;
        step.anchorBefore = anchor;
        step.caretBefore = caret;
        step.virtualBefore = {anchorVirtual, caretVirtual};
        step.othersBefore = others;
        step.mainBefore = mainNumber;
        step.actions.reserve(1);
        history.push_back(std::move(step));
        done = history.size();
        groupStarted = groupDepth > 0;
    }
    history[done - 1].actions.push_back(
        UndoAction{start, deleteLength, insertLength, std::move(removed)});
    return newStep;
}

// The last step's selection after is wherever the last edit left it.
void EditorCore::Impl::NoteSelectionAfterEdit() {
    if (done > 0 && done == history.size()) {
        UndoStep& step = history[done - 1];
        step.anchorAfter = anchor;
        step.caretAfter = caret;
        step.virtualAfter = {anchorVirtual, caretVirtual};
        step.othersAfter = others;
        step.mainAfter = mainNumber;
    }
}

int EditorCore::Impl::ValidPosition(int pos) const {
    pos = CharacterStart(pos);
    return doc.InsideCrLf(pos) ? pos - 1 : pos;
}

// In UTF-8 a position is inside a character only when a valid sequence
// starting at one of the three bytes before it covers it: continuation bytes
// never start one, so nothing further back can matter. In a double-byte code
// page, a byte that is no lead byte always ends a character, so the scan
// starts after the last such byte before pos (a line end at the latest).
int EditorCore::Impl::CharacterStart(int pos) const {
    pos = doc.ClampPosition(pos);
    if (pos == 0 || pos == doc.Length()) {
        return pos;
    }
    switch (encoding.Set()) {
    case CharacterSet::Utf8:
        for (int back = 1; back <= 3 && pos - back >= 0; ++back) {
            unsigned char byte = static_cast<unsigned char>(doc.CharAt(pos - back));
            if (byte >= 0x80 && byte <= 0xBF) {
                continue;
            }
            return CharacterLength(pos - back) > back ? pos - back : pos;
        }
        return pos;
    case CharacterSet::DoubleByte: {
        int start = pos;
        while (start > 0 &&
               encoding.IsLeadByte(static_cast<unsigned char>(doc.CharAt(start - 1)))) {
            --start;
        }
        while (true) {
            int next = start + CharacterLength(start);
            if (next > pos) {
                return start;
            }
            start = next;
        }
    }
    default: return pos;
    }
}

int EditorCore::Impl::CharacterLength(int pos) const {
    unsigned char bytes[4];
    int available = std::min(4, doc.Length() - pos);
    for (int i = 0; i < available; ++i) {
        bytes[i] = static_cast<unsigned char>(doc.CharAt(pos + i));
    }
    return encoding.CharacterLength(bytes, available);
}

// Clamps into the document and steps back out of a CRLF; a caret placed on a
// hidden line opens the folds that hide it.
void EditorCore::Impl::SetCaret(int pos) {
    caret = ValidPosition(pos);
    changes.scrollCaret = true;
    RevealCaret();
}

// The selections an undo step kept, each clamped as Put clamps it.
void EditorCore::Impl::RestoreSelections(int anchorPos, int caretPos,
                                         std::pair<int, int> mainVirtual,
                                         const std::vector<SelectionRange>& kept, int main) {
    SetSelection(anchorPos, caretPos);
    anchorVirtual = KeptVirtual(anchor, mainVirtual.first);
    caretVirtual = KeptVirtual(caret, mainVirtual.second);
    for (const SelectionRange& range : kept) {
        SelectionRange valid{ValidPosition(range.anchor), ValidPosition(range.caret)};
        valid.anchorVirtual = KeptVirtual(valid.anchor, range.anchorVirtual);
        valid.caretVirtual = KeptVirtual(valid.caret, range.caretVirtual);
        others.push_back(valid);
    }
    mainNumber = kept.empty() ? 0 : main;
}

void EditorCore::Impl::SetSelection(int anchorPos, int caretPos) {
    DropOthers();
    SetMain(anchorPos, caretPos);
}

void EditorCore::Impl::SetMain(int anchorPos, int caretPos) {
    anchorVirtual = 0;
    caretVirtual = 0;
    anchor = ValidPosition(anchorPos);
    SetCaret(caretPos);
}

void EditorCore::Impl::RevealCaret() {
    int line = doc.LineFromPosition(caret);
    for (int parent = folds.Parent(line); parent >= 0; parent = folds.Parent(parent)) {
        SetContracted(parent, false);
    }
}

void EditorCore::Impl::GotoLine(int line) {
    line = std::clamp(line, 0, doc.LineCount() - 1);
    int start = doc.LineStart(line);
    SetSelection(start, start);
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
    impl_->EnsureLexed(LineFromPosition(pos));
    impl_->EnsureLongStyled(pos, pos + 1);
    return impl_->doc.StyleAt(pos);
}

std::string EditorCore::TextRange(int start, int end) const {
    return impl_->TextRange(start, end);
}

const Look& EditorCore::GetLook() const {
    return impl_->look;
}

std::string EditorCore::StyleRange(int start, int end) const {
    start = impl_->doc.ClampPosition(start);
    end = impl_->doc.ClampPosition(end);
    impl_->EnsureLexed(LineFromPosition(end));
    impl_->EnsureLongStyled(start, end);
    std::string styles(static_cast<size_t>(std::max(0, end - start)), '\0');
    impl_->doc.CopyStyles(start, static_cast<int>(styles.size()), styles.data());
    return styles;
}

std::string EditorCore::Text() const {
    return TextRange(0, Length());
}

int EditorCore::Caret() const {
    return impl_->caret;
}
int EditorCore::Anchor() const {
    return impl_->anchor;
}

// The caret and the anchor move to boundaries of the new code page; the
// text looks different, so everything is drawn again.
void EditorCore::SetCodePage(int codePage) {
    if (!KnownCodePage(codePage)) {
        return;
    }
    impl_->codePage = codePage;
    SetSystemCodePage(impl_->systemCodePage);
}

int EditorCore::CodePage() const {
    return impl_->codePage;
}

void EditorCore::SetSystemCodePage(int codePage) {
    Impl& core = *impl_;
    core.systemCodePage = codePage;
    int inForce = core.codePage != 0 ? core.codePage : codePage;
    if (inForce == core.encoding.CodePage()) {
        return;
    }
    core.encoding = Encoding(inForce);
    core.anchor = core.ValidPosition(core.anchor);
    core.caret = core.ValidPosition(core.caret);
    for (SelectionRange& range : core.others) {
        range = {core.ValidPosition(range.anchor), core.ValidPosition(range.caret)};
    }
    core.ChangedAll();
}

const Encoding& EditorCore::CurrentEncoding() const {
    return impl_->encoding;
}

int EditorCore::CharacterStart(int pos) const {
    return impl_->CharacterStart(pos);
}

// The start of the character holding the byte before pos, a CRLF as one:
// from inside a character that is its own start, not the one before it.
int EditorCore::PositionBefore(int pos) const {
    const Impl& core = *impl_;
    pos = core.doc.ClampPosition(pos);
    return pos == 0 ? 0 : core.ValidPosition(pos - 1);
}

int EditorCore::PositionAfter(int pos) const {
    const Impl& core = *impl_;
    pos = core.ValidPosition(pos);
    if (pos == Length()) {
        return pos;
    }
    return core.doc.InsideCrLf(pos + 1) ? pos + 2 : pos + core.CharacterLength(pos);
}

void EditorCore::SetCaret(int pos) {
    SetSelection(pos, pos);
}

void EditorCore::ExtendSelection(int pos) {
    EndTypingRun();
    impl_->DropOthers();
    impl_->SetCaret(pos);
}

void EditorCore::SetAnchor(int pos) {
    EndTypingRun();
    impl_->DropOthers();
    impl_->anchor = impl_->ValidPosition(pos);
}

void EditorCore::SetSelection(int anchor, int caret) {
    EndTypingRun();
    impl_->SetSelection(anchor, caret);
}

int EditorCore::SelectionStart() const {
    return std::min(impl_->anchor, impl_->caret);
}
int EditorCore::SelectionEnd() const {
    return std::max(impl_->anchor, impl_->caret);
}
bool EditorCore::SelectionEmpty() const {
    return impl_->anchor == impl_->caret;
}

std::string EditorCore::SelectedText() const {
    return TextRange(SelectionStart(), SelectionEnd());
}

void EditorCore::ReplaceSelection(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        impl_->RefuseForMemory();
        return;
    }
    EndTypingRun();
    int start = SelectionStart();
    int size = static_cast<int>(text.size());
    if (impl_->Replace(start, SelectionEnd() - start, text.data(), size)) {
        impl_->SetMain(start + size, start + size);
        impl_->MergeSelections();
        impl_->NoteSelectionAfterEdit();
    }
}

void EditorCore::ReplaceSelectionKeepingIt(const std::string& text) {
    int start = SelectionStart();
    bool forward = Caret() >= Anchor();
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        impl_->RefuseForMemory();
        return;
    }
    if (text == SelectedText()) {
        return;
    }
    EndTypingRun();
    int end = start + static_cast<int>(text.size());
    if (impl_->Replace(start, SelectionEnd() - start, text.data(), static_cast<int>(text.size()))) {
        impl_->SetSelection(forward ? start : end, forward ? end : start);
        impl_->NoteSelectionAfterEdit();
    }
}

void EditorCore::InsertAtCaret(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        impl_->RefuseForMemory();
        return;
    }
    Impl& core = *impl_;
    if (core.EditsEach()) {
        core.EditEach(EditRun::Typing, [&](SelectionRange range) {
            int start = range.Start();
            int removed = range.End() - start;
            if (removed == 0 && core.overtype &&
                start < core.doc.LineEnd(core.doc.LineFromPosition(start))) {
                removed = PositionAfter(start) - start;
            }
            int before = Length();
            core.Replace(start, removed, text.data(), static_cast<int>(text.size()));
            int end = start + removed + Length() - before;
            return SelectionRange{end, end};
        });
        return;
    }
    core.DropOthers();
    int start = SelectionStart();
    int removed = SelectionEnd() - start;
    // Typing over replaces the character after the caret, but never a line end.
    if (removed == 0 && core.overtype &&
        start < core.doc.LineEnd(core.doc.LineFromPosition(start))) {
        removed = PositionAfter(start) - start;
    }
    int before = Length();
    if (core.Replace(start, removed, text.data(), static_cast<int>(text.size()), EditRun::Typing)) {
        int end = start + removed + Length() - before;
        core.SetSelection(end, end);
        core.NoteSelectionAfterEdit();
    }
}

std::string EditorCore::LineEndText() const {
    const Document& doc = impl_->doc;
    if (impl_->eolMode >= 0) {
        return kLineEnds[impl_->eolMode];
    }
    if (doc.LineCount() < 2) {
        return "\r\n";
    }
    return TextRange(doc.LineEnd(0), doc.LineStart(1));
}

// Enter is a step of its own: it ends any typing run before and after it.
void EditorCore::InsertLineEnd() {
    ReplaceEach(LineEndText());
}

// Backspace at every selection: a selection goes, or the character before an
// empty one (none at the document's start).
void EditorCore::DeleteBack() {
    Impl& core = *impl_;
    if (core.EditsEach()) {
        core.EditEach(EditRun::DeleteBack, [&](SelectionRange range) {
            // In virtual space Backspace takes back a space's room, or the
            // room a selection there spans.
            if (range.StartVirtual() > 0 || (range.Empty() && range.caretVirtual > 0)) {
                int room = range.Empty() ? range.caretVirtual - 1 : range.StartVirtual();
                return SelectionRange{range.Start(), range.Start(), room, room};
            }
            int start = range.Empty() ? PositionBefore(range.caret) : range.Start();
            core.Replace(start, range.End() - start, "", 0);
            return SelectionRange{start, start};
        });
        return;
    }
    core.DropOthers();
    int caret = core.caret;
    if (!SelectionEmpty()) {
        ReplaceSelection("");
    } else if (caret > 0) {
        int start = PositionBefore(caret);
        core.Replace(start, caret - start, "", 0, EditRun::DeleteBack);
    }
}

void EditorCore::DeleteForward() {
    Impl& core = *impl_;
    if (core.EditsEach()) {
        core.EditEach(EditRun::DeleteForward, [&](SelectionRange range) {
            if (range.StartVirtual() > 0) { // nothing lies after virtual space
                return SelectionRange{range.Start(), range.Start(), range.StartVirtual(),
                                      range.StartVirtual()};
            }
            int start = range.Start();
            int end = range.Empty() ? PositionAfter(start) : range.End();
            core.Replace(start, end - start, "", 0);
            return SelectionRange{start, start};
        });
        return;
    }
    core.DropOthers();
    int caret = core.caret;
    if (!SelectionEmpty()) {
        ReplaceSelection("");
    } else {
        core.Replace(caret, PositionAfter(caret) - caret, "", 0, EditRun::DeleteForward);
        core.changes.scrollCaret = true;
    }
}

void EditorCore::DeleteWordBack() {
    if (!SelectionEmpty()) {
        ReplaceSelection("");
        return;
    }
    EndTypingRun();
    int start = PreviousWordStart(*this, impl_->caret);
    if (impl_->Replace(start, impl_->caret - start, "", 0)) {
        impl_->SetSelection(start, start);
        impl_->NoteSelectionAfterEdit();
    }
}

void EditorCore::DeleteWordForward() {
    if (!SelectionEmpty()) {
        ReplaceSelection("");
        return;
    }
    EndTypingRun();
    int caret = impl_->caret;
    impl_->Replace(caret, NextWordStart(*this, caret) - caret, "", 0);
    impl_->changes.scrollCaret = true;
}

bool EditorCore::CanUndo() const {
    return impl_->done > 0;
}

bool EditorCore::CanRedo() const {
    return impl_->done < impl_->history.size();
}

// Makes room for the text each of a step's actions is to take away (copied
// out as each is replayed, since the earlier ones move it) and for what they
// put back, so that replaying the step allocates nothing: with too little
// memory the step is not replayed at all.
bool EditorCore::Impl::PrepareReplay(const UndoStep& step, bool undo,
                                     std::vector<std::string>& taken) {
    // The length the document reaches after each action, in the order they
    // are replayed, stays within the limit (or does not grow past it).
    int64_t length = doc.Length();
    int64_t longest = length;
    for (size_t i = 0; i < step.actions.size(); ++i) {
        const UndoAction& action = step.actions[undo ? step.actions.size() - 1 - i : i];
        length += undo ? action.removedLength - action.insertedLength
                       : action.insertedLength - action.removedLength;
        longest = std::max(longest, length);
    }
    if (longest > std::max<int64_t>(lengthLimit, doc.Length())) {
        RefuseForMemory();
        return false;
    }
    try {
        taken.reserve(step.actions.size());
        int64_t growth = 0;
        int lineEnds = 0;
        for (const UndoAction& action : step.actions) {
            int length = undo ? action.insertedLength : action.removedLength;
            taken.emplace_back();
            taken.back().reserve(static_cast<size_t>(length));
            growth += undo ? action.removedLength : action.insertedLength;
            lineEnds += CountLineEnds(action.text.data(), static_cast<int>(action.text.size()));
        }
        Reserve(static_cast<int>(std::min<int64_t>(growth, kMaxDocumentLength)), lineEnds);
        return true;
    } catch (const std::bad_alloc&) {
        RefuseForMemory();
        return false;
    }
}

// Copies [position, position + length) into text, whose room was made before.
void EditorCore::Impl::TakeOut(int position, int length, std::string& text) {
    position = doc.ClampPosition(position);
    length = std::clamp(length, 0, doc.Length() - position);
    text.resize(static_cast<size_t>(std::min<size_t>(text.capacity(), length)));
    doc.CopyText(position, static_cast<int>(text.size()), text.data());
}

// Reverses the last step's actions, last first, keeping each action's
// inserted text as it leaves the document. A read-only document keeps its
// history as it is.
void EditorCore::Undo() {
    EndTypingRun();
    Impl& core = *impl_;
    std::vector<std::string> taken;
    if (core.done == 0 || !core.Editable() ||
        !core.PrepareReplay(core.history[core.done - 1], true, taken)) {
        return;
    }
    UndoStep& step = core.history[--core.done];
    core.replaying = true;
    int multiStep = step.actions.size() > 1 ? SC_MULTISTEPUNDOREDO : 0;
    for (size_t i = step.actions.size(); i-- > 0;) {
        UndoAction& action = step.actions[i];
        core.performed = SC_PERFORMED_UNDO | multiStep | (i == 0 ? SC_LASTSTEPINUNDOREDO : 0);
        core.TakeOut(action.position, action.insertedLength, taken[i]);
        core.Replace(action.position, action.insertedLength, action.text.data(),
                     action.removedLength);
        action.text = std::move(taken[i]);
    }
    core.performed = SC_PERFORMED_USER;
    core.replaying = false;
    core.RestoreSelections(step.anchorBefore, step.caretBefore, step.virtualBefore,
                           step.othersBefore, step.mainBefore);
}

// Repeats the next undone step's actions in their order.
void EditorCore::Redo() {
    EndTypingRun();
    Impl& core = *impl_;
    std::vector<std::string> taken;
    if (core.done == core.history.size() || !core.Editable() ||
        !core.PrepareReplay(core.history[core.done], false, taken)) {
        return;
    }
    UndoStep& step = core.history[core.done++];
    core.replaying = true;
    int multiStep = step.actions.size() > 1 ? SC_MULTISTEPUNDOREDO : 0;
    for (size_t i = 0; i < step.actions.size(); ++i) {
        UndoAction& action = step.actions[i];
        core.performed = SC_PERFORMED_REDO | multiStep |
                         (i + 1 == step.actions.size() ? SC_LASTSTEPINUNDOREDO : 0);
        core.TakeOut(action.position, action.removedLength, taken[i]);
        core.Replace(action.position, action.removedLength, action.text.data(),
                     action.insertedLength);
        action.text = std::move(taken[i]);
    }
    core.performed = SC_PERFORMED_USER;
    core.replaying = false;
    core.RestoreSelections(step.anchorAfter, step.caretAfter, step.virtualAfter, step.othersAfter,
                           step.mainAfter);
}

void EditorCore::BeginUndoAction() {
    EndTypingRun();
    if (impl_->groupDepth++ == 0) {
        impl_->groupStarted = false;
    }
}

void EditorCore::EndUndoAction() {
    EndTypingRun();
    if (impl_->groupDepth > 0 && --impl_->groupDepth == 0) {
        impl_->groupStarted = false;
    }
}

// A modified document stays modified, with no save point left to reach.
void EditorCore::EmptyUndoBuffer() {
    Impl& core = *impl_;
    core.savePoint = core.Modified() ? -1 : 0;
    core.history.clear();
    core.history.shrink_to_fit();
    core.done = 0;
    core.run = EditRun::None;
    core.groupStarted = false;
}

void EditorCore::EndTypingRun() {
    impl_->run = EditRun::None;
}

void EditorCore::InsertText(int pos, const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        impl_->RefuseForMemory();
        return;
    }
    EndTypingRun();
    impl_->Replace(CharacterStart(pos), 0, text.data(), static_cast<int>(text.size()));
}

// Both ends inside characters move to their starts, so no character is cut.
void EditorCore::DeleteRange(int start, int length) {
    int64_t end = std::clamp<int64_t>(int64_t{start} + std::max(length, 0), 0, Length());
    start = CharacterStart(start);
    EndTypingRun();
    impl_->Replace(start, CharacterStart(static_cast<int>(end)) - start, "", 0);
}

void EditorCore::SetText(std::string_view text) {
    if (text.size() > static_cast<size_t>(kMaxDocumentLength)) {
        impl_->RefuseForMemory();
        return;
    }
    EndTypingRun();
    impl_->unrecorded = impl_->history.empty();
    bool changed = impl_->Replace(0, Length(), text.data(), static_cast<int>(text.size()));
    impl_->unrecorded = false;
    impl_->SetSelection(0, 0);
    if (changed) {
        impl_->NoteSelectionAfterEdit();
    }
}

int EditorCore::PositionLeft(int pos) const {
    const Document& doc = impl_->doc;
    pos = impl_->ValidPosition(pos);
    int line = doc.LineFromPosition(pos);
    if (pos > doc.LineStart(line)) {
        return PositionBefore(pos);
    }
    int previous = VisibleLineAfter(line, -1);
    return previous < line ? doc.LineEnd(previous) : pos;
}

int EditorCore::PositionRight(int pos) const {
    const Document& doc = impl_->doc;
    pos = impl_->ValidPosition(pos);
    int line = doc.LineFromPosition(pos);
    if (pos < doc.LineEnd(line)) {
        return PositionAfter(pos);
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
    impl_->EnsureLexed(line);
    return impl_->folds.Level(line);
}
bool EditorCore::IsHeader(int line) const {
    impl_->EnsureLexed(line);
    return impl_->folds.IsHeader(line);
}
bool EditorCore::Expanded(int line) const {
    return !impl_->folds.Contracted(line);
}
bool EditorCore::LineVisible(int line) const {
    return impl_->folds.LineVisible(line);
}
int EditorCore::FoldParent(int line) const {
    impl_->EnsureLexed(line);
    return impl_->folds.Parent(line);
}
int EditorCore::LastChild(int line) const {
    return impl_->LastChildLexed(line, -1);
}

void EditorCore::ToggleFold(int line) {
    SetFoldExpanded(line, impl_->folds.Contracted(line));
}

// A caret left inside a fold that closes goes to its header's start.
void EditorCore::SetFoldExpanded(int line, bool expanded) {
    Impl& core = *impl_;
    core.SetContracted(line, !expanded);
    if (!expanded && core.folds.Contracted(line)) {
        int caretLine = core.doc.LineFromPosition(core.caret);
        if (caretLine > line && caretLine <= core.folds.LastChild(line, -1)) {
            EndTypingRun();
            core.GotoLine(line);
        }
    }
}

void EditorCore::GotoLine(int line) {
    EndTypingRun();
    impl_->GotoLine(line);
}

int EditorCore::VisibleLineCount() const {
    if (!Wrapping())
        return impl_->folds.VisibleLineCount();
    return std::max(impl_->Rows().TotalRows(), 1);
}

int EditorCore::DocLineFromVisible(int displayLine) const {
    if (!Wrapping())
        return impl_->folds.DocLineFromVisible(displayLine);
    int sub = 0;
    return impl_->Rows().LineAt(displayLine, &sub);
}

int EditorCore::VisibleFromDocLine(int line) const {
    if (!Wrapping())
        return impl_->folds.VisibleFromDocLine(line);
    const FoldState& folds = impl_->folds;
    line = std::clamp(line, 0, LineCount() - 1);
    if (!folds.LineVisible(line))
        line = folds.DocLineFromVisible(folds.VisibleFromDocLine(line));
    return impl_->Rows().RowOf(line);
}

WrapRows& EditorCore::Impl::Rows() {
    const std::vector<FoldState::HiddenRun>& runs = folds.HiddenRuns();
    if (folds.RunsVersion() == rowsRunsVersion)
        return rows;
    rowsRunsVersion = folds.RunsVersion();
    auto estimate = [this](int line) { return EstimateRows(line); };
    for (auto [first, last] : rowsHidden)
        rows.Fill(first, last, estimate, true);
    rowsHidden.clear();
    for (const FoldState::HiddenRun& run : runs) {
        rows.Fill(
            run.first, run.last, [](int) { return 0; }, false);
        rowsHidden.emplace_back(run.first, run.last);
    }
    return rows;
}

int EditorCore::Impl::EstimateRows(int line) const {
    int64_t length = doc.LineEnd(line) - doc.LineStart(line);
    return static_cast<int>(std::max<int64_t>(1, (length + bytesPerRow - 1) / bytesPerRow));
}

void EditorCore::Impl::WrapEdited(const LineChange& change, int position, int removed, int inserted,
                                  bool lineEnds) {
    if (look.wrapMode == SC_WRAP_NONE) {
        longRows.clear(); // lines rewrap when wrapping comes back on
        return;
    }
    if (!longRows.empty()) {
        // Lines [edited, last] were replaced, unless the edit stayed inside one.
        int edited = doc.LineFromPosition(position);
        std::map<int, std::shared_ptr<LongLineRows>> moved;
        int last = change.firstLine - 1 + change.linesRemoved;
        for (auto& [line, found] : longRows) {
            if (!lineEnds && change.linesAdded == change.linesRemoved && line == edited)
                found->Edited(position - doc.LineStart(line), removed, inserted);
            else if (line >= edited && line <= last)
                continue;
            moved.emplace(line > last ? line + change.linesAdded - change.linesRemoved : line,
                          std::move(found));
        }
        longRows = std::move(moved);
    }
    rows.Replace(change.firstLine, change.linesRemoved, change.linesAdded,
                 [this](int line) { return EstimateRows(line); });
    // The hidden runs the rows follow move with the lines, as their rows did.
    int first = change.firstLine;
    int removedEnd = first + change.linesRemoved;
    int delta = change.linesAdded - change.linesRemoved;
    std::vector<std::pair<int, int>> moved;
    for (auto [a, b] : rowsHidden) {
        a = a < first ? a : a >= removedEnd ? a + delta : first;
        b = b < first ? b : b >= removedEnd ? b + delta : first + change.linesAdded - 1;
        if (b >= a)
            moved.emplace_back(a, b);
    }
    rowsHidden = std::move(moved);
    int line = doc.LineFromPosition(position);
    rows.Set(line, rows.Rows(line), true);
}

bool EditorCore::Wrapping() const {
    return impl_->look.wrapMode != SC_WRAP_NONE;
}

int EditorCore::LineRows(int line) const {
    if (line < 0 || line >= LineCount())
        return 0;
    if (!Wrapping())
        return impl_->folds.LineVisible(line) ? 1 : 0;
    return impl_->Rows().Rows(line);
}

bool EditorCore::LineRowsEstimated(int line) const {
    return Wrapping() && impl_->Rows().Estimated(line);
}

// A line entirely above the top row moves the top row by its change; a
// change of the line holding the top row keeps the top row inside it.
void EditorCore::SetLineRows(int line, int rows, bool estimated) {
    Impl& core = *impl_;
    if (!Wrapping() || line < 0 || line >= LineCount() || !core.folds.LineVisible(line))
        return;
    WrapRows& counts = core.Rows();
    int first = counts.RowOf(line);
    int before = counts.Rows(line);
    rows = std::max(rows, 1);
    int delta = counts.Set(line, rows, estimated);
    int& top = core.firstVisibleLine;
    if (delta != 0 && first + before <= top)
        top += delta;
    else if (first <= top && top < first + before)
        top = first + std::min(top - first, rows - 1);
}

std::shared_ptr<LongLineRows> EditorCore::LongRows(int line) {
    std::shared_ptr<LongLineRows>& rows = impl_->longRows[line];
    if (!rows)
        rows = std::make_shared<LongLineRows>();
    return rows;
}

void EditorCore::ResetWrap(int bytesPerRow) {
    Impl& core = *impl_;
    core.longRows.clear();
    if (!Wrapping())
        return;
    core.bytesPerRow = std::max(bytesPerRow, 1);
    core.rows.Reset(LineCount(), [&](int line) { return core.EstimateRows(line); });
    core.rowsHidden.clear();
    core.rowsRunsVersion = core.folds.RunsVersion() - 1; // hidden lines to take no rows
}

int EditorCore::NextEstimatedLine(int fromLine) const {
    return Wrapping() ? impl_->Rows().NextEstimated(fromLine) : -1;
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

void EditorCore::SetListener(ChangeListener* listener) {
    impl_->listener = listener;
}

// The selection and the save point are compared with where they stood at
// the last take, so a change that is undone within one message tells nothing.
Changes EditorCore::TakeChanges() {
    Impl& core = *impl_;
    bool selection = core.caret != core.takenCaret || core.anchor != core.takenAnchor;
    // The additional selections' old and new lines are repainted.
    if (core.others != core.takenOthers || core.mainNumber != core.takenMain) {
        int first = INT_MAX;
        int last = -1;
        core.OthersLines(core.takenOthers, &first, &last);
        core.OthersLines(core.others, &first, &last);
        if (last >= 0)
            core.Changed(first, last);
        selection = true;
        core.changes.selections = true;
        core.takenOthers = core.others;
        core.takenMain = core.mainNumber;
    }
    // Virtual space that grew or shrank moves the caret and redraws its line.
    SelectionRange main = core.Get(core.mainNumber);
    if (main.caretVirtual != core.takenCaretVirtual ||
        main.anchorVirtual != core.takenAnchorVirtual) {
        int first = std::min(core.doc.LineFromPosition(main.Start()),
                             core.doc.LineFromPosition(core.takenCaret));
        int last = std::max(core.doc.LineFromPosition(main.End()),
                            core.doc.LineFromPosition(core.takenCaret));
        core.Changed(first, last);
        selection = true;
        core.takenCaretVirtual = main.caretVirtual;
        core.takenAnchorVirtual = main.anchorVirtual;
    }
    Changes changes = core.changes;
    core.changes = Changes();
    changes.selection = selection;
    core.takenCaret = core.caret;
    core.takenAnchor = core.anchor;
    bool modified = core.Modified();
    if (modified != core.takenModified) {
        changes.savePoint = modified ? -1 : 1;
    }
    core.takenModified = modified;
    core.readOnlyAsked = false;
    return changes;
}

// A typing run or an open group ends here, so the next change is a step of
// its own that undo can go back before.
void EditorCore::SetSavePoint() {
    Impl& core = *impl_;
    EndTypingRun();
    core.groupStarted = false;
    core.savePoint = static_cast<int64_t>(core.done);
}

bool EditorCore::Modified() const {
    return impl_->Modified();
}

bool EditorCore::ReadOnly() const {
    return impl_->readOnly;
}

void EditorCore::SetReadOnly(bool readOnly) {
    impl_->readOnly = readOnly;
}

bool EditorCore::CanEdit() {
    return impl_->Editable();
}

int EditorCore::Status() const {
    return impl_->status;
}

void EditorCore::RefuseForMemory() {
    impl_->RefuseForMemory();
}

void EditorCore::SetLengthLimit(int bytes) {
    impl_->lengthLimit = std::clamp(bytes, 0, kMaxDocumentLength);
}

unsigned EditorCore::TextVersion() const {
    return impl_->textVersion;
}

} // namespace kalmor
