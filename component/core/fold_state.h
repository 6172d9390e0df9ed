// Fold levels and contraction state, one entry per line, and the list of
// visible lines derived from them.
#pragma once
#include "component/core/gap_vector.h"
#include "kalmor.h"

#include <cstdint>
#include <vector>

namespace kalmor {

// The deepest nesting a fold level can express above the base level.
constexpr int kMaxFoldDepth = SC_FOLDLEVELNUMBERMASK - SC_FOLDLEVELBASE;

class FoldState {
  public:
    FoldState();

    int LineCount() const { return levels_.Size(); }
    void Reserve(int lines) { levels_.Reserve(lines); }
    int Level(int line) const;       // the base level outside the document
    int LevelNumber(int line) const; // Level without the header flag
    bool IsHeader(int line) const;
    bool Contracted(int line) const;
    bool AnyContracted() const { return contractedCount_ > 0; }
    int Parent(int line) const;
    int LastChild(int line, int level) const; // level -1: the line's own level

    // Changing a line's level clears its contraction if it stops being a header.
    void SetLevel(int line, int level);
    // Only headers can be contracted; other lines ignore this.
    void SetContracted(int line, bool contracted);
    // Lines the host hid (SCI_HIDELINES), beside those folds hide; line 0 is never hidden.
    bool HiddenByHost(int line) const;
    void SetHiddenByHost(int line, bool hidden);
    // Mirrors Document::Replace: entries [first, first + removed) give way to
    // added new ones at the base level, expanded.
    void ReplaceLines(int first, int removed, int added);

    bool LineVisible(int line) const;
    int VisibleLineCount() const;
    int DocLineFromVisible(int displayLine) const;
    int VisibleFromDocLine(int line) const;

    // A run of lines hidden inside a visible contracted header, with the
    // number of lines hidden by the runs before it.
    struct HiddenRun {
        int first;
        int last;
        int hiddenBefore;
    };
    const std::vector<HiddenRun>& HiddenRuns() const;
    // Moves on each time the runs are built anew, so a reader can tell they may differ.
    unsigned RunsVersion() const { return runsVersion_; }

  private:
    bool InRange(int line) const { return line >= 0 && line < LineCount(); }
    int Entry(int line) const { return levels_.At(line); }
    int HiddenCount() const;

    // One entry per line: the fold level, and kContractedBit for a
    // contracted header.
    GapVector<uint16_t> levels_;
    int contractedCount_ = 0;
    int hostHiddenCount_ = 0;
    // Rebuilt on demand after any change to levels or contraction, so that
    // toggling stays O(1) however many lines a fold holds. With nothing
    // contracted there are no runs and nothing to rebuild.
    mutable std::vector<HiddenRun> hidden_;
    mutable bool hiddenValid_ = true;
    mutable unsigned runsVersion_ = 0;
};

} // namespace kalmor
