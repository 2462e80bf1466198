// A growable buffer of trivially copyable elements (bytes, UTF-16 units, 64-bit offsets).
//
// Growth: capacity + capacity / 4 + 32, or the new count when that is larger (32, 72, 122, 184,
// ... when pushing one at a time). Failures go through the error handler, which throws
// QBX_EXIT_MEMORY; the array is then left exactly as it was before the call, so that a caller
// that catches the throw never sees a count beyond the allocated elements.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "common/error_handler.h"

template <typename T>
class DynamicArray {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memcpy/realloc");

 public:
  DynamicArray() = default;
  explicit DynamicArray(uint64_t initialCount) { Grow(initialCount); }
  ~DynamicArray() { Release(); }
  DynamicArray(const DynamicArray&) = delete;
  DynamicArray& operator=(const DynamicArray&) = delete;

  T* Data() { return data_; }
  const T* Data() const { return data_; }
  uint64_t Count() const { return count_; }
  uint64_t Capacity() const { return capacity_; }
  T& operator[](uint64_t index) { return data_[index]; }
  const T& operator[](uint64_t index) const { return data_[index]; }

  // Upper limit of the count (0: none).
  void SetMaxCount(uint64_t maxCount) { maxCount_ = maxCount; }
  // Zero-fill memory before it is given back, so that it never keeps the elements.
  void SetWipe(bool wipe) { wipe_ = wipe; }

  // Adds n uninitialised elements at the end.
  void Grow(uint64_t n) {
    const uint64_t newCount = count_ + n;
    if (newCount < count_) gErrorHandler.ReportMemoryError();  // wrapped around
    // The limit is on the count, so it is checked before the spare capacity is used.
    if (maxCount_ != 0 && newCount > maxCount_) {
      gErrorHandler.ReportMessage(L"Maximum allowed array size (%llu) is exceeded",
                                  static_cast<unsigned long long>(maxCount_));
      gErrorHandler.ReportMemoryError();
    }
    if (newCount <= capacity_) {
      count_ = newCount;
      return;
    }
    uint64_t newCapacity = capacity_ + capacity_ / 4 + 32;
    if (newCapacity < newCount) newCapacity = newCount;
    if (newCapacity > SIZE_MAX / sizeof(T)) gErrorHandler.ReportMemoryError();
    const size_t bytes = static_cast<size_t>(newCapacity) * sizeof(T);
    T* newData = nullptr;
    if (wipe_) {
      newData = static_cast<T*>(malloc(bytes));
      if (newData == nullptr) gErrorHandler.ReportMemoryError();
      if (data_ != nullptr) {
        memcpy(newData, data_, static_cast<size_t>(capacity_) * sizeof(T));
        WipeAndFree();
      }
    } else {
      newData = static_cast<T*>(realloc(data_, bytes));
      if (newData == nullptr) gErrorHandler.ReportMemoryError();
    }
    data_ = newData;
    capacity_ = newCapacity;
    count_ = newCount;
  }

  void Push(const T& item) {
    Grow(1);
    data_[count_ - 1] = item;
  }

  // Drops elements from the end (never grows).
  void Shrink(uint64_t newCount) {
    if (newCount < count_) count_ = newCount;
  }

  // Gives the buffer back (wiped when asked) and empties the array.
  void Release() {
    if (data_ != nullptr) {
      if (wipe_) {
        WipeAndFree();
      } else {
        free(data_);
      }
    }
    data_ = nullptr;
    count_ = capacity_ = 0;
  }

 private:
  void WipeAndFree() {
    // volatile: the compiler may not drop stores to memory that is freed right after.
    volatile unsigned char* bytes = reinterpret_cast<volatile unsigned char*>(data_);
    for (size_t i = 0; i < static_cast<size_t>(capacity_) * sizeof(T); ++i) bytes[i] = 0;
    free(data_);
  }

  T* data_ = nullptr;
  uint64_t count_ = 0;
  uint64_t capacity_ = 0;
  uint64_t maxCount_ = 0;
  bool wipe_ = false;
};
