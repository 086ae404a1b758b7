// Replacement operators new and delete that route the library's own C++ allocations to
// mimalloc. Built only with QUENLITH_USE_MIMALLOC, and not part of the core library itself.
// The module keeps them to itself (its export list holds only the registration symbols), so
// the host process keeps its allocator; test and benchmark executables export them, so that
// every library in those processes allocates from one heap.
#include <cstddef>
#include <new>

#include <mimalloc.h>

void* operator new(std::size_t size) { return mi_new(size); }
void* operator new[](std::size_t size) { return mi_new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return mi_new_nothrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return mi_new_nothrow(size);
}
void* operator new(std::size_t size, std::align_val_t align) {
  return mi_new_aligned(size, static_cast<std::size_t>(align));
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return mi_new_aligned(size, static_cast<std::size_t>(align));
}
void* operator new(std::size_t size, std::align_val_t align,
                                     const std::nothrow_t&) noexcept {
  return mi_new_aligned_nothrow(size, static_cast<std::size_t>(align));
}
void* operator new[](std::size_t size, std::align_val_t align,
                                       const std::nothrow_t&) noexcept {
  return mi_new_aligned_nothrow(size, static_cast<std::size_t>(align));
}

void operator delete(void* p) noexcept { mi_free(p); }
void operator delete[](void* p) noexcept { mi_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { mi_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { mi_free(p); }
void operator delete(void* p, std::size_t size) noexcept {
  mi_free_size(p, size);
}
void operator delete[](void* p, std::size_t size) noexcept {
  mi_free_size(p, size);
}
void operator delete(void* p, std::align_val_t align) noexcept {
  mi_free_aligned(p, static_cast<std::size_t>(align));
}
void operator delete[](void* p, std::align_val_t align) noexcept {
  mi_free_aligned(p, static_cast<std::size_t>(align));
}
void operator delete(void* p, std::align_val_t align,
                                       const std::nothrow_t&) noexcept {
  mi_free_aligned(p, static_cast<std::size_t>(align));
}
void operator delete[](void* p, std::align_val_t align,
                                         const std::nothrow_t&) noexcept {
  mi_free_aligned(p, static_cast<std::size_t>(align));
}
void operator delete(void* p, std::size_t size, std::align_val_t align) noexcept {
  mi_free_size_aligned(p, size, static_cast<std::size_t>(align));
}
void operator delete[](void* p, std::size_t size,
                                         std::align_val_t align) noexcept {
  mi_free_size_aligned(p, size, static_cast<std::size_t>(align));
}
