#include "BrambletCore/Remote/TrueNASReply.h"

#include "BrambletCore/Remote/TrueNASError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace bramblet {

namespace {

// Parses one JSON text, a bare scalar included (QJsonDocument alone refuses those); throws the
// parser's description of a text that is not JSON.
QJsonValue parsed(const QByteArray& message)
{
    QJsonParseError error;
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + message + ']', &error);
    if (error.error == QJsonParseError::NoError && wrapped.array().size() == 1)
        return wrapped.array().first();
    QJsonDocument::fromJson(message, &error);
    throw TrueNASError::described(error.errorString());
}

std::optional<qint64> integerID(const QJsonValue& id)
{
    // toInteger() gives its default for anything but a whole number: two different defaults tell
    // such a value from a real one.
    const qint64 number = id.toInteger(0);
    if (!id.isDouble() || number != id.toInteger(1))
        return std::nullopt;
    return number;
}

} // namespace

TrueNASReply TrueNASReply::read(const QByteArray& message)
{
    const QJsonValue reply = parsed(message);
    const QJsonObject object = reply.toObject();
    if (reply.isObject() && !object.contains(u"id"))
        return { .isNotification = true, .id = 0, .failure = nullptr, .result = {} };
    const std::optional<qint64> id = integerID(object.value(u"id"));
    if (!reply.isObject() || !id)
        throw TrueNASError::invalidResponse();
    if (object.value(u"error").isObject()) {
        const QJsonValue serverMessage = object.value(u"error").toObject().value(u"message");
        return { .isNotification = false,
                 .id = *id,
                 .failure = std::make_exception_ptr(serverMessage.isString() ? TrueNASError::serverError(serverMessage.toString())
                                                                             : TrueNASError::requestFailed()),
                 .result = {} };
    }
    if (object.contains(u"result"))
        return { .isNotification = false, .id = *id, .failure = nullptr, .result = object.value(u"result") };
    return { .isNotification = false, .id = *id, .failure = std::make_exception_ptr(TrueNASError::noResult()), .result = {} };
}

} // namespace bramblet
