#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Reading the parameters and intermediate bytes of a control sequence, as the handlers need them.
namespace zentrova::csi {

// The parameter at `index`; 0, the parser's value for an omitted one, when there are fewer.
inline int parameter(std::span<const int> pars, size_t index = 0)
{
    return index < pars.size() ? pars[index] : 0;
}

// A count or a 1-based position at `index`: 0 and a missing value both mean 1.
inline int count(std::span<const int> pars, size_t index = 0)
{
    return std::max(parameter(pars, index), 1);
}

// The intermediate bytes are exactly `expected`.
inline bool isCollect(std::span<const uint8_t> collect, std::string_view expected)
{
    return std::equal(collect.begin(), collect.end(), expected.begin(), expected.end());
}

} // namespace zentrova::csi
