#include "AllocationCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> allocations { 0 };
std::atomic<size_t> live { 0 };
std::atomic<size_t> peak { 0 };

void added(size_t bytes)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    const size_t now = live.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    size_t highest = peak.load(std::memory_order_relaxed);
    while (now > highest && !peak.compare_exchange_weak(highest, now, std::memory_order_relaxed)) { }
}

void released(void* block)
{
    if (block)
        live.fetch_sub(malloc_usable_size(block), std::memory_order_relaxed);
}

} // namespace

namespace allocationcounter {

size_t count()
{
    return allocations.load();
}

size_t liveBytes()
{
    return live.load();
}

size_t peakBytes()
{
    return peak.load();
}

void resetPeak()
{
    peak.store(live.load());
}

} // namespace allocationcounter

// Not inlined: the compiler would otherwise pair the malloc here with the frees below and warn.
[[gnu::noinline]] void* operator new(size_t size)
{
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        added(malloc_usable_size(block));
        return block;
    }
    throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* block) noexcept
{
    released(block);
    std::free(block);
}

[[gnu::noinline]] void operator delete(void* block, size_t) noexcept
{
    released(block);
    std::free(block);
}

// The non-throwing form too (temporary buffers of stable sorts use it): it must pair with the
// deletes above, which free what malloc gave.
[[gnu::noinline]] void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block)
        added(malloc_usable_size(block));
    return block;
}

[[gnu::noinline]] void operator delete(void* block, const std::nothrow_t&) noexcept
{
    released(block);
    std::free(block);
}
