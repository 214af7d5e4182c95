// The stored activity log: the list as the program restores it, and each record on its own.

#include "FuzzInput.h"

#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "BrambletCore/Models/ActivityRecord.h"
#include "BrambletCore/Models/JsonDecoding.h"

using namespace bramblet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = fuzz::bytes(data, size);
    if (const auto records = decodeList<ActivityRecord>(text))
        (void)encodeList(*records);
    for (const auto& value : fuzz::jsonValues(text)) {
        try {
            const ActivityRecord record = ActivityRecord::fromJson(value);
            (void)secondsSinceReferenceDate(record.date());
        } catch (const JsonDecodeError&) {
        }
    }
    return 0;
}
