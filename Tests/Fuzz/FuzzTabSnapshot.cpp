// A stored pane tab: read, then walked through its history, which a decoded tab does not check.

#include "FuzzInput.h"

#include "BrambletCore/Models/JsonDecoding.h"
#include "BrambletCore/Models/TabSnapshot.h"

using namespace bramblet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const auto& value : fuzz::jsonValues(fuzz::bytes(data, size))) {
        try {
            TabSnapshot tab = TabSnapshot::fromJson(value);
            (void)tab.toJson();
            tab.goBack();
            tab.goForward();
            tab.goForward();
            tab.navigate(QStringLiteral("/fuzz"));
            tab.goBack();
            (void)tab.canGoBack();
            (void)tab.canGoForward();
        } catch (const JsonDecodeError&) {
        }
    }
    return 0;
}
