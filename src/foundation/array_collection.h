// ArrayCollection: a growable array of pointers. It owns its storage, not the
// objects pointed to. Indices are checked: an index outside the array is a
// programming error and ends the program.
#pragma once

#include <cstring>

#include "foundation/alloc.h"
#include "foundation/fail.h"

template <class T>
class ArrayCollection {
 public:
  ArrayCollection() = default;
  ~ArrayCollection() { GRTFree(items_); }
  ArrayCollection(const ArrayCollection&) = delete;
  ArrayCollection& operator=(const ArrayCollection&) = delete;

  int Count() const { return count_; }
  T* Get(int index) const {
    if (index < 0 || index >= count_) Fail("ArrayCollection index %d out of range (%d)", index, count_);
    return items_[index];
  }
  T* operator[](int index) const { return Get(index); }

  // Appends item; returns its index.
  int Add(T* item) {
    if (count_ == capacity_) Grow();
    items_[count_] = item;
    return count_++;
  }
  // Removes the entry at index, moving the later ones down.
  void RemoveAt(int index) {
    Get(index);
    std::memmove(items_ + index, items_ + index + 1, sizeof(T*) * (count_ - index - 1));
    --count_;
  }
  // Index of the first entry equal to item, or -1.
  int IndexOf(const T* item) const {
    for (int i = 0; i < count_; ++i)
      if (items_[i] == item) return i;
    return -1;
  }
  void Clear() { count_ = 0; }

 private:
  void Grow() {
    const int capacity = capacity_ ? capacity_ * 2 : 8;
    T** items = static_cast<T**>(MustAlloc(sizeof(T*) * capacity));
    if (count_) std::memcpy(items, items_, sizeof(T*) * count_);
    GRTFree(items_);
    items_ = items;
    capacity_ = capacity;
  }
  T** items_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
};
