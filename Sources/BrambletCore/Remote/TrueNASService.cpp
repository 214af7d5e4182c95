#include "BrambletCore/Remote/TrueNASService.h"

#include "BrambletCore/Models/JsonDecoding.h"
#include "BrambletCore/Remote/TrueNASError.h"

#include <QJsonObject>

namespace bramblet {

namespace {

// The socket's address: the server's https address with the scheme "wss" and the API's path.
QUrl socketUrl(const QString& address)
{
    QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(u"https", Qt::CaseInsensitive) != 0 || url.host().isEmpty())
        throw TrueNASError::addressNeeded();
    url.setScheme(QStringLiteral("wss"));
    url.setPath(QStringLiteral("/api/current"));
    return url;
}

// A result that does not describe what was asked for fails with the decoder's own words.
template <typename Decode>
auto decodedWith(Decode decode)
{
    return [decode](const QJsonValue& result) {
        try {
            return decode(result);
        } catch (const JsonDecodeError& error) {
            throw TrueNASError::described(QString::fromUtf8(error.what()));
        }
    };
}

bool loginSucceeded(const QJsonValue& result)
{
    return json::requireString(json::requireObject(result, "result"), "response_type") == u"SUCCESS";
}

bool apiKeyAccepted(const QJsonValue& result)
{
    if (!result.isBool())
        json::fail("result", "is not a boolean");
    return result.toBool();
}

QList<TrueNASItem> listing(const QJsonValue& result)
{
    if (!result.isArray())
        json::fail("result", "is not an array");
    QList<TrueNASItem> items;
    for (const QJsonValue& entry : result.toArray())
        items.append(TrueNASItem::fromJson(entry));
    return items;
}

} // namespace

QFuture<std::unique_ptr<TrueNASService>> TrueNASService::connect(const QString& address, const QString& username,
                                                                  const QString& apiKey, QSslConfiguration tls,
                                                                  Duration callTimeout)
{
    using Result = std::unique_ptr<TrueNASService>;
    QUrl url;
    try {
        url = socketUrl(address);
    } catch (const TrueNASError&) {
        return QtFuture::makeExceptionalFuture<Result>(std::current_exception());
    }

    // Continuations must be copyable, so the client waits for its login in a shared holder.
    auto holder = std::make_shared<Result>(new TrueNASService(std::move(url), std::move(tls), callTimeout));
    TrueNASService& service = **holder;
    QFuture<bool> accepted = username.isEmpty()
        ? service.response(QStringLiteral("auth.login_with_api_key"), { apiKey })
              .then(QtFuture::Launch::Sync, decodedWith(&apiKeyAccepted))
        : service.response(QStringLiteral("auth.login_ex"),
                           { QJsonObject { { "mechanism", "API_KEY_PLAIN" }, { "username", username }, { "api_key", apiKey } } })
              .then(QtFuture::Launch::Sync, decodedWith(&loginSucceeded));

    // Not Launch::Sync: that would run on the client's thread, where a failed login must not
    // destroy the client.
    return accepted.then(QtFuture::Launch::Async, [holder](QFuture<bool> login) {
        Result service = std::move(*holder);
        try {
            if (login.result())
                return service;
        } catch (...) {
            service.reset(); // closes the socket before the caller hears of the failure
            throw;
        }
        service.reset();
        throw TrueNASError::rejectedKey();
    });
}

QFuture<QList<TrueNASItem>> TrueNASService::listDirectory(const QString& path)
{
    const QJsonObject options { { "select", QJsonArray { "name", "path", "type", "size" } } };
    return response(QStringLiteral("filesystem.listdir"), { path, QJsonArray(), options })
        .then(QtFuture::Launch::Sync, decodedWith(&listing));
}

} // namespace bramblet
