// A stored list of S3 connections: each one read, and written back when it reads.

#include "FuzzInput.h"

#include "BrambletCore/Models/JsonDecoding.h"
#include "BrambletCore/Remote/S3Connection.h"

using namespace bramblet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const auto& value : fuzz::jsonValues(fuzz::bytes(data, size))) {
        try {
            const S3Connection connection = S3Connection::fromJson(value);
            (void)connection.idString();
            (void)connection.toJson();
        } catch (const JsonDecodeError&) {
        }
    }
    return 0;
}
