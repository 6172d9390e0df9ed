// A vector with a movable gap: inserting or deleting at the gap costs only
// the items changed, and moving the gap costs the distance moved. Edits made
// near each other, as typing makes them, move almost nothing.
#pragma once
#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace kalmor {

template <typename T> class GapVector {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved with memmove");

  public:
    int Size() const { return static_cast<int>(items_.size()) - gapLength_; }

    T At(int index) const { return items_[index < gapStart_ ? index : index + gapLength_]; }
    T& Ref(int index) { return items_[index < gapStart_ ? index : index + gapLength_]; }

    // Replaces items [index, index + removeCount) by insertCount items, copied
    // from items or, when items is null, all equal to fill.
    void Replace(int index, int removeCount, const T* items, int insertCount, T fill = T()) {
        MoveGap(index);
        gapLength_ += removeCount;
        if (insertCount > gapLength_)
            Grow(insertCount);
        T* gap = items_.data() + gapStart_;
        if (items)
            Move(gap, items, static_cast<size_t>(insertCount));
        else
            std::fill(gap, gap + insertCount, fill);
        gapStart_ += insertCount;
        gapLength_ -= insertCount;
    }

    // Copies items [index, index + count) to out.
    void CopyOut(int index, int count, T* out) const {
        int before = std::clamp(gapStart_ - index, 0, count);
        Move(out, items_.data() + index, static_cast<size_t>(before));
        Move(out + before, items_.data() + index + before + gapLength_,
             static_cast<size_t>(count - before));
    }

    // Overwrites items [index, index + count) with items.
    void CopyIn(int index, int count, const T* items) {
        int before = std::clamp(gapStart_ - index, 0, count);
        Move(items_.data() + index, items, static_cast<size_t>(before));
        Move(items_.data() + index + before + gapLength_, items + before,
             static_cast<size_t>(count - before));
    }

  private:
    // memmove that accepts an empty range of a still unallocated vector.
    static void Move(T* to, const T* from, size_t count) {
        if (count > 0)
            std::memmove(to, from, sizeof(T) * count);
    }

    void MoveGap(int index) {
        T* data = items_.data();
        if (index < gapStart_)
            Move(data + index + gapLength_, data + index, static_cast<size_t>(gapStart_ - index));
        else if (index > gapStart_)
            Move(data + gapStart_, data + gapStart_ + gapLength_,
                 static_cast<size_t>(index - gapStart_));
        gapStart_ = index;
    }

    // Makes the gap hold at least needed items, with a little room to spare:
    // enough that typing rarely reallocates, little enough that the spare
    // room stays a small fraction of the contents.
    void Grow(int needed) {
        size_t size = static_cast<size_t>(Size());
        size_t spare = std::clamp<size_t>(size / 256, 64, 65536);
        std::vector<T> grown(size + static_cast<size_t>(needed) + spare);
        size_t after = items_.size() - static_cast<size_t>(gapStart_ + gapLength_);
        Move(grown.data(), items_.data(), static_cast<size_t>(gapStart_));
        Move(grown.data() + grown.size() - after, items_.data() + gapStart_ + gapLength_, after);
        gapLength_ = static_cast<int>(grown.size() - static_cast<size_t>(gapStart_) - after);
        items_.swap(grown);
    }

    std::vector<T> items_;
    int gapStart_ = 0;
    int gapLength_ = 0;
};

} // namespace kalmor
