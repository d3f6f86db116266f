#pragma once
// An allocator that zeroes every block before it returns it to the heap, so
// that the numbers of a signature check leave no copies behind in freed
// memory (a vector's old buffer when it grows included).

#include <cstddef>
#include <new>

namespace krv::signature {

template <class T>
struct WipingAllocator {
  using value_type = T;

  WipingAllocator() = default;
  template <class U>
  WipingAllocator(const WipingAllocator<U>&) {}

  // Throws std::bad_alloc when the heap is exhausted, as std::allocator does.
  T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }

  // Zeroes the n elements at p through a volatile pointer, which the compiler
  // may not drop as a dead store, then frees them.
  void deallocate(T* p, size_t n) {
    volatile unsigned char* bytes = reinterpret_cast<volatile unsigned char*>(p);
    for (size_t i = 0; i < n * sizeof(T); ++i) bytes[i] = 0;
    ::operator delete(p);
  }

  template <class U>
  bool operator==(const WipingAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const WipingAllocator<U>&) const {
    return false;
  }
};

}  // namespace krv::signature
