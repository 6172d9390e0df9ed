#include "component/core/indicators.h"

#include <algorithm>

namespace kalmor {

std::vector<IndicatorRuns::Run>::const_iterator IndicatorRuns::After(int pos) const {
    return std::upper_bound(runs_.begin(), runs_.end(), pos,
                            [](int p, const Run& r) { return p < r.end; });
}

int IndicatorRuns::ValueAt(int pos) const {
    auto run = After(pos);
    return run != runs_.end() && run->start <= pos ? run->value : 0;
}

int IndicatorRuns::StretchStart(int pos) const {
    auto run = After(pos);
    if (run != runs_.end() && run->start <= pos)
        return run->start;
    return run == runs_.begin() ? 0 : std::prev(run)->end;
}

int IndicatorRuns::StretchEnd(int pos, int length) const {
    auto run = After(pos);
    if (run == runs_.end())
        return length;
    return run->start <= pos ? run->end : run->start;
}

std::vector<IndicatorRuns::Run> IndicatorRuns::RunsIn(int start, int end) const {
    std::vector<Run> found;
    for (auto run = After(start); run != runs_.end() && run->start < end; ++run)
        found.push_back(*run);
    return found;
}

// Joins touching runs of one value among the runs from index first - 1 to last + 1.
void IndicatorRuns::Merge(size_t first, size_t last) {
    size_t i = first > 0 ? first - 1 : 0;
    size_t stop = std::min(last + 1, runs_.size());
    while (i < stop && i + 1 < runs_.size()) {
        if (runs_[i].end == runs_[i + 1].start && runs_[i].value == runs_[i + 1].value) {
            runs_[i].end = runs_[i + 1].end;
            runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            --stop;
        } else {
            ++i;
        }
    }
}

bool IndicatorRuns::Fill(int start, int end, int value) {
    if (start >= end)
        return false;
    auto first = After(start);
    auto last = first;
    bool changed = value != 0 && (first == runs_.end() || first->start > start ||
                                  first->end < end || first->value != value);
    for (; last != runs_.end() && last->start < end; ++last)
        changed = changed || value == 0;
    if (!changed)
        return false;
    // The runs met give way to what is left of them on either side and the new one.
    std::vector<Run> replacement;
    if (first != last && first->start < start)
        replacement.push_back(Run{first->start, start, first->value});
    if (value != 0)
        replacement.push_back(Run{start, end, value});
    if (first != last && std::prev(last)->end > end)
        replacement.push_back(Run{end, std::prev(last)->end, std::prev(last)->value});
    size_t at = static_cast<size_t>(first - runs_.cbegin());
    auto place = runs_.erase(first, last);
    runs_.insert(place, replacement.begin(), replacement.end());
    Merge(at, at + replacement.size());
    return true;
}

void IndicatorRuns::Inserted(int pos, int length) {
    for (auto run = runs_.begin() + (After(pos) - runs_.cbegin()); run != runs_.end(); ++run) {
        if (run->start >= pos)
            run->start += length;
        run->end += length;
    }
}

void IndicatorRuns::Deleted(int pos, int length) {
    int end = pos + length;
    auto run = runs_.begin() + (After(pos) - runs_.cbegin());
    size_t at = static_cast<size_t>(run - runs_.begin());
    while (run != runs_.end()) {
        // Each end moves back to pos when inside the deletion, by its length after it.
        run->start = run->start >= end ? run->start - length : std::min(run->start, pos);
        run->end = run->end >= end ? run->end - length : std::min(run->end, pos);
        run = run->start == run->end ? runs_.erase(run) : run + 1;
    }
    // Runs of one value on either side of the deletion now touch.
    Merge(at, at);
}

} // namespace kalmor
