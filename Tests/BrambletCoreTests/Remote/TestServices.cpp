#include "TestServices.h"

#include <QSslCertificate>

namespace bramblet::testing {

bool servicesExpected()
{
    return qEnvironmentVariableIsSet("BRAMBLET_TEST_SERVICES");
}

std::optional<S3TestServer> s3TestServer()
{
    const QString port = qEnvironmentVariable("BRAMBLET_TEST_S3_PORT");
    const QString bucket = qEnvironmentVariable("BRAMBLET_TEST_S3_BUCKET");
    const auto certificates = QSslCertificate::fromPath(qEnvironmentVariable("BRAMBLET_TEST_S3_CA"));
    if (port.isEmpty() || bucket.isEmpty() || certificates.isEmpty())
        return std::nullopt;
    auto tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificates(certificates);
    return S3TestServer { .endpoint = QStringLiteral("127.0.0.1:") + port, .bucket = bucket, .tls = tls };
}

bool hasSessionBus()
{
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace bramblet::testing
