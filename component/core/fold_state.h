// Fold levels and contraction state, one entry per line, and the list of
// visible lines derived from them.
#pragma once
#include "editor/requests.h"

#include <cstdint>
#include <vector>

namespace kalmor {

// The deepest nesting a fold level can express above the base level.
constexpr int kMaxFoldDepth = SC_FOLDLEVELNUMBERMASK - SC_FOLDLEVELBASE;

class FoldState {
  public:
    FoldState();

    int LineCount() const { return static_cast<int>(levels_.size()); }
    int Level(int line) const;       // the base level outside the document
    int LevelNumber(int line) const; // Level without the header flag
    bool IsHeader(int line) const;
    bool Contracted(int line) const;
    int Parent(int line) const;
    int LastChild(int line, int level) const; // level -1: the line's own level

    // Changing a line's level clears its contraction if it stops being a header.
    void SetLevel(int line, int level);
    // Only headers can be contracted; other lines ignore this.
    void SetContracted(int line, bool contracted);
    // Mirrors Document::Replace: entries [first, first + removed) give way to
    // added new ones at the base level, expanded.
    void ReplaceLines(int first, int removed, int added);

    bool LineVisible(int line) const;
    int VisibleLineCount() const;
    int DocLineFromVisible(int displayLine) const;
    int VisibleFromDocLine(int line) const;

  private:
    bool InRange(int line) const { return line >= 0 && line < LineCount(); }
    const std::vector<int>& VisibleLines() const;

    std::vector<uint16_t> levels_;
    std::vector<uint8_t> contracted_;
    // Rebuilt on demand after any change to levels or contraction, so that
    // toggling stays O(1) however many lines a fold holds.
    mutable std::vector<int> visibleLines_;
    mutable bool visibleLinesValid_ = false;
};

} // namespace kalmor
