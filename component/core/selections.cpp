// Multiple selections: the list beside the main selection, merging, edits
// at every selection as one undo step, and the requests that read and set
// them.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "component/core/words.h"
#include "kalmor.h"

#include <algorithm>
#include <numeric>

namespace kalmor {

SelectionRange EditorCore::Impl::Get(int n) const {
    if (n == mainNumber || others.empty()) {
        return {anchor, caret, KeptVirtual(anchor, anchorVirtual),
                KeptVirtual(caret, caretVirtual)};
    }
    n = std::clamp(n, 0, static_cast<int>(others.size()));
    return others[static_cast<size_t>(n < mainNumber ? n : n - 1)];
}

// Positions are clamped onto character starts outside a CRLF, as the main
// selection's are.
void EditorCore::Impl::Put(int n, SelectionRange range) {
    range = {ValidPosition(range.anchor), ValidPosition(range.caret), range.anchorVirtual,
             range.caretVirtual};
    range.anchorVirtual = KeptVirtual(range.anchor, range.anchorVirtual);
    range.caretVirtual = KeptVirtual(range.caret, range.caretVirtual);
    if (n == mainNumber || others.empty()) {
        anchor = range.anchor;
        caret = range.caret;
        anchorVirtual = range.anchorVirtual;
        caretVirtual = range.caretVirtual;
        return;
    }
    others[static_cast<size_t>(n < mainNumber ? n : n - 1)] = range;
}

std::vector<SelectionRange> EditorCore::Impl::All() const {
    std::vector<SelectionRange> all;
    for (int n = 0; n <= static_cast<int>(others.size()); ++n) {
        all.push_back(Get(n));
    }
    return all;
}

// all holds valid positions; main is a number in it.
void EditorCore::Impl::SetAll(std::vector<SelectionRange> all, int main) {
    anchor = all[static_cast<size_t>(main)].anchor;
    caret = all[static_cast<size_t>(main)].caret;
    anchorVirtual = all[static_cast<size_t>(main)].anchorVirtual;
    caretVirtual = all[static_cast<size_t>(main)].caretVirtual;
    all.erase(all.begin() + main);
    others = std::move(all);
    mainNumber = others.empty() ? 0 : main;
}

void EditorCore::Impl::DropOthers() {
    others.clear();
    mainNumber = 0;
}

// A rectangle is edited on every line whatever the typing setting, and a
// caret in virtual space is edited as one of several, so spaces fill it.
bool EditorCore::Impl::EditsEach() const {
    return (!others.empty() && (additionalTyping || Rectangular())) ||
           KeptVirtual(caret, caretVirtual) > 0 || KeptVirtual(anchor, anchorVirtual) > 0;
}

// Sorted by their starts, the selections that touch form runs of
// neighbours: each run merges into the one of it made first, in the main
// one's direction when the main one is in the run; the numbers after a
// merged one close up.
void EditorCore::Impl::MergeSelections() {
    if (others.empty()) {
        return;
    }
    std::vector<SelectionRange> all = All();
    std::vector<size_t> order(all.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return all[a].Start() < all[b].Start(); });
    std::vector<size_t> into(all.size()); // the selection each one merges into
    size_t main = static_cast<size_t>(mainNumber);
    bool merged = false;
    for (size_t k = 0; k < order.size();) {
        size_t next = k + 1;
        size_t lead = order[k];
        int end = all[order[k]].End();
        bool holdsMain = order[k] == main;
        for (; next < order.size() && all[order[next]].Start() <= end; ++next) {
            end = std::max(end, all[order[next]].End());
            lead = std::min(lead, order[next]);
            holdsMain = holdsMain || order[next] == main;
        }
        const SelectionRange& guide = holdsMain ? all[main] : all[lead];
        bool forward = guide.caret >= guide.anchor;
        int start = all[order[k]].Start();
        for (size_t j = k; j < next; ++j) {
            into[order[j]] = lead;
        }
        if (next - k > 1) {
            merged = true;
            all[lead] = forward ? SelectionRange{start, end} : SelectionRange{end, start};
        }
        k = next;
    }
    if (!merged) {
        return;
    }
    std::vector<SelectionRange> kept;
    int newMain = 0;
    for (size_t n = 0; n < all.size(); ++n) {
        if (into[n] == n) {
            newMain = n == into[main] ? static_cast<int>(kept.size()) : newMain;
            kept.push_back(all[n]);
        }
    }
    SetAll(std::move(kept), newMain);
}

