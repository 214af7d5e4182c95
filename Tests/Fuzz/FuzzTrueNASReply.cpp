// A message from a TrueNAS server as the client reads it, and its result read as a folder listing.

#include "FuzzInput.h"

#include "BrambletCore/Models/JsonDecoding.h"
#include "BrambletCore/Remote/TrueNASError.h"
#include "BrambletCore/Remote/TrueNASItem.h"
#include "BrambletCore/Remote/TrueNASReply.h"

using namespace bramblet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const TrueNASReply reply = TrueNASReply::read(fuzz::bytes(data, size));
        if (reply.failure)
            std::rethrow_exception(reply.failure);
        for (const QJsonValue& entry : reply.result.toArray()) {
            try {
                (void)TrueNASItem::fromJson(entry).id();
            } catch (const JsonDecodeError&) {
            }
        }
    } catch (const TrueNASError& error) {
        (void)error.errorDescription();
    }
    return 0;
}
