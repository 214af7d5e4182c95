#include "Support/Remote/TestServices.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

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

std::optional<LoopbackTls> loopbackTls()
{
    const auto certificates = QSslCertificate::fromPath(qEnvironmentVariable("BRAMBLET_TEST_TLS_CERT"));
    QFile keyFile(qEnvironmentVariable("BRAMBLET_TEST_TLS_KEY"));
    if (certificates.isEmpty() || !keyFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QSslKey key(&keyFile, QSsl::Rsa);
    if (key.isNull())
        return std::nullopt;
    LoopbackTls tls { .server = QSslConfiguration::defaultConfiguration(),
                      .client = QSslConfiguration::defaultConfiguration() };
    tls.server.setLocalCertificate(certificates.first());
    tls.server.setPrivateKey(key);
    tls.client.addCaCertificates(certificates);
    return tls;
}

bool hasSessionBus()
{
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace bramblet::testing