// The selections are edited from the last in the text to the first, so an
// edit never moves a selection still to come; each edit's Replace moves the
// ones done already. The edits join one undo step (the previous one too
// while a run of the same kind goes on), inside any group the host opened.
void EditorCore::Impl::EditEach(EditRun kind,
                                const std::function<SelectionRange(SelectionRange)>& edit) {
    bool rectangular = Rectangular();
    std::vector<int> order(others.size() + 1);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return Get(a).Start() > Get(b).Start(); });
    bool outer = groupDepth > 0;
    if (!outer) {
        groupStarted = kind != EditRun::None && run == kind;
    }
    ++groupDepth;
    editingEach = true;
    // A fold's extent, which the next edit may open, must rest on levels lexed already.
    deferringRelex = order.size() > 1 && !folds.AnyContracted();
    for (int n : order) {
        bool deletes = kind == EditRun::DeleteBack || kind == EditRun::DeleteForward;
        Put(n, edit(deletes ? Get(n) : FillVirtual(Get(n))));
    }
    deferringRelex = false;
    RelexDeferred();
    editingEach = false;
    --groupDepth;
    if (!outer) {
        groupStarted = false;
    }
    run = kind;
    // An edited rectangle stays one, between the carets its pieces were left with.
    if (rectangular && static_cast<int>(order.size()) == static_cast<int>(others.size()) + 1) {
        SelectionRange first = Get(0);
        rect = {first.caret, caret, first.caretVirtual, KeptVirtual(caret, caretVirtual)};
        rectPieces = All();
        rectMode = SC_SEL_THIN;
    }
    MergeSelections();
    changes.scrollCaret = true;
    RevealCaret();
    NoteSelectionAfterEdit();
}

void EditorCore::Impl::OthersLines(const std::vector<SelectionRange>& ranges, int* first,
                                   int* last) const {
    for (const SelectionRange& range : ranges) {
        *first = std::min(*first, doc.LineFromPosition(range.Start()));
        *last = std::max(*last, doc.LineFromPosition(range.End()));
    }
}

int EditorCore::SelectionCount() const {
    return static_cast<int>(impl_->others.size()) + 1;
}

int EditorCore::MainSelection() const {
    return impl_->mainNumber;
}

SelectionRange EditorCore::SelectionN(int n) const {
    return impl_->Get(std::clamp(n, 0, SelectionCount() - 1));
}

std::vector<SelectionRange> EditorCore::SelectionsInOrder() const {
    std::vector<SelectionRange> all;
    for (int n = 0; n < SelectionCount(); ++n) {
        all.push_back(SelectionN(n));
    }
    std::sort(all.begin(), all.end(), [](const SelectionRange& a, const SelectionRange& b) {
        return a.Start() < b.Start();
    });
    return all;
}

// The new selection becomes the main one: the old main joins the others at
// its number, the new one takes the last.
void EditorCore::AddSelection(int anchor, int caret) {
    EndTypingRun();
    Impl& core = *impl_;
    auto& others = core.others;
    others.insert(others.begin() + core.mainNumber, SelectionRange{core.anchor, core.caret});
    core.mainNumber = static_cast<int>(others.size());
    core.SetMain(anchor, caret);
    core.MergeSelections();
}

// The main selection dropped gives way to the one before it.
void EditorCore::DropSelection(int n) {
    Impl& core = *impl_;
    if (core.others.empty() || n < 0 || n >= SelectionCount()) {
        return;
    }
    EndTypingRun();
    std::vector<SelectionRange> all = core.All();
    all.erase(all.begin() + n);
    int main = core.mainNumber;
    core.changes.scrollCaret = n == main;
    if (n < main || (n == main && main > 0)) {
        --main;
    }
    core.SetAll(std::move(all), main);
}

bool EditorCore::MultipleSelection() const {
    return impl_->multipleSelection;
}

bool EditorCore::AdditionalTyping() const {
    return impl_->additionalTyping;
}

