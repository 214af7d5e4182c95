#include "Support/Remote/HostileTrueNASServer.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslSocket>
#include <QTimer>

#include <optional>
#include <utility>

namespace bramblet::testing {

namespace {

using Misbehaviour = HostileTrueNASServer::Misbehaviour;

enum Opcode : quint8 { continuation = 0x0, text = 0x1, binary = 0x2, close = 0x8, ping = 0x9 };
constexpr quint8 finalFragment = 0x80;

constexpr qint64 pumpThreshold = 64 * 1024;
constexpr qint64 fragmentBytes = 256 * 1024;

// The head of a frame from the server (servers do not mask) with the payload length it announces.
QByteArray frameHead(quint8 finAndOpcode, quint64 length)
{
    QByteArray head(1, char(finAndOpcode));
    if (length < 126) {
        head += char(length);
    } else if (length <= 0xFFFF) {
        head += char(126);
        head += char(length >> 8);
        head += char(length & 0xFF);
    } else {
        head += char(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            head += char((length >> shift) & 0xFF);
    }
    return head;
}

QByteArray frame(quint8 finAndOpcode, const QByteArray& payload)
{
    return frameHead(finAndOpcode, quint64(payload.size())) + payload;
}

struct ClientFrame {
    quint8 opcode = 0;
    bool final = false;
    QByteArray payload;
};

// Takes the first whole frame off `buffer`; nothing while the frame is incomplete. Client frames
// are masked and, from this client, small.
std::optional<ClientFrame> takeFrame(QByteArray& buffer)
{
    if (buffer.size() < 2)
        return std::nullopt;
    const auto byte = [&](qsizetype at) { return quint64(quint8(buffer[at])); };
    qsizetype at = 2;
    quint64 length = byte(1) & 0x7F;
    if (length == 126) {
        if (buffer.size() < 4)
            return std::nullopt;
        length = byte(2) << 8 | byte(3);
        at = 4;
    } else if (length == 127) {
        if (buffer.size() < 10)
            return std::nullopt;
        length = 0;
        for (qsizetype index = 2; index < 10; ++index)
            length = length << 8 | byte(index);
        at = 10;
    }
    const bool masked = byte(1) & 0x80;
    const qsizetype maskAt = at;
    if (masked)
        at += 4;
    if (quint64(buffer.size() - at) < length)
        return std::nullopt;
    ClientFrame taken { .opcode = quint8(byte(0) & 0x0F), .final = (byte(0) & finalFragment) != 0, .payload = buffer.mid(at, qsizetype(length)) };
    if (masked) {
        for (qsizetype index = 0; index < taken.payload.size(); ++index)
            taken.payload[index] = char(taken.payload[index] ^ buffer[maskAt + index % 4]);
    }
    buffer.remove(0, at + qsizetype(length));
    return taken;
}

QByteArray reply(qint64 id, const QJsonValue& result)
{
    return QJsonDocument(QJsonObject { { "jsonrpc", "2.0" }, { "id", id }, { "result", result } }).toJson(QJsonDocument::Compact);
}

} // namespace

HostileTrueNASServer::HostileTrueNASServer(const QSslConfiguration& tls, Misbehaviour misbehaviour)
    : m_misbehaviour(misbehaviour)
{
    m_server.setSslConfiguration(tls);
    QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, [this] { accept(); });
}

HostileTrueNASServer::~HostileTrueNASServer()
{
    m_drip.reset();
    if (m_socket)
        QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
}

QString HostileTrueNASServer::address() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(m_server.serverPort());
}

void HostileTrueNASServer::accept()
{
    while (auto* socket = static_cast<QSslSocket*>(m_server.nextPendingConnection())) {
        // One client per test.
        if (m_socket) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setParent(nullptr);
        m_socket.reset(socket);
        QObject::connect(socket, &QSslSocket::readyRead, [this] { read(); });
        QObject::connect(socket, &QSslSocket::bytesWritten, [this] { pump(); });
        QObject::connect(socket, &QSslSocket::encryptedBytesWritten, [this] { pump(); });
        QObject::connect(socket, &QSslSocket::disconnected, [this] {
            clientLeft = true;
            m_drip.reset();
        });
    }
}

