#include "component/core/fold_state.h"

#include "kalmor.h"

#include <algorithm>

namespace kalmor {

namespace {

// Fold levels fit in 14 bits, so the top bit of an entry marks contraction
// and the one below it a line the host hid.
constexpr int kContractedBit = 0x8000;
constexpr int kHiddenBit = 0x4000;
constexpr int kStateBits = kContractedBit | kHiddenBit;

} // namespace

FoldState::FoldState() {
    uint16_t base = SC_FOLDLEVELBASE;
    levels_.Replace(0, 0, &base, 1);
}

int FoldState::Level(int line) const {
    return InRange(line) ? (Entry(line) & ~kStateBits) : SC_FOLDLEVELBASE;
}

int FoldState::LevelNumber(int line) const {
    return Level(line) & SC_FOLDLEVELNUMBERMASK;
}

bool FoldState::IsHeader(int line) const {
    return (Level(line) & SC_FOLDLEVELHEADERFLAG) != 0;
}

bool FoldState::Contracted(int line) const {
    return InRange(line) && (Entry(line) & kContractedBit) != 0;
}

// The nearest header above whose level is lower. Lines at the base level
// have none, so the scan upwards only ever crosses one fold's body.
int FoldState::Parent(int line) const {
    if (!InRange(line)) {
        return -1;
    }
    int level = LevelNumber(line);
    if (level <= SC_FOLDLEVELBASE) {
        return -1;
    }
    for (int look = line - 1; look >= 0; --look) {
        if (IsHeader(look) && LevelNumber(look) < level) {
            return look;
        }
    }
    return -1;
}

// The last line of the run after line whose levels are deeper than level.
int FoldState::LastChild(int line, int level) const {
    if (!InRange(line)) {
        return -1;
    }
    if (level < 0) {
        level = LevelNumber(line);
    }
    int look = line + 1;
    while (look < LineCount() && LevelNumber(look) > level) {
        ++look;
    }
    return look - 1;
}

void FoldState::SetLevel(int line, int level) {
    if (!InRange(line) || Level(line) == level) {
        return;
    }
    int state = Entry(line) & kStateBits;
    if ((level & SC_FOLDLEVELHEADERFLAG) == 0 && (state & kContractedBit)) {
        state &= ~kContractedBit;
        --contractedCount_;
    }
    levels_.Ref(line) = static_cast<uint16_t>(level | state);
    hiddenValid_ = hiddenValid_ && contractedCount_ == 0 && hidden_.empty();
}

void FoldState::SetContracted(int line, bool contracted) {
    if (!IsHeader(line) || Contracted(line) == contracted) {
        return;
    }
    levels_.Ref(line) =
        static_cast<uint16_t>((Entry(line) & ~kContractedBit) | (contracted ? kContractedBit : 0));
    contractedCount_ += contracted ? 1 : -1;
    hiddenValid_ = false;
    // With the last fold open there are no runs: their memory goes at once.
    if (contractedCount_ == 0 && hostHiddenCount_ == 0) {
        std::vector<HiddenRun>().swap(hidden_);
        hiddenValid_ = true;
        ++runsVersion_;
    }
}

void FoldState::ReplaceLines(int first, int removed, int added) {
    for (int line = first; line < first + removed; ++line) {
        contractedCount_ -= Contracted(line) ? 1 : 0;
        hostHiddenCount_ -= HiddenByHost(line) ? 1 : 0;
    }
    levels_.Replace(first, removed, nullptr, added, static_cast<uint16_t>(SC_FOLDLEVELBASE));
    hiddenValid_ = hiddenValid_ && contractedCount_ == 0 && hidden_.empty();
}

bool FoldState::HiddenByHost(int line) const {
    return InRange(line) && (Entry(line) & kHiddenBit) != 0;
}

void FoldState::SetHiddenByHost(int line, bool hidden) {
    if (line <= 0 || line >= LineCount() || HiddenByHost(line) == hidden) {
        return;
    }
    levels_.Ref(line) =
        static_cast<uint16_t>((Entry(line) & ~kHiddenBit) | (hidden ? kHiddenBit : 0));
    hostHiddenCount_ += hidden ? 1 : -1;
    hiddenValid_ = false;
}

// Walks the lines once, jumping over the body of every visible contracted
// header; a body is scanned once to find its end, so this is linear.
const std::vector<FoldState::HiddenRun>& FoldState::HiddenRuns() const {
    if (hiddenValid_) {
        return hidden_;
    }
    hidden_.clear();
    ++runsVersion_;
    int hidden = 0;
    // Lines next to each other make one run, whatever hid them.
    auto hide = [&](int first, int last) {
        if (!hidden_.empty() && hidden_.back().last + 1 == first)
            hidden_.back().last = last;
        else
            hidden_.push_back(HiddenRun{first, last, hidden});
        hidden += last - first + 1;
    };
    for (int line = 0; line < LineCount() && (contractedCount_ > 0 || hostHiddenCount_ > 0);
         ++line) {
        if (Entry(line) & kHiddenBit) {
            hide(line, line);
        }
        if (Entry(line) & kContractedBit) {
            int last = LastChild(line, -1);
            if (last > line) {
                hide(line + 1, last);
            }
            line = last;
        }
    }
    hiddenValid_ = true;
    return hidden_;
}

int FoldState::HiddenCount() const {
    const std::vector<HiddenRun>& runs = HiddenRuns();
    return runs.empty() ? 0 : runs.back().hiddenBefore + runs.back().last - runs.back().first + 1;
}

bool FoldState::LineVisible(int line) const {
    if (!InRange(line)) {
        return true;
    }
    const std::vector<HiddenRun>& runs = HiddenRuns();
    auto after = std::upper_bound(runs.begin(), runs.end(), line,
                                  [](int l, const HiddenRun& run) { return l < run.first; });
    return after == runs.begin() || line > (after - 1)->last;
}

int FoldState::VisibleLineCount() const {
    return LineCount() - HiddenCount();
}

// A run's first line shows at display line first - hiddenBefore if it is not
// hidden; the runs that start at or before that display line are all above it.
int FoldState::DocLineFromVisible(int displayLine) const {
    displayLine = std::clamp(displayLine, 0, VisibleLineCount() - 1);
    const std::vector<HiddenRun>& runs = HiddenRuns();
    auto after = std::upper_bound(
        runs.begin(), runs.end(), displayLine,
        [](int display, const HiddenRun& run) { return display < run.first - run.hiddenBefore; });
    if (after == runs.begin()) {
        return displayLine;
    }
    const HiddenRun& run = *(after - 1);
    return displayLine + run.hiddenBefore + run.last - run.first + 1;
}

// Line 0 is always visible, so every line has a visible line at or above it.
int FoldState::VisibleFromDocLine(int line) const {
    line = std::clamp(line, 0, LineCount() - 1);
    const std::vector<HiddenRun>& runs = HiddenRuns();
    auto after = std::upper_bound(runs.begin(), runs.end(), line,
                                  [](int l, const HiddenRun& run) { return l < run.first; });
    if (after == runs.begin()) {
        return line;
    }
    const HiddenRun& run = *(after - 1);
    if (line <= run.last) {
        return run.first - 1 - run.hiddenBefore;
    }
    return line - run.hiddenBefore - (run.last - run.first + 1);
}

} // namespace kalmor
