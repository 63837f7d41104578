#pragma once
// Storage for the encoder's picture-sized arrays (the coefficients of a
// whole picture, megabytes each), cheaper to set up than a plain vector's:
// - sizing the array leaves its elements uninitialised, since the encoder
//   writes every one before it reads it;
// - an array of 2 MB or more is aligned to 2 MB and offered transparent huge
//   pages, so that first touching it costs a few page faults instead of one
//   for every 4 kB page. That advice is all it is: where huge pages are off,
//   the array is ordinary memory.
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace nimbrel {

template <class T>
struct LargeArrayAllocator {
    using value_type = T;
    static constexpr size_t kHugePage = size_t(2) << 20;

    LargeArrayAllocator() = default;
    template <class U>
    LargeArrayAllocator(const LargeArrayAllocator<U>&) {}

    T* allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T) - kHugePage) throw std::bad_alloc();
        const size_t bytes = n * sizeof(T);
        void* p = nullptr;
        if (bytes >= kHugePage) {
            const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
            p = std::aligned_alloc(kHugePage, rounded);
#if defined(MADV_HUGEPAGE)
            if (p) madvise(p, rounded, MADV_HUGEPAGE);
#endif
        } else {
            p = std::malloc(bytes > 0 ? bytes : 1);
        }
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept {
        std::free(p);
    }

    // Default-initialises (leaves a number uninitialised) where a vector
    // would value-initialise.
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U>
    bool operator==(const LargeArrayAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace nimbrel
