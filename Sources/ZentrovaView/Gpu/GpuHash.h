#pragma once

#include <cstddef>
#include <functional>

namespace zentrova {

// Folds `value`'s hash into `seed`, so that a record hashes over its fields in order.
template <class T>
void hashCombine(size_t& seed, const T& value)
{
    seed ^= std::hash<T> {}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

// Floating-point fields compare equal at zero and negative zero, so they must hash alike too.
inline void hashCombine(size_t& seed, double value)
{
    hashCombine<double>(seed, value == 0 ? 0.0 : value);
}

// The hash of a record's fields, in order.
template <class... Fields>
size_t hashFields(const Fields&... fields)
{
    size_t seed = 0;
    (hashCombine(seed, fields), ...);
    return seed;
}

} // namespace zentrova
