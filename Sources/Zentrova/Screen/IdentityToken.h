#pragma once

#include <atomic>
#include <cstdint>

namespace zentrova {

// A token no other object of the process has had, for caches that key on an object's identity: an
// address comes back once its object is freed, a token never does.
inline uint64_t nextIdentityToken()
{
    static std::atomic<uint64_t> next { 1 };
    return next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace zentrova
