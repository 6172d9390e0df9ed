// While lines wrap, how many rows (display lines) each document line takes:
// the view measures a line and says; until then its count is an estimate
// from its length, marked as such. A hidden line takes no rows. Lines are
// kept in blocks with their sums, so a lookup or an edit of the list costs
// about the square root of the line count, and a million lines stay cheap.
#pragma once
#include <algorithm>
#include <functional>
#include <vector>

namespace kalmor {

// Lines longer than this are never measured whole: while lines do not wrap
// they are laid out a window at a time, and while they wrap their rows are
// found row by row from the start (LongLineRows).
constexpr int kLongLine = 65536;

// The rows of a long line while lines wrap. The rows found so far start at
// starts (bytes of the line; the last is where finding goes on, unless
// done); past it, until found, a row is estimated to hold perRow bytes, on
// a grid of multiples of perRow from the line's start, so rows found
// elsewhere leave the estimated ones where they are. An edit keeps the
// rows before the one above it and keeps the found rows after it, moved
// with the text, in rejoin: finding takes them back once it reaches a start
// among them, since rows after an agreeing start break as before.
struct LongLineRows {
    std::vector<int> starts{0};
    bool done = false;
    int perRow = 64;
    int indent = -1; // pixels the rows after the first are indented by; -1 not measured
    std::vector<int> rejoin;
    bool rejoinDone = false;

    // The rows of a line of length bytes: found and estimated.
    int Count(int length) const;
    // Where a row starts (clamped into the rows), before snapping to a
    // character's start: snap moves a grid point back onto one.
    template <typename Snap> int Start(int row, int length, Snap snap) const;
    // The row holding a byte of the line (a byte where a row starts is that row's).
    template <typename Snap> int RowOf(int byte, int length, Snap snap) const;
    // A row found at start, after the last; rejoins the rows kept from
    // before an edit when start is one of them.
    void Found(int start, int length);
    // Mirrors replacing removed bytes at byte at by inserted ones.
    void Edited(int at, int removed, int inserted);

  private:
    // The first multiple of perRow an estimated row may start at: a
    // character's length past where finding goes on, so that snapping puts
    // no row where that one starts.
    int FirstGrid() const { return (starts.back() + 4 + perRow - 1) / perRow; }
};

template <typename Snap> int LongLineRows::Start(int row, int length, Snap snap) const {
    int found = static_cast<int>(starts.size());
    if (row < found || done)
        return starts[static_cast<size_t>(std::clamp(row, 0, found - 1))];
    int last = Count(length) - 1;
    return snap((FirstGrid() + std::min(row, last) - found) * perRow);
}

template <typename Snap> int LongLineRows::RowOf(int byte, int length, Snap snap) const {
    if (done || byte < starts.back()) {
        auto after = std::upper_bound(starts.begin(), starts.end(), byte);
        return std::max(0, static_cast<int>(after - starts.begin()) - 1);
    }
    int found = static_cast<int>(starts.size());
    int grid = FirstGrid();
    int row = found - 1 + (byte < grid * perRow ? 0 : byte / perRow - grid + 1);
    int last = Count(length) - 1;
    row = std::min(row, last);
    // A grid point inside a character starts its row at the character.
    if (row < last && Start(row + 1, length, snap) <= byte)
        ++row;
    else if (row > found - 1 && Start(row, length, snap) > byte)
        --row;
    return row;
}

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
