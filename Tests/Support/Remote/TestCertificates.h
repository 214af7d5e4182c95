#pragma once

#include <QSslConfiguration>

namespace bramblet::testing {

// A certificate authority of the test run and a server certificate it signed for the address
// 127.0.0.1 (and no host name), made with the openssl command in a temporary folder the first
// time they are asked for.
struct TestCertificates {
    // The server's certificate and private key.
    QSslConfiguration serverTls;
    // The default client configuration, verification on, trusting the test authority too.
    QSslConfiguration clientTls;

    // Fails the calling test when the openssl command does not run.
    static const TestCertificates& shared();
};

} // namespace bramblet::testing
