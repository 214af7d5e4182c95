#include "Zentrova/Engine/GraphemeCluster.h"

#include <unicode/ubrk.h>
#include <unicode/utf16.h>

#include <memory>
#include <vector>

namespace zentrova {
namespace {

struct BreakIteratorCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};

// One character break iterator per thread, opened on first use.
UBreakIterator* characterBreaks()
{
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorCloser> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UBreakIterator, BreakIteratorCloser> opened(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
        if (U_FAILURE(status))
            opened.reset();
        return opened;
    }();
    return iterator.get();
}

} // namespace

bool isSingleGraphemeCluster(std::u32string_view scalars)
{
    if (scalars.size() <= 1)
        return true;
    UBreakIterator* breaks = characterBreaks();
    if (!breaks)
        return false;
    std::vector<UChar> utf16;
    utf16.reserve(scalars.size() * 2);
    for (char32_t scalar : scalars) {
        if (U_IS_BMP(scalar)) {
            utf16.push_back(UChar(scalar));
        } else {
            utf16.push_back(U16_LEAD(scalar));
            utf16.push_back(U16_TRAIL(scalar));
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    ubrk_setText(breaks, utf16.data(), int32_t(utf16.size()), &status);
    if (U_FAILURE(status))
        return false;
    ubrk_first(breaks);
    const int32_t end = ubrk_next(breaks);
    return end == int32_t(utf16.size());
}

} // namespace zentrova
