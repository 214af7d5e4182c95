#include "Support/Remote/TestCertificates.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QTemporaryDir>

namespace bramblet::testing {

namespace {

bool openssl(const QString& folder, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(30'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << "openssl " << arguments.join(u' ').toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TestCertificates make()
{
    QTemporaryDir folder;
    const QString dir = folder.path();
    const QStringList ecKey { "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes" };
    QFile extensions(folder.filePath("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly)
        || extensions.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n") < 0)
        ADD_FAILURE() << "cannot write " << extensions.fileName().toStdString();
    extensions.close();
    const bool made = openssl(dir, QStringList { "req", "-x509" } + ecKey
                                  + QStringList { "-days", "2", "-subj", "/CN=Bramblet Test Authority", "-addext",
                                                  "basicConstraints=critical,CA:TRUE", "-addext",
                                                  "keyUsage=critical,keyCertSign", "-keyout", "ca.key", "-out", "ca.crt" })
        && openssl(dir, QStringList { "req" } + ecKey
                       + QStringList { "-subj", "/CN=127.0.0.1", "-keyout", "server.key", "-out", "server.csr" })
        && openssl(dir, { "x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                          "-days", "2", "-extfile", "server.ext", "-out", "server.crt" });
    TestCertificates certificates;
    if (!made)
        return certificates;

    const auto authority = QSslCertificate::fromData(contentsOf(folder.filePath("ca.crt")));
    const auto server = QSslCertificate::fromData(contentsOf(folder.filePath("server.crt")));
    const QSslKey key(contentsOf(folder.filePath("server.key")), QSsl::Ec);
    EXPECT_EQ(authority.size(), 1);
    EXPECT_EQ(server.size(), 1);
    EXPECT_FALSE(key.isNull());

    certificates.serverTls = QSslConfiguration::defaultConfiguration();
    certificates.serverTls.setLocalCertificate(server.value(0));
    certificates.serverTls.setPrivateKey(key);
    certificates.clientTls = QSslConfiguration::defaultConfiguration();
    certificates.clientTls.addCaCertificates(authority);
    return certificates;
}

} // namespace

const TestCertificates& TestCertificates::shared()
{
    static const TestCertificates certificates = make();
    return certificates;
}

} // namespace bramblet::testing
