#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QSslServer>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QSslSocket;
class QTimer;

namespace bramblet::testing {

// A secure WebSocket server on 127.0.0.1 that speaks just enough of the handshake and the framing
// by hand to misbehave where a well-made WebSocket library would not let it: it logs every client
// in (any key), then answers the next call with the one misbehaviour it was made with, as a broken
// or hostile TrueNAS server (or someone on the path) might. It runs on the test's thread and
// counts the frame bytes it handed to the connection, so that a test can tell from this side how
// much the client took before it left.
class HostileTrueNASServer {
public:
    enum class Misbehaviour {
        hugeFrame, // announces a frame of 2 GB, then sends its bytes one every `dripInterval`
        endlessMessage, // one binary message in continuation frames of 256 KiB that never ends
        endlessTextMessage, // the same as a text message
        pingFlood, // pings as fast as the connection takes them, and reads nothing more
        dribbledReply, // the reply in one frame of about 1000 bytes, one byte every `dripInterval`
        silence, // reads the call and never answers
    };

    HostileTrueNASServer(const QSslConfiguration& tls, Misbehaviour misbehaviour);
    ~HostileTrueNASServer();

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    // "https://127.0.0.1:<port>".
    QString address() const;

    std::chrono::milliseconds dripInterval { 50 };
    // Endless sending stops here, so that a client that never stops taking cannot hold a test for
    // ever; the connection then stays open and quiet.
    qint64 endlessCap = qint64(96) << 20;

    // What happened: calls read after the login, frame bytes handed to the connection after the
    // handshake (nothing more is sent once the client left), whether the client left, and the
    // code of the close frame it sent, if any.
    int calls = 0;
    qint64 bytesSent = 0;
    bool clientLeft = false;
    std::optional<quint16> closeCode;

private:
    void accept();
    void read();
    void handshake();
    void message(const QByteArray& text);
    void misbehave(qint64 id);
    void pump();
    void send(const QByteArray& bytes);

    const Misbehaviour m_misbehaviour;
    QSslServer m_server;
    std::unique_ptr<QSslSocket> m_socket;
    std::unique_ptr<QTimer> m_drip;
    QByteArray m_received;
    QByteArray m_message; // the fragments of the client's message so far
    QByteArray m_dripping; // what the drip still has to send
    bool m_upgraded = false;
    bool m_flooding = false; // pumping pings or continuation frames
    qint64 m_fragments = 0; // frames of the endless message sent
};

} // namespace bramblet::testing
