// Compiled with QT_NO_KEYWORDS: GLib's headers use "signals" as a name.
#include "BrambletCore/Remote/Keychain.h"

#include "BrambletCore/Remote/KeychainError.h"

#include <QStringDecoder>

#include <libsecret/secret.h>

#include <memory>

namespace bramblet {

namespace {

const SecretSchema* schema()
{
    static const SecretSchema schema = {
        "Bramblet.Secret",
        SECRET_SCHEMA_NONE,
        {
            { "service", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { "account", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING },
        },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    };
    return &schema;
}

struct ErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
struct ValueDeleter {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};

} // namespace

void Keychain::save(const QString& value, const QString& service, const QString& account)
{
    const QByteArray bytes = value.toUtf8();
    const QByteArray serviceText = service.toUtf8();
    const QByteArray accountText = account.toUtf8();
    const QByteArray label = serviceText + ' ' + accountText;
    std::unique_ptr<SecretValue, ValueDeleter> secret(secret_value_new(bytes.constData(), bytes.size(), "text/plain"));
    GError* rawError = nullptr;
    // The Secret Service replaces an item with the same attributes inside this one call.
    const gboolean stored = secret_password_store_binary_sync(schema(), SECRET_COLLECTION_DEFAULT,
                                                              label.constData(), secret.get(), nullptr, &rawError,
                                                              "service", serviceText.constData(), "account",
                                                              accountText.constData(), nullptr);
    const std::unique_ptr<GError, ErrorDeleter> error(rawError);
    if (!stored) {
        const QString reason = error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
        throw KeychainError(
            QStringLiteral("The secret could not be saved in the keyring (%1). Check that a Secret Service such "
                           "as GNOME Keyring or KWallet is running and unlocked.")
                .arg(reason)
                .toStdString());
    }
}

std::optional<QString> Keychain::read(const QString& service, const QString& account)
{
    GError* rawError = nullptr;
    const std::unique_ptr<SecretValue, ValueDeleter> secret(
        secret_password_lookup_binary_sync(schema(), nullptr, &rawError, "service", service.toUtf8().constData(),
                                           "account", account.toUtf8().constData(), nullptr));
    const std::unique_ptr<GError, ErrorDeleter> error(rawError);
    if (!secret)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(secret.get(), &length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes, qsizetype(length)));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

void Keychain::deleteItem(const QString& service, const QString& account)
{
    GError* rawError = nullptr;
    secret_password_clear_sync(schema(), nullptr, &rawError, "service", service.toUtf8().constData(), "account",
                               account.toUtf8().constData(), nullptr);
    const std::unique_ptr<GError, ErrorDeleter> error(rawError);
}

} // namespace bramblet
