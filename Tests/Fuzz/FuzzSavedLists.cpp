// The stored window state and the saved workspace and sync lists, as the program restores them.

#include "FuzzInput.h"

#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/SavedWorkspace.h"
#include "Bramblet/Workspace/SyncConfig.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "BrambletCore/Models/JsonDecoding.h"

using namespace bramblet;

namespace {

template <class Record>
void roundTrip(const QByteArray& text)
{
    if (const auto records = decodeList<Record>(text)) {
        try {
            (void)encodeList(*records);
        } catch (const JsonEncodeError&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = fuzz::bytes(data, size);
    roundTrip<SavedWorkspace>(text);
    roundTrip<SyncConfig>(text);
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (document.isObject()) {
        try {
            (void)SavedState::fromJson(document.object()).toJson();
        } catch (const JsonDecodeError&) {
        } catch (const JsonEncodeError&) {
        }
    }
    return 0;
}