int EditorCore::MultiPaste() const {
    return impl_->multiPaste;
}

void EditorCore::MoveCarets(const std::function<int(const SelectionRange&)>& to, bool extend) {
    EndTypingRun();
    Impl& core = *impl_;
    for (int n = 0; n < SelectionCount(); ++n) {
        SelectionRange range = core.Get(n);
        int pos = to(range);
        core.Put(n, {extend ? range.anchor : pos, pos});
    }
    core.MergeSelections();
    core.changes.scrollCaret = true;
    core.RevealCaret();
}

// With one selection (or edits at the main one only) the others go and
// the main one is replaced as ReplaceSelection does.
void EditorCore::ReplaceEach(const std::string& text) {
    Impl& core = *impl_;
    if (!core.EditsEach()) {
        core.DropOthers();
        ReplaceSelection(text);
        return;
    }
    ReplaceEachWith(std::vector<std::string>(static_cast<size_t>(SelectionCount()), text));
}

// pieces[i] goes into the i-th selection in the order of the text.
void EditorCore::ReplaceEachWith(const std::vector<std::string>& pieces) {
    Impl& core = *impl_;
    if (pieces.size() != static_cast<size_t>(SelectionCount()) || pieces.size() < 2) {
        ReplaceEach(pieces.empty() ? std::string() : pieces[0]);
        return;
    }
    for (const std::string& piece : pieces) {
        if (piece.size() > static_cast<size_t>(kMaxDocumentLength)) {
            return;
        }
    }
    EndTypingRun();
    size_t rank = pieces.size();
    core.EditEach(EditRun::None, [&](SelectionRange range) {
        const std::string& piece = pieces[--rank];
        int start = range.Start();
        int before = Length();
        core.Replace(start, range.End() - start, piece.data(), static_cast<int>(piece.size()));
        int end = range.End() + Length() - before;
        return SelectionRange{end, end};
    });
}

void EditorCore::Paste(const std::string& text) {
    Impl& core = *impl_;
    if (core.multiPaste == SC_MULTIPASTE_ONCE || !core.EditsEach()) {
        if (!core.additionalTyping) {
            core.DropOthers();
        }
        ReplaceSelection(text);
        return;
    }
    std::string eol = LineEndText();
    std::vector<std::string> lines;
    for (size_t from = 0;;) {
        size_t end = text.find(eol, from);
        lines.push_back(text.substr(from, end - from));
        if (end == std::string::npos) {
            break;
        }
        from = end + eol.size();
    }
    if (lines.size() > 1 && lines.back().empty()) {
        lines.pop_back();
    }
    if (lines.size() == static_cast<size_t>(SelectionCount())) {
        ReplaceEachWith(lines);
    } else {
        ReplaceEach(text);
    }
}

// Adds the next match of the main selection's text after it within the
// target (the whole document while the target is empty), wrapping round to
// the target's start; each adds every match not selected yet. An empty main
// selection first becomes the word at its caret.
void EditorCore::AddNextMatch(bool each) {
    Impl& core = *impl_;
    if (SelectionEmpty()) {
        int start = WordRunStart(*this, Caret(), true);
        int end = WordRunEnd(*this, Caret(), true);
        if (start == end) {
            return;
        }
        core.SetMain(start, end);
        core.MergeSelections();
        if (!each) {
            return;
        }
    }
    std::string text = SelectedText();
    int from = std::min(core.targetStart, core.targetEnd);
    int to = std::max(core.targetStart, core.targetEnd);
    if (from == to) {
        from = 0;
        to = Length();
    }
    auto selected = [&](std::pair<int, int> match) {
        for (int n = 0; n < SelectionCount(); ++n) {
            SelectionRange range = SelectionN(n);
            if (range.Start() == match.first && range.End() == match.second) {
                return true;
            }
        }
        return false;
    };
    // Each match is added after the others, so the main one keeps its
    // number; one already selected merges into its selection.
    if (each) {
        EndTypingRun();
        for (int pos = from; pos < to;) {
            auto match = Find(pos, to, text, core.searchFlags);
            if (match.first < 0) {
                break;
            }
            core.others.push_back({match.first, match.second});
            pos = match.second > match.first ? match.second : PositionAfter(match.first);
        }
        core.MergeSelections();
        return;
    }
    int pos = SelectionEnd();
    for (int tries = 0; tries <= SelectionCount(); ++tries) {
        auto match = Find(std::max(pos, from), to, text, core.searchFlags);
        if (match.first < 0) {
            if (pos <= from) {
                return;
            }
            pos = from; // round to the target's start
            continue;
        }
        if (!selected(match)) {
            AddSelection(match.first, match.second);
            return;
        }
        pos = match.second > match.first ? match.second : PositionAfter(match.first);
    }
}

