// Runs one keychain call in a process of its own, so a test can give it an environment without a
// session bus (a process keeps its first bus connection for good). Prints the outcome:
//   save VALUE SERVICE ACCOUNT  ->  "saved" or "error: <text>"
//   read SERVICE ACCOUNT        ->  "value: <text>" or "missing"
//   delete SERVICE ACCOUNT      ->  "deleted"

#include "BrambletCore/Remote/Keychain.h"
#include "BrambletCore/Remote/KeychainError.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    using bramblet::Keychain;
    const auto arg = [&](int i) { return QString::fromUtf8(argv[i]); };
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "save" && argc == 5) {
        try {
            Keychain::save(arg(2), arg(3), arg(4));
            std::puts("saved");
        } catch (const bramblet::KeychainError& error) {
            std::printf("error: %s\n", error.what());
        }
    } else if (command == "read" && argc == 4) {
        const auto value = Keychain::read(arg(2), arg(3));
        if (value)
            std::printf("value: %s\n", value->toUtf8().constData());
        else
            std::puts("missing");
    } else if (command == "delete" && argc == 4) {
        Keychain::deleteItem(arg(2), arg(3));
        std::puts("deleted");
    } else {
        std::fputs("usage: save VALUE SERVICE ACCOUNT | read SERVICE ACCOUNT | delete SERVICE ACCOUNT\n", stderr);
        return 2;
    }
    return 0;
}
