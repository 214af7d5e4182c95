// A ListObjectsV2 answer as any server could send it, and the size and date texts on their own.

#include "FuzzInput.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3ListingParser.h"

using bramblet::S3Error;
using bramblet::S3ListingParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);
    try {
        for (const auto& object : S3ListingParser::parseListing(body, 1000))
            (void)object.name();
    } catch (const S3Error&) {
        // A body that is not a whole listing is refused; that is all it may do.
    }
    const QString text = QString::fromUtf8(body);
    S3ListingParser::parseSize(text);
    S3ListingParser::parseModified(text);
    return 0;
}
