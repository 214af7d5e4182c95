// A ListObjectsV2 answer as any server could send it, and the size and date texts on their own.

#include "FuzzInput.h"

#include "BrambletCore/Remote/S3ListingParser.h"

using bramblet::S3ListingParser;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);
    for (const auto& object : S3ListingParser::parseListing(body))
        (void)object.name();
    const QString text = QString::fromUtf8(body);
    S3ListingParser::parseSize(text);
    S3ListingParser::parseModified(text);
    return 0;
}
