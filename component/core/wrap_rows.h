// While lines wrap, how many rows (display lines) each document line takes:
// the view measures a line and says; until then its count is an estimate
// from its length, marked as such. A hidden line takes no rows. Lines are
// kept in blocks with their sums, so a lookup or an edit of the list costs
// about the square root of the line count, and a million lines stay cheap.
#pragma once
#include <functional>
#include <vector>

namespace kalmor {

class WrapRows {
  public:
    // The estimate of a line's rows, for lines not measured yet.
    using Estimate = std::function<int(int line)>;

    // Every line estimated anew.
    void Reset(int lines, const Estimate& estimate);
    int LineCount() const { return lineCount_; }
    int TotalRows() const { return totalRows_; }
    int EstimatedCount() const { return estimatedCount_; }

    int Rows(int line) const;
    bool Estimated(int line) const;
    // Sets a line's rows (0 while hidden); returns the change in its rows.
    int Set(int line, int rows, bool estimated);
    // The rows above a line: the first row of the line if it has any.
    int RowOf(int line) const;
    // The line holding a row (clamped into the rows), and the row's place
    // inside it in *sub; the last line when there are no rows at all.
    int LineAt(int row, int* sub) const;
    // Sets lines [first, last] at once, each to rowsOf(line).
    void Fill(int first, int last, const Estimate& rowsOf, bool estimated);
    // Mirrors the document: lines [first, first + removed) give way to added
    // new ones, estimated.
    void Replace(int first, int removed, int added, const Estimate& estimate);
    // The first estimated line at or after from; -1 if none.
    int NextEstimated(int from) const;

  private:
    static constexpr int kEstimatedBit = 1 << 30;
    static constexpr int kBlockLines = 512;
    // A run of lines: each line's rows (kEstimatedBit marks an estimate),
    // their sum and how many are estimates.
    struct Block {
        std::vector<int> rows;
        int sum = 0;
        int estimated = 0;
    };
    // A block, its first line and the rows above it.
    struct Cursor {
        int block = 0;
        int line = 0;
        int row = 0;
    };
    // The block holding a line (the last for a line past the end), or a
    // row, walked to from the last block found when that is above it:
    // reading lines in order, as measuring and painting do, costs a step
    // or two, not a walk from the top.
    Cursor Seek(int line) const;
    Cursor SeekRow(int row) const;
    int Size(int block) const {
        return static_cast<int>(blocks_[static_cast<size_t>(block)].rows.size());
    }
    void Split(int block);

    std::vector<Block> blocks_;
    mutable Cursor hint_; // valid until blocks are added or removed
    int lineCount_ = 0;
    int totalRows_ = 0;
    int estimatedCount_ = 0;
};

} // namespace kalmor
