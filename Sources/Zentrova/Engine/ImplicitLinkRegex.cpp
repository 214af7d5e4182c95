#include "Zentrova/Engine/ImplicitLinkRegex.h"

#include <memory>

namespace zentrova {

const icu::RegexPattern* implicitLinkRegex()
{
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError {};
        const auto source = icu::UnicodeString::fromUTF8(
            icu::StringPiece(implicitLinkPattern.data(), int32_t(implicitLinkPattern.size())));
        std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(source, 0, parseError, status));
        return U_SUCCESS(status) ? std::move(compiled) : nullptr;
    }();
    return pattern.get();
}

} // namespace zentrova
