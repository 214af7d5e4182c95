#include "Bramblet/App/SingleInstance.h"

#include "BrambletCore/Files/PrivateFolder.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace bramblet {

namespace {

QString lockPath(const QString& folder)
{
    return folder + QStringLiteral("/instance.lock");
}

QString socketPath(const QString& folder)
{
    return folder + QStringLiteral("/instance.socket");
}

const QByteArray received = QByteArrayLiteral("received\n");

} // namespace

SingleInstance::SingleInstance(FileDescriptor lock, QLocalServer* server)
    : m_lock(std::move(lock))
    , m_server(server)
{
    m_server->setParent(this);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString base = runtime.startsWith(QLatin1Char('/'))
        ? runtime
        : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return base + QStringLiteral("/Bramblet");
}

std::unique_ptr<SingleInstance> SingleInstance::claim(const QString& folder)
{
    preparePrivateFolder(pathFromString(folder));
    FileDescriptor lock(::open(QFile::encodeName(lockPath(folder)).constData(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.get() < 0)
        throw FileFailure::system(QStringLiteral("\u201c%1\u201d: %2")
                                      .arg(lockPath(folder), QString::fromLocal8Bit(std::strerror(errno))));
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return nullptr;
    // Whatever is at the socket's name now was left by an instance that has ended.
    QLocalServer::removeServer(socketPath(folder));
    auto* server = new QLocalServer;
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath(folder))) {
        const QString reason = server->errorString();
        delete server;
        throw FileFailure::system(QStringLiteral("\u201c%1\u201d: %2").arg(socketPath(folder), reason));
    }
    return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock), server));
}

SingleInstance::HandOver SingleInstance::handOver(const QString& folder, const QStringList& paths, int connectMs,
                                                  int answerMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(folder));
    if (!socket.waitForConnected(connectMs))
        return HandOver::notConnected;
    socket.write(QJsonDocument(QJsonArray::fromStringList(paths)).toJson(QJsonDocument::Compact) + '\n');
    socket.flush();
    QDeadlineTimer deadline(answerMs);
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return HandOver::unanswered;
    }
    return socket.readLine() == received ? HandOver::confirmed : HandOver::unanswered;
}

SingleInstance::Start SingleInstance::start(const QString& folder, const QStringList& paths,
                                            std::unique_ptr<SingleInstance>& instance)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        if ((instance = claim(folder)))
            return Start::claimed;
        switch (handOver(folder, paths, 250, 20000)) {
        case HandOver::confirmed:
            return Start::handedOver;
        case HandOver::unanswered:
            return Start::noAnswer;
        case HandOver::notConnected:
            QThread::msleep(250);
            break;
        }
    }
    return Start::noAnswer;
}

void SingleInstance::setReceiver(std::function<void(const QStringList&)> receiver)
{
    m_receiver = std::move(receiver);
    for (const auto& paths : std::exchange(m_waiting, {}))
        m_receiver(paths);
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void SingleInstance::read(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > messageLimit)
            socket->abort();
        return;
    }
    const QJsonDocument message = QJsonDocument::fromJson(socket->readLine());
    if (!message.isArray()) {
        socket->abort();
        return;
    }
    QStringList paths;
    for (const auto& value : message.array()) {
        if (value.isString())
            paths.append(value.toString());
    }
    socket->write(received);
    socket->flush();
    deliver(paths);
}

void SingleInstance::deliver(const QStringList& paths)
{
    if (m_receiver)
        m_receiver(paths);
    else
        m_waiting.append(paths);
}

} // namespace bramblet
