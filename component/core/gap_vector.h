// A vector with a movable gap: inserting or deleting at the gap costs only
// the items changed, and moving the gap costs the distance moved. Edits made
// near each other, as typing makes them, move almost nothing.
#pragma once
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace kalmor {

template <typename T> class GapVector {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved with memmove");

  public:
    int Size() const { return capacity_ - gapLength_; }

    T At(int index) const { return items_[index < gapStart_ ? index : index + gapLength_]; }
    T& Ref(int index) { return items_[index < gapStart_ ? index : index + gapLength_]; }

    // The items [index, index + count) where they lie in memory, or null when
    // the gap splits them.
    const T* Stretch(int index, int count) const {
        if (index + count <= gapStart_)
            return items_.get() + index;
        return index >= gapStart_ ? items_.get() + index + gapLength_ : nullptr;
    }
    T* Stretch(int index, int count) {
        return const_cast<T*>(static_cast<const GapVector*>(this)->Stretch(index, count));
    }

    // Replaces items [index, index + removeCount) by insertCount items, copied
    // from items or, when items is null, all equal to fill.
    void Replace(int index, int removeCount, const T* items, int insertCount, T fill = T()) {
        MoveGap(index);
        gapLength_ += removeCount;
        if (insertCount > gapLength_)
            Grow(insertCount);
        T* gap = items_.get() + gapStart_;
        if (items)
            Move(gap, items, static_cast<size_t>(insertCount));
        else
            std::fill(gap, gap + insertCount, fill);
        gapStart_ += insertCount;
        gapLength_ -= insertCount;
    }

    // Makes room for count more items without reallocating.
    void Reserve(int count) {
        if (count > gapLength_)
            Grow(count);
    }

    // Copies items [index, index + count) to out.
    void CopyOut(int index, int count, T* out) const {
        int before = std::clamp(gapStart_ - index, 0, count);
        Move(out, items_.get() + index, static_cast<size_t>(before));
        Move(out + before, items_.get() + index + before + gapLength_,
             static_cast<size_t>(count - before));
    }

    // The items [index, index + count) as one run in memory, valid until the
    // next change: a gap inside them moves to the nearer end of the run.
    const T* Contiguous(int index, int count) {
        if (gapStart_ > index && gapStart_ < index + count)
            MoveGap(gapStart_ - index < index + count - gapStart_ ? index : index + count);
        return items_.get() + (index < gapStart_ ? index : index + gapLength_);
    }

    // Overwrites items [index, index + count) with items.
    void CopyIn(int index, int count, const T* items) {
        int before = std::clamp(gapStart_ - index, 0, count);
        Move(items_.get() + index, items, static_cast<size_t>(before));
        Move(items_.get() + index + before + gapLength_, items + before,
             static_cast<size_t>(count - before));
    }

  private:
    // memmove that accepts an empty range of a still unallocated vector.
    static void Move(T* to, const T* from, size_t count) {
        if (count > 0)
            std::memmove(to, from, sizeof(T) * count);
    }

    void MoveGap(int index) {
        T* data = items_.get();
        if (index < gapStart_)
            Move(data + index + gapLength_, data + index, static_cast<size_t>(gapStart_ - index));
        else if (index > gapStart_)
            Move(data + gapStart_, data + gapStart_ + gapLength_,
                 static_cast<size_t>(index - gapStart_));
        gapStart_ = index;
    }

    // Makes the gap hold at least needed items, with room to spare: enough
    // that typing rarely reallocates, and an eighth of what the vector held
    // already, so that text added in pieces (a file appended a block at a
    // time) is copied a bounded number of times rather than once a piece. A
    // vector filled from empty (a load) gets only the little spare room. When
    // the room to spare cannot be had, as near the end of a 32-bit address
    // space, the little spare room is tried before the edit is refused.
    void Grow(int needed) {
        size_t size = static_cast<size_t>(Size()) + static_cast<size_t>(needed);
        size_t least = size + std::clamp<size_t>(size / 256, 64, 65536);
        size_t capacity = std::max(least, size + static_cast<size_t>(Size()) / 8);
        std::unique_ptr<T[]> grown(capacity > least ? new (std::nothrow) T[capacity] : nullptr);
        if (!grown) {
            capacity = least;
            grown.reset(new T[capacity]);
        }
        size_t after = static_cast<size_t>(capacity_ - gapStart_ - gapLength_);
        Move(grown.get(), items_.get(), static_cast<size_t>(gapStart_));
        Move(grown.get() + capacity - after, items_.get() + gapStart_ + gapLength_, after);
        items_.swap(grown);
        capacity_ = static_cast<int>(capacity);
        gapLength_ = static_cast<int>(capacity - static_cast<size_t>(gapStart_) - after);
    }

    std::unique_ptr<T[]> items_;
    int capacity_ = 0;
    int gapStart_ = 0;
    int gapLength_ = 0;
};

} // namespace kalmor
