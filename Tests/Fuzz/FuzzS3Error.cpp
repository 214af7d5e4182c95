// The answer of an S3 server that refused a request: its status and whatever body it sent.

#include "FuzzInput.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3Service.h"

using namespace bramblet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes pick the status, so successes, refusals and odd codes all come up.
    const int status = (data[0] << 8 | data[1]) % 1000;
    try {
        S3Service::checkStatus(status, fuzz::bytes(data + 2, size - 2));
    } catch (const S3Error& error) {
        (void)error.errorDescription();
    }
    return 0;
}
