#include "component/core/wrap_rows.h"

#include <algorithm>

namespace kalmor {

namespace {
int Count(int value) {
    return value & ~(1 << 30);
}
} // namespace

void WrapRows::Reset(int lines, const Estimate& estimate) {
    blocks_.clear();
    hint_ = Cursor();
    lineCount_ = std::max(lines, 0);
    totalRows_ = 0;
    estimatedCount_ = 0;
    for (int first = 0; first < lineCount_; first += kBlockLines) {
        Block block;
        int last = std::min(lineCount_, first + kBlockLines);
        block.rows.reserve(static_cast<size_t>(kBlockLines));
        for (int line = first; line < last; ++line) {
            int rows = std::max(estimate(line), 0);
            block.rows.push_back(rows | kEstimatedBit);
            block.sum += rows;
        }
        block.estimated = last - first;
        totalRows_ += block.sum;
        estimatedCount_ += block.estimated;
        blocks_.push_back(std::move(block));
    }
    if (blocks_.empty())
        blocks_.emplace_back(); // every lookup finds a block
}

WrapRows::Cursor WrapRows::Seek(int line) const {
    Cursor c = line >= hint_.line ? hint_ : Cursor();
    while (c.block + 1 < static_cast<int>(blocks_.size()) && line >= c.line + Size(c.block)) {
        c.line += Size(c.block);
        c.row += blocks_[static_cast<size_t>(c.block)].sum;
        ++c.block;
    }
    hint_ = c;
    return c;
}

WrapRows::Cursor WrapRows::SeekRow(int row) const {
    Cursor c = row >= hint_.row ? hint_ : Cursor();
    while (c.block + 1 < static_cast<int>(blocks_.size()) &&
           row >= c.row + blocks_[static_cast<size_t>(c.block)].sum) {
        c.line += Size(c.block);
        c.row += blocks_[static_cast<size_t>(c.block)].sum;
        ++c.block;
    }
    hint_ = c;
    return c;
}

int WrapRows::Rows(int line) const {
    if (line < 0 || line >= lineCount_)
        return 0;
    Cursor c = Seek(line);
    return Count(blocks_[static_cast<size_t>(c.block)].rows[static_cast<size_t>(line - c.line)]);
}

bool WrapRows::Estimated(int line) const {
    if (line < 0 || line >= lineCount_)
        return false;
    Cursor c = Seek(line);
    return (blocks_[static_cast<size_t>(c.block)].rows[static_cast<size_t>(line - c.line)] &
            kEstimatedBit) != 0;
}

int WrapRows::Set(int line, int rows, bool estimated) {
    if (line < 0 || line >= lineCount_)
        return 0;
    Cursor c = Seek(line);
    Block& block = blocks_[static_cast<size_t>(c.block)];
    int& entry = block.rows[static_cast<size_t>(line - c.line)];
    rows = std::clamp(rows, 0, kEstimatedBit - 1);
    int delta = rows - Count(entry);
    int wasEstimated = (entry & kEstimatedBit) ? 1 : 0;
    entry = rows | (estimated ? kEstimatedBit : 0);
    block.sum += delta;
    totalRows_ += delta;
    block.estimated += (estimated ? 1 : 0) - wasEstimated;
    estimatedCount_ += (estimated ? 1 : 0) - wasEstimated;
    return delta;
}

void WrapRows::Fill(int first, int last, const Estimate& rowsOf, bool estimated) {
    first = std::max(first, 0);
    last = std::min(last, lineCount_ - 1);
    if (first > last)
        return;
    // Only blocks from first's on change: the rows above the hint stay.
    Cursor c = Seek(first);
    for (int b = c.block, line = c.line; b < static_cast<int>(blocks_.size()) && line <= last;
         line += Size(b), ++b) {
        Block& block = blocks_[static_cast<size_t>(b)];
        for (int i = std::max(first - line, 0); i < Size(b) && line + i <= last; ++i) {
            int& entry = block.rows[static_cast<size_t>(i)];
            int rows = std::clamp(rowsOf(line + i), 0, kEstimatedBit - 1);
            int was = (entry & kEstimatedBit) ? 1 : 0;
            block.sum += rows - Count(entry);
            totalRows_ += rows - Count(entry);
            block.estimated += (estimated ? 1 : 0) - was;
            estimatedCount_ += (estimated ? 1 : 0) - was;
            entry = rows | (estimated ? kEstimatedBit : 0);
        }
    }
}

int WrapRows::RowOf(int line) const {
    line = std::clamp(line, 0, lineCount_);
    Cursor c = Seek(line);
    int row = c.row;
    const Block& block = blocks_[static_cast<size_t>(c.block)];
    for (int i = 0; i < line - c.line && i < Size(c.block); ++i)
        row += Count(block.rows[static_cast<size_t>(i)]);
    return row;
}

int WrapRows::LineAt(int row, int* sub) const {
    *sub = 0;
    if (totalRows_ <= 0)
        return std::max(lineCount_ - 1, 0);
    row = std::clamp(row, 0, totalRows_ - 1);
    Cursor c = SeekRow(row);
    row -= c.row;
    int line = c.line;
    for (int value : blocks_[static_cast<size_t>(c.block)].rows) {
        if (row < Count(value)) {
            *sub = row;
            return line;
        }
        row -= Count(value);
        ++line;
    }
    return std::max(lineCount_ - 1, 0); // not reached: row is below the total
}

// A block grown past twice its size is cut into blocks of the usual size.
void WrapRows::Split(int b) {
    std::vector<int> rows = std::move(blocks_[static_cast<size_t>(b)].rows);
    blocks_.erase(blocks_.begin() + b);
    std::vector<Block> pieces;
    for (size_t first = 0; first < rows.size(); first += kBlockLines) {
        Block piece;
        size_t last = std::min(rows.size(), first + kBlockLines);
        piece.rows.assign(rows.begin() + static_cast<long>(first),
                          rows.begin() + static_cast<long>(last));
        for (int value : piece.rows) {
            piece.sum += Count(value);
            piece.estimated += (value & kEstimatedBit) ? 1 : 0;
        }
        pieces.push_back(std::move(piece));
    }
    blocks_.insert(blocks_.begin() + b, std::make_move_iterator(pieces.begin()),
                   std::make_move_iterator(pieces.end()));
}

void WrapRows::Replace(int first, int removed, int added, const Estimate& estimate) {
    first = std::clamp(first, 0, lineCount_);
    removed = std::clamp(removed, 0, lineCount_ - first);
    // Removed lines go a block's share at a time; a block left empty goes.
    hint_ = Cursor();
    while (removed > 0) {
        Cursor c = Seek(first);
        int b = c.block, i = first - c.line;
        Block& block = blocks_[static_cast<size_t>(b)];
        int count = std::min(removed, static_cast<int>(block.rows.size()) - i);
        auto from = block.rows.begin() + i;
        for (auto it = from; it != from + count; ++it) {
            block.sum -= Count(*it);
            totalRows_ -= Count(*it);
            int estimated = (*it & kEstimatedBit) ? 1 : 0;
            block.estimated -= estimated;
            estimatedCount_ -= estimated;
        }
        block.rows.erase(from, from + count);
        lineCount_ -= count;
        removed -= count;
        if (block.rows.empty() && blocks_.size() > 1)
            blocks_.erase(blocks_.begin() + b);
        hint_ = Cursor();
    }
    if (added <= 0)
        return;
    if (blocks_.empty())
        blocks_.emplace_back();
    std::vector<int> fresh(static_cast<size_t>(added));
    int sum = 0;
    for (int k = 0; k < added; ++k) {
        int rows = std::max(estimate(first + k), 0);
        fresh[static_cast<size_t>(k)] = rows | kEstimatedBit;
        sum += rows;
    }
    Cursor c = Seek(first);
    int b = c.block, i = first - c.line;
    Block& block = blocks_[static_cast<size_t>(b)];
    block.rows.insert(block.rows.begin() + i, fresh.begin(), fresh.end());
    block.sum += sum;
    block.estimated += added;
    totalRows_ += sum;
    estimatedCount_ += added;
    lineCount_ += added;
    if (static_cast<int>(block.rows.size()) > 2 * kBlockLines)
        Split(b);
    hint_ = Cursor();
}

int WrapRows::NextEstimated(int from) const {
    if (estimatedCount_ == 0 || from >= lineCount_)
        return -1;
    from = std::max(from, 0);
    Cursor c = Seek(from);
    for (int b = c.block, line = c.line; b < static_cast<int>(blocks_.size());
         line += Size(b), ++b) {
        const Block& block = blocks_[static_cast<size_t>(b)];
        if (block.estimated == 0)
            continue;
        for (int i = std::max(from - line, 0); i < Size(b); ++i)
            if (block.rows[static_cast<size_t>(i)] & kEstimatedBit)
                return line + i;
    }
    return -1;
}

int LongLineRows::Count(int length) const {
    int found = static_cast<int>(starts.size());
    if (done)
        return found;
    return found + std::max(0, (length - 1) / perRow - FirstGrid() + 1);
}

void LongLineRows::Found(int start, int length) {
    if (start >= length) {
        done = true;
        rejoin.clear();
        return;
    }
    starts.push_back(start);
    auto from = std::lower_bound(rejoin.begin(), rejoin.end(), start);
    if (from != rejoin.end() && *from == start) {
        starts.insert(starts.end(), from + 1, rejoin.end());
        done = rejoinDone;
        rejoin.clear();
        return;
    }
    rejoin.erase(rejoin.begin(), from);
}

// Only a row starting at or after the new text can break as before: what
// it holds is the same bytes. An edit in the first row may change the
// indent of every other row, so then nothing is kept.
void LongLineRows::Edited(int at, int removed, int inserted) {
    // Starts at or after the new text, moved with it.
    auto moved = [&](const std::vector<int>& from) {
        std::vector<int> kept;
        for (int s : from)
            if (s >= at + removed)
                kept.push_back(s + inserted - removed);
        return kept;
    };
    // Past where finding goes on only the rows kept for rejoining move.
    if (!done && at > starts.back()) {
        rejoin = moved(rejoin);
        return;
    }
    auto holding = std::upper_bound(starts.begin(), starts.end(), at);
    int row = std::max(0, static_cast<int>(holding - starts.begin()) - 1);
    // The rows kept are one run: the found ones past the edit, which end
    // where finding went on, or else those kept from an earlier edit.
    std::vector<int> kept;
    if (row > 0) {
        kept = moved(starts);
        if (!kept.empty())
            rejoinDone = done;
        else
            kept = moved(rejoin);
    } else {
        indent = -1;
    }
    starts.resize(static_cast<size_t>(std::max(1, row)));
    rejoin = std::move(kept);
    done = false;
}

} // namespace kalmor
