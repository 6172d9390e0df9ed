#include "component/core/markers.h"

#include <algorithm>
#include <iterator>

namespace kalmor {

int MarkerSet::Add(int line, int marker) {
    auto at = std::upper_bound(marks_.begin(), marks_.end(), line,
                               [](int l, const Mark& m) { return l < m.line; });
    marks_.insert(at, Mark{line, marker, nextHandle_});
    return nextHandle_++;
}

bool MarkerSet::Delete(int line, int marker) {
    bool deleted = false;
    for (auto it = marks_.begin(); it != marks_.end();) {
        if (it->line == line && (marker < 0 || it->marker == marker) && !(deleted && marker >= 0)) {
            it = marks_.erase(it);
            deleted = true;
        } else {
            ++it;
        }
    }
    return deleted;
}

std::vector<int> MarkerSet::DeleteAll(int marker) {
    std::vector<int> lines;
    auto gone = [&](const Mark& m) {
        bool match = marker < 0 || m.marker == marker;
        if (match && (lines.empty() || lines.back() != m.line))
            lines.push_back(m.line);
        return match;
    };
    marks_.erase(std::remove_if(marks_.begin(), marks_.end(), gone), marks_.end());
    return lines;
}

int MarkerSet::LineFromHandle(int handle) const {
    for (const Mark& m : marks_)
        if (m.handle == handle)
            return m.line;
    return -1;
}

int MarkerSet::DeleteHandle(int handle) {
    for (auto it = marks_.begin(); it != marks_.end(); ++it) {
        if (it->handle == handle) {
            int line = it->line;
            marks_.erase(it);
            return line;
        }
    }
    return -1;
}

uint32_t MarkerSet::Get(int line) const {
    uint32_t mask = 0;
    auto at = std::lower_bound(marks_.begin(), marks_.end(), line,
                               [](const Mark& m, int l) { return m.line < l; });
    for (; at != marks_.end() && at->line == line; ++at)
        mask |= 1u << at->marker;
    return mask;
}

int MarkerSet::Next(int from, uint32_t mask) const {
    for (const Mark& m : marks_)
        if (m.line >= from && (mask & (1u << m.marker)))
            return m.line;
    return -1;
}

int MarkerSet::Previous(int from, uint32_t mask) const {
    for (auto it = marks_.rbegin(); it != marks_.rend(); ++it)
        if (it->line <= from && (mask & (1u << it->marker)))
            return it->line;
    return -1;
}

void MarkerSet::LinesDeleted(int first, int removed, int added, int target) {
    for (Mark& m : marks_) {
        if (m.line >= first + removed)
            m.line += added - removed;
        else if (m.line >= first)
            m.line = target;
    }
    // Joined lines keep their marks in line order.
    std::stable_sort(marks_.begin(), marks_.end(),
                     [](const Mark& a, const Mark& b) { return a.line < b.line; });
}

void MarkerSet::LinesInserted(int first, int added) {
    for (Mark& m : marks_)
        if (m.line >= first)
            m.line += added;
}

namespace {

// Takes the items of lines first..last out of items, which stay in line order.
template <typename Item>
std::vector<Item> TakeLines(std::vector<Item>& items, int first, int last) {
    std::vector<Item> taken;
    auto on = [&](const Item& item) { return item.line >= first && item.line <= last; };
    std::copy_if(items.begin(), items.end(), std::back_inserter(taken), on);
    items.erase(std::remove_if(items.begin(), items.end(), on), items.end());
    return taken;
}

// Puts taken items back on the lines their own went to, in line order.
template <typename Item>
void PutLinesBack(std::vector<Item>& items, std::vector<Item> taken, int first,
                  const std::vector<int>& order) {
    for (Item& item : taken) {
        auto to = std::find(order.begin(), order.end(), item.line);
        item.line = first + static_cast<int>(to - order.begin());
    }
    items.insert(items.end(), taken.begin(), taken.end());
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.line < b.line; });
}

} // namespace

std::vector<MarkerSet::Mark> MarkerSet::Take(int first, int last) {
    return TakeLines(marks_, first, last);
}

void MarkerSet::PutBack(std::vector<Mark> marks, int first, const std::vector<int>& order) {
    PutLinesBack(marks_, std::move(marks), first, order);
}

std::vector<MarginTexts::Entry> MarginTexts::Take(int first, int last) {
    return TakeLines(entries_, first, last);
}

void MarginTexts::PutBack(std::vector<Entry> entries, int first, const std::vector<int>& order) {
    PutLinesBack(entries_, std::move(entries), first, order);
}

MarginTexts::Entry& MarginTexts::At(int line) {
    auto at = std::lower_bound(entries_.begin(), entries_.end(), line,
                               [](const Entry& e, int l) { return e.line < l; });
    if (at == entries_.end() || at->line != line)
        at = entries_.insert(at, Entry{line, std::string(), 0});
    return *at;
}

void MarginTexts::DropEmpty() {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [](const Entry& e) { return e.text.empty() && e.style == 0; }),
                   entries_.end());
}

void MarginTexts::SetText(int line, std::string text) {
    At(line).text = std::move(text);
    DropEmpty();
}

void MarginTexts::SetStyle(int line, int style) {
    At(line).style = style;
    DropEmpty();
}

const MarginTexts::Entry* MarginTexts::Find(int line) const {
    auto at = std::lower_bound(entries_.begin(), entries_.end(), line,
                               [](const Entry& e, int l) { return e.line < l; });
    return at != entries_.end() && at->line == line ? &*at : nullptr;
}

const std::string& MarginTexts::Text(int line) const {
    static const std::string none;
    const Entry* entry = Find(line);
    return entry ? entry->text : none;
}

int MarginTexts::Style(int line) const {
    const Entry* entry = Find(line);
    return entry ? entry->style : 0;
}

void MarginTexts::LinesDeleted(int first, int removed, int added) {
    // A start made again where the edit began keeps its line's text.
    int kept = added > 0 ? first + 1 : first;
    auto gone = [&](const Entry& e) { return e.line >= kept && e.line < first + removed; };
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), gone), entries_.end());
    for (Entry& e : entries_)
        if (e.line >= first + removed)
            e.line += added - removed;
}

void MarginTexts::LinesInserted(int first, int added) {
    for (Entry& e : entries_)
        if (e.line >= first)
            e.line += added;
}

} // namespace kalmor
