// ByteBuffer: a std::vector of bytes whose growth leaves the new bytes as they come from
// the allocator instead of filling them with zeros. The read and write buffers are 1 MiB
// each and are filled by what they hold next anyway; zeroing them would touch every page
// of them at once, which costs a short conversion (the live preview) more than its work.
#pragma once

#include <memory>
#include <new>
#include <vector>

template <class T>
class DefaultInitAllocator : public std::allocator<T> {
 public:
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };

  DefaultInitAllocator() = default;
  template <class U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

  // A value-initialising construct (resize) default-initialises, which for bytes does
  // nothing; construction from values stays as it is.
  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <class U, class... Args>
  void construct(U* at, Args&&... args) {
    std::allocator_traits<std::allocator<T>>::construct(static_cast<std::allocator<T>&>(*this), at,
                                                        std::forward<Args>(args)...);
  }
};

using ByteBuffer = std::vector<char, DefaultInitAllocator<char>>;
