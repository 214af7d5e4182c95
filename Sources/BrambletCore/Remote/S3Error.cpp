#include "BrambletCore/Remote/S3Error.h"

namespace bramblet {

S3Error::S3Error(Kind kind, int status, const QString& description)
    : std::runtime_error(description.toStdString())
    , m_kind(kind)
    , m_status(status)
{
}

S3Error S3Error::badResponse(int status, const QString& text)
{
    return S3Error(Kind::badResponse, status, QStringLiteral("S3 request failed (%1): %2").arg(status).arg(text));
}

S3Error S3Error::transport(const QString& description)
{
    return S3Error(Kind::transport, -1, description);
}

S3Error S3Error::localFile(const QString& description)
{
    return S3Error(Kind::localFile, -1, description);
}

QString S3Error::errorDescription() const
{
    return QString::fromUtf8(what());
}

} // namespace bramblet