void HostileTrueNASServer::read()
{
    // A server that stopped reading leaves what comes where it is.
    if (m_misbehaviour == Misbehaviour::pingFlood && m_flooding)
        return;
    m_received += m_socket->readAll();
    if (!m_upgraded)
        return handshake();
    while (const std::optional<ClientFrame> taken = takeFrame(m_received)) {
        switch (taken->opcode) {
        case Opcode::close:
            if (taken->payload.size() >= 2)
                closeCode = quint16(quint8(taken->payload[0]) << 8 | quint8(taken->payload[1]));
            m_drip.reset();
            m_flooding = false;
            m_socket->write(frame(finalFragment | Opcode::close, taken->payload.left(2)));
            m_socket->disconnectFromHost();
            return;
        case Opcode::continuation:
        case Opcode::text:
        case Opcode::binary:
            m_message += taken->payload;
            if (taken->final)
                message(std::exchange(m_message, {}));
            break;
        default: // the answers to pings
            break;
        }
    }
}

void HostileTrueNASServer::handshake()
{
    const qsizetype end = m_received.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    QByteArray key;
    for (const QByteArray& line : m_received.left(end).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare("Sec-WebSocket-Key", Qt::CaseInsensitive) == 0)
            key = line.mid(colon + 1).trimmed();
    }
    m_received.remove(0, end + 4);
    const QByteArray accept
        = QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11", QCryptographicHash::Sha1).toBase64();
    m_socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: "
                    + accept + "\r\n\r\n");
    m_upgraded = true;
    if (!m_received.isEmpty())
        read();
}

void HostileTrueNASServer::message(const QByteArray& text)
{
    const QJsonObject request = QJsonDocument::fromJson(text).object();
    const qint64 id = request.value("id").toInteger();
    if (request.value("method").toString().startsWith("auth."))
        return send(frame(finalFragment | Opcode::text, reply(id, true)));
    ++calls;
    misbehave(id);
}

void HostileTrueNASServer::misbehave(qint64 id)
{
    switch (m_misbehaviour) {
    case Misbehaviour::hugeFrame:
        send(frameHead(finalFragment | Opcode::binary, quint64(1) << 31));
        m_dripping = QByteArray(1 << 20, 'x');
        break;
    case Misbehaviour::dribbledReply: {
        QByteArray answer = reply(id, QJsonArray());
        answer.insert(answer.size() - 1, QByteArray(1000, ' '));
        m_dripping = frame(finalFragment | Opcode::text, answer);
        break;
    }
    case Misbehaviour::endlessMessage:
    case Misbehaviour::endlessTextMessage:
    case Misbehaviour::pingFlood:
        m_flooding = true;
        // Nothing more is taken from the kernel, so what the client sends piles up on its side.
        if (m_misbehaviour == Misbehaviour::pingFlood)
            m_socket->setReadBufferSize(1);
        pump();
        return;
    case Misbehaviour::silence:
        return;
    }
    m_drip = std::make_unique<QTimer>();
    QObject::connect(m_drip.get(), &QTimer::timeout, [this] {
        if (m_dripping.isEmpty())
            return m_drip->stop();
        send(m_dripping.left(1));
        m_dripping.remove(0, 1);
    });
    m_drip->start(dripInterval);
}

void HostileTrueNASServer::pump()
{
    if (!m_flooding)
        return;
    while (m_socket->state() == QAbstractSocket::ConnectedState && bytesSent < endlessCap
           && m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite() < pumpThreshold) {
        if (m_misbehaviour == Misbehaviour::pingFlood) {
            QByteArray pings;
            const QByteArray one = frame(finalFragment | Opcode::ping, QByteArray(125, 'p'));
            while (pings.size() < pumpThreshold)
                pings += one;
            send(pings);
        } else {
            const quint8 first = m_misbehaviour == Misbehaviour::endlessTextMessage ? Opcode::text : Opcode::binary;
            send(frame(m_fragments++ == 0 ? first : quint8(Opcode::continuation), QByteArray(fragmentBytes, ' ')));
        }
    }
}

void HostileTrueNASServer::send(const QByteArray& bytes)
{
    bytesSent += bytes.size();
    m_socket->write(bytes);
}

} // namespace bramblet::testing
