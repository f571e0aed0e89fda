#pragma once
// Memory for the event buffers and the result arrays. The allocator is a seam
// so tests can make the N-th allocation fail and check the memory messages.

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace vedograf {

class TMemory {
 public:
  virtual ~TMemory() = default;
  // nullptr when the memory cannot be had; never throws.
  virtual void* Allocate(std::size_t bytes) noexcept { return ::operator new(bytes, std::nothrow); }
  virtual void Release(void* p) noexcept { ::operator delete(p); }

  static TMemory& Default();
};

// A fixed-size array of trivially copyable records taken from a TMemory.
// Empty (no storage) by default; Reset replaces the storage.
template <class T>
class TArray {
  static_assert(std::is_trivially_copyable_v<T>, "records are copied bytewise");

 public:
  TArray() = default;
  TArray(const TArray&) = delete;
  TArray& operator=(const TArray&) = delete;
  TArray(TArray&& o) noexcept { Swap(o); }
  TArray& operator=(TArray&& o) noexcept {
    Clear();
    Swap(o);
    return *this;
  }
  ~TArray() { Clear(); }

  // Releases the old storage, then takes `n` value-initialised records.
  // Returns false, leaving the array empty, when the memory cannot be had.
  bool Reset(TMemory& memory, std::size_t n) {
    Clear();
    if (n == 0) return true;
    void* p = memory.Allocate(n * sizeof(T));
    if (p == nullptr) return false;
    data_ = static_cast<T*>(p);
    for (std::size_t i = 0; i < n; ++i) new (data_ + i) T{};
    size_ = n;
    memory_ = &memory;
    return true;
  }

  // Exact-size copy of the first `n` records of `src` (the Close-time copy):
  // empty for n = 0; false and empty when the memory cannot be had.
  bool CopyFrom(TMemory& memory, const T* src, std::size_t n) {
    Clear();
    if (n == 0) return true;
    void* p = memory.Allocate(n * sizeof(T));
    if (p == nullptr) return false;
    std::memcpy(p, static_cast<const void*>(src), n * sizeof(T));
    data_ = static_cast<T*>(p);
    size_ = n;
    memory_ = &memory;
    return true;
  }

  void Clear() noexcept {
    if (data_ != nullptr) memory_->Release(data_);
    data_ = nullptr;
    size_ = 0;
    memory_ = nullptr;
  }

  T* data() noexcept { return data_; }
  const T* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  T& operator[](std::size_t i) noexcept { return data_[i]; }
  const T& operator[](std::size_t i) const noexcept { return data_[i]; }
  T* begin() noexcept { return data_; }
  T* end() noexcept { return data_ + size_; }
  const T* begin() const noexcept { return data_; }
  const T* end() const noexcept { return data_ + size_; }

 private:
  void Swap(TArray& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    std::swap(memory_, o.memory_);
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  TMemory* memory_ = nullptr;
};

}  // namespace vedograf
