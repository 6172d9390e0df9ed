#include "component/core/fold_state.h"

#include "editor/requests.h"

#include <algorithm>

namespace kalmor {

FoldState::FoldState() : levels_{SC_FOLDLEVELBASE}, contracted_{0} {}

int FoldState::Level(int line) const {
    return InRange(line) ? levels_[line] : SC_FOLDLEVELBASE;
}

int FoldState::LevelNumber(int line) const {
    return Level(line) & SC_FOLDLEVELNUMBERMASK;
}

bool FoldState::IsHeader(int line) const {
    return (Level(line) & SC_FOLDLEVELHEADERFLAG) != 0;
}

bool FoldState::Contracted(int line) const {
    return InRange(line) && contracted_[line] != 0;
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
    if (!InRange(line) || levels_[line] == level) {
        return;
    }
    levels_[line] = static_cast<uint16_t>(level);
    if ((level & SC_FOLDLEVELHEADERFLAG) == 0) {
        contracted_[line] = 0;
    }
    visibleLinesValid_ = false;
}

void FoldState::SetContracted(int line, bool contracted) {
    if (!IsHeader(line) || Contracted(line) == contracted) {
        return;
    }
    contracted_[line] = contracted ? 1 : 0;
    visibleLinesValid_ = false;
}

void FoldState::ReplaceLines(int first, int removed, int added) {
    levels_.erase(levels_.begin() + first, levels_.begin() + first + removed);
    levels_.insert(levels_.begin() + first, added, static_cast<uint16_t>(SC_FOLDLEVELBASE));
    contracted_.erase(contracted_.begin() + first, contracted_.begin() + first + removed);
    contracted_.insert(contracted_.begin() + first, added, 0);
    visibleLinesValid_ = false;
}

// Walks the lines once, jumping over the body of every visible contracted
// header; a body is scanned once to find its end, so this is linear.
const std::vector<int>& FoldState::VisibleLines() const {
    if (visibleLinesValid_) {
        return visibleLines_;
    }
    visibleLines_.clear();
    for (int line = 0; line < LineCount(); ++line) {
        visibleLines_.push_back(line);
        if (contracted_[line]) {
            line = LastChild(line, -1);
        }
    }
    visibleLinesValid_ = true;
    return visibleLines_;
}

bool FoldState::LineVisible(int line) const {
    if (!InRange(line)) {
        return true;
    }
    const std::vector<int>& visible = VisibleLines();
    return std::binary_search(visible.begin(), visible.end(), line);
}

int FoldState::VisibleLineCount() const {
    return static_cast<int>(VisibleLines().size());
}

int FoldState::DocLineFromVisible(int displayLine) const {
    const std::vector<int>& visible = VisibleLines();
    displayLine = std::clamp(displayLine, 0, static_cast<int>(visible.size()) - 1);
    return visible[displayLine];
}

// Line 0 is always visible, so every line has a visible line at or above it.
int FoldState::VisibleFromDocLine(int line) const {
    const std::vector<int>& visible = VisibleLines();
    line = std::clamp(line, 0, LineCount() - 1);
    auto after = std::upper_bound(visible.begin(), visible.end(), line);
    return static_cast<int>(after - visible.begin()) - 1;
}

} // namespace kalmor
