#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

namespace zentrova {

// Allocates zeroed memory with calloc and leaves value-initialised elements as they are. Large blocks
// come from the kernel already zero and are only touched when written, so a big, mostly empty buffer
// (a grown glyph atlas) costs no memset and no page faults for the part nobody writes.
template <class T>
struct ZeroedAllocator {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_arithmetic_v<T>,
                  "zero bytes must be the element's value-initialised state");
    using value_type = T;

    ZeroedAllocator() = default;
    template <class U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept { }

    T* allocate(size_t count)
    {
        if (void* memory = std::calloc(count, sizeof(T)))
            return static_cast<T*>(memory);
        throw std::bad_alloc();
    }
    void deallocate(T* memory, size_t) noexcept { std::free(memory); }

    // The memory is zero already.
    template <class U>
    void construct(U*) noexcept
    {
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }

    template <class U>
    bool operator==(const ZeroedAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace zentrova