intptr_t EditorCore::DispatchSelectionRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    int n = ToInt(wParam);
    bool valid = n >= 0 && n < SelectionCount();
    SelectionRange range = valid ? core.Get(n) : SelectionRange{};
    // Sets selection n's range, merging it into any it now touches.
    auto put = [&](int anchor, int caret) {
        if (valid) {
            EndTypingRun();
            core.Put(n, {anchor, caret});
            if (n == core.mainNumber) {
                core.changes.scrollCaret = true;
            }
            core.MergeSelections();
        }
        return 0;
    };
    int pos = ToInt(lParam);
    switch (message) {
    case SCI_SETMULTIPLESELECTION: core.multipleSelection = wParam != 0; return 0;
    case SCI_GETMULTIPLESELECTION: return core.multipleSelection ? 1 : 0;
    case SCI_SETADDITIONALSELECTIONTYPING: core.additionalTyping = wParam != 0; return 0;
    case SCI_GETADDITIONALSELECTIONTYPING: return core.additionalTyping ? 1 : 0;
    case SCI_SETMULTIPASTE:
        if (wParam <= SC_MULTIPASTE_EACH) {
            core.multiPaste = static_cast<int>(wParam);
        }
        return 0;
    case SCI_GETMULTIPASTE: return core.multiPaste;
    case SCI_GETSELECTIONS: return SelectionCount();
    case SCI_GETSELECTIONEMPTY:
        for (int i = 0; i < SelectionCount(); ++i) {
            if (!SelectionN(i).Empty()) {
                return 0;
            }
        }
        return 1;
    case SCI_CLEARSELECTIONS: SetSelection(0, 0); return 0;
    case SCI_SETSELECTION: SetSelection(ToInt(lParam), ToInt(wParam)); return 0;
    case SCI_ADDSELECTION: AddSelection(ToInt(lParam), ToInt(wParam)); return 0;
    case SCI_DROPSELECTIONN: DropSelection(n); return 0;
    case SCI_SETMAINSELECTION:
        if (valid) {
            EndTypingRun();
            core.SetAll(core.All(), n);
            core.changes.scrollCaret = true;
        }
        return 0;
    case SCI_GETMAINSELECTION: return core.mainNumber;
    case SCI_SETSELECTIONNCARET: return put(range.anchor, pos);
    case SCI_GETSELECTIONNCARET: return valid ? range.caret : -1;
    case SCI_SETSELECTIONNANCHOR: return put(pos, range.caret);
    case SCI_GETSELECTIONNANCHOR: return valid ? range.anchor : -1;
    case SCI_SETSELECTIONNSTART: return put(pos, std::max(pos, range.caret));
    case SCI_GETSELECTIONNSTART: return valid ? range.Start() : -1;
    case SCI_SETSELECTIONNEND: return put(std::min(range.anchor, pos), pos);
    case SCI_GETSELECTIONNEND: return valid ? range.End() : -1;
    case SCI_ROTATESELECTION:
        if (!core.others.empty()) {
            return DispatchSelectionRequest(
                SCI_SETMAINSELECTION,
                static_cast<uintptr_t>((core.mainNumber + 1) % SelectionCount()), 0);
        }
        return 0;
    case SCI_SWAPMAINANCHORCARET:
        EndTypingRun();
        std::swap(core.anchor, core.caret);
        core.changes.scrollCaret = true;
        return 0;
    case SCI_MULTIPLESELECTADDNEXT: AddNextMatch(false); return 0;
    case SCI_MULTIPLESELECTADDEACH: AddNextMatch(true); return 0;
    default: return 0;
    }
}

} // namespace kalmor
