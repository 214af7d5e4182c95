#include "BrambletCore/Remote/TrueNASError.h"

#include "BrambletCore/Remote/ServerText.h"

namespace bramblet {

TrueNASError::TrueNASError(const QString& text)
    : std::runtime_error(text.toStdString())
{
}

TrueNASError TrueNASError::addressNeeded()
{
    return TrueNASError(QStringLiteral("Enter the TrueNAS HTTPS address, for example https://truenas.local."));
}

TrueNASError TrueNASError::invalidAddress()
{
    return TrueNASError(QStringLiteral("The TrueNAS address is invalid."));
}

TrueNASError TrueNASError::rejectedKey()
{
    return TrueNASError(QStringLiteral("TrueNAS rejected the API key."));
}

TrueNASError TrueNASError::invalidResponse()
{
    return TrueNASError(QStringLiteral("TrueNAS returned an invalid response."));
}

TrueNASError TrueNASError::noResult()
{
    return TrueNASError(QStringLiteral("TrueNAS returned no result."));
}

TrueNASError TrueNASError::timedOut()
{
    return TrueNASError(QStringLiteral("TrueNAS did not answer in time."));
}

TrueNASError TrueNASError::connectionClosed()
{
    return TrueNASError(QStringLiteral("TrueNAS closed the connection."));
}

TrueNASError TrueNASError::messageTooLarge()
{
    return TrueNASError(QStringLiteral("TrueNAS sent a message larger than 16 MB; the connection was closed."));
}

TrueNASError TrueNASError::stoppedReading()
{
    return TrueNASError(QStringLiteral("TrueNAS stopped reading what this computer sends; the connection was closed."));
}

TrueNASError TrueNASError::requestFailed()
{
    return TrueNASError(QStringLiteral("Request failed."));
}

TrueNASError TrueNASError::serverError(const QString& message)
{
    return TrueNASError(ServerText::shown(message));
}

TrueNASError TrueNASError::described(const QString& description)
{
    return TrueNASError(description);
}

QString TrueNASError::errorDescription() const
{
    return QString::fromUtf8(what());
}

} // namespace bramblet
