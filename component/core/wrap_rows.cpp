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
}

void WrapRows::Locate(int line, int* block, int* index) const {
    int b = 0;
    while (b + 1 < static_cast<int>(blocks_.size()) &&
           line >= static_cast<int>(blocks_[static_cast<size_t>(b)].rows.size())) {
        line -= static_cast<int>(blocks_[static_cast<size_t>(b)].rows.size());
        ++b;
    }
    *block = b;
    *index = line;
}

int WrapRows::Rows(int line) const {
    if (line < 0 || line >= lineCount_)
        return 0;
    int b = 0, i = 0;
    Locate(line, &b, &i);
    return Count(blocks_[static_cast<size_t>(b)].rows[static_cast<size_t>(i)]);
}

bool WrapRows::Estimated(int line) const {
    if (line < 0 || line >= lineCount_)
        return false;
    int b = 0, i = 0;
    Locate(line, &b, &i);
    return (blocks_[static_cast<size_t>(b)].rows[static_cast<size_t>(i)] & kEstimatedBit) != 0;
}

int WrapRows::Set(int line, int rows, bool estimated) {
    if (line < 0 || line >= lineCount_)
        return 0;
    int b = 0, i = 0;
    Locate(line, &b, &i);
    Block& block = blocks_[static_cast<size_t>(b)];
    int& entry = block.rows[static_cast<size_t>(i)];
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
    int line = 0;
    for (Block& block : blocks_) {
        int size = static_cast<int>(block.rows.size());
        for (int i = std::max(first - line, 0); i < size && line + i <= last; ++i) {
            int& entry = block.rows[static_cast<size_t>(i)];
            int rows = std::clamp(rowsOf(line + i), 0, kEstimatedBit - 1);
            int was = (entry & kEstimatedBit) ? 1 : 0;
            block.sum += rows - Count(entry);
            totalRows_ += rows - Count(entry);
            block.estimated += (estimated ? 1 : 0) - was;
            estimatedCount_ += (estimated ? 1 : 0) - was;
            entry = rows | (estimated ? kEstimatedBit : 0);
        }
        line += size;
        if (line > last)
            break;
    }
}

int WrapRows::RowOf(int line) const {
    line = std::clamp(line, 0, lineCount_);
    int row = 0;
    for (const Block& block : blocks_) {
        int size = static_cast<int>(block.rows.size());
        if (line < size) {
            for (int i = 0; i < line; ++i)
                row += Count(block.rows[static_cast<size_t>(i)]);
            return row;
        }
        row += block.sum;
        line -= size;
    }
    return row;
}

int WrapRows::LineAt(int row, int* sub) const {
    *sub = 0;
    if (totalRows_ <= 0)
        return std::max(lineCount_ - 1, 0);
    row = std::clamp(row, 0, totalRows_ - 1);
    int line = 0;
    for (const Block& block : blocks_) {
        if (row >= block.sum) {
            row -= block.sum;
            line += static_cast<int>(block.rows.size());
            continue;
        }
        for (int value : block.rows) {
            if (row < Count(value)) {
                *sub = row;
                return line;
            }
            row -= Count(value);
            ++line;
        }
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
    while (removed > 0) {
        int b = 0, i = 0;
        Locate(first, &b, &i);
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
    int b = 0, i = 0;
    Locate(first, &b, &i);
    Block& block = blocks_[static_cast<size_t>(b)];
    block.rows.insert(block.rows.begin() + i, fresh.begin(), fresh.end());
    block.sum += sum;
    block.estimated += added;
    totalRows_ += sum;
    estimatedCount_ += added;
    lineCount_ += added;
    if (static_cast<int>(block.rows.size()) > 2 * kBlockLines)
        Split(b);
}

int WrapRows::NextEstimated(int from) const {
    if (estimatedCount_ == 0)
        return -1;
    from = std::max(from, 0);
    int line = 0;
    for (const Block& block : blocks_) {
        int size = static_cast<int>(block.rows.size());
        if (block.estimated > 0 && from < line + size) {
            for (int i = std::max(from - line, 0); i < size; ++i)
                if (block.rows[static_cast<size_t>(i)] & kEstimatedBit)
                    return line + i;
        }
        line += size;
    }
    return -1;
}

} // namespace kalmor
