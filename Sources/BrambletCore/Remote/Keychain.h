#pragma once

#include <QString>

#include <optional>

namespace bramblet {

// The secrets of remote connections, kept by the desktop's Secret Service (the login keyring),
// never in the settings. One item per service and account, the value being the secret's UTF-8
// text. Stateless: the keyring is the state. Every call blocks until the keyring answers and may
// come from any thread.
class Keychain {
public:
    static constexpr const char* s3Service = "Bramblet.S3";
    static constexpr const char* trueNASService = "Bramblet.TrueNAS";

    Keychain() = delete;

    // Stores `value`, replacing any item of the same service and account in one step, so a
    // failed save leaves the previous secret in place. Throws KeychainError, saying why, when
    // the secret could not be stored (for example when no Secret Service is running).
    static void save(const QString& value, const QString& service, const QString& account);

    // The stored value, or nothing when there is none, when it is not UTF-8 text, or when the
    // keyring cannot be reached.
    static std::optional<QString> read(const QString& service, const QString& account);

    // Removes the item if there is one; silent otherwise, and when the keyring cannot be reached.
    static void deleteItem(const QString& service, const QString& account);
};

} // namespace bramblet
