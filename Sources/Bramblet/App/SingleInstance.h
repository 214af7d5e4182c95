#pragma once

#include "BrambletCore/Operations/FileDescriptor.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace bramblet {

// One Bramblet per user session. The first start claims the instance: for its whole life it holds
// an exclusive lock on "instance.lock" in a private folder and listens on "instance.socket" beside
// it. A later start finds the lock held, hands its folders to the running instance through the
// socket and ends. Whether an instance runs is told by the lock, which the system drops however a
// process ends, never by the socket file: one left by a crashed instance is replaced, never
// connected to in trust. Main thread only.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // How a start went: this process is the instance, or it handed its folders to the one that
    // runs, or that one held the instance but never answered.
    enum class Start { claimed, handedOver, noAnswer };

    ~SingleInstance() override;

    // "Bramblet" in the session's runtime folder ($XDG_RUNTIME_DIR, else Qt's private fallback).
    static QString defaultFolder();

    // Takes the instance when no other process holds it; null when one does. Throws FileFailure
    // when the folder cannot be made private or the socket cannot listen.
    static std::unique_ptr<SingleInstance> claim(const QString& folder);

    // How a hand-over went: nothing listened, the instance confirmed the folders, or it took them
    // but never confirmed.
    enum class HandOver { notConnected, confirmed, unanswered };
    // Hands `paths` (absolute) to the instance of `folder`: waits up to `connectMs` to connect,
    // then up to `answerMs` for the confirmation (the instance may still be opening its window).
    static HandOver handOver(const QString& folder, const QStringList& paths, int connectMs, int answerMs);

    // Claims the instance or hands `paths` over, trying again for a few seconds while the holder
    // does not listen (it may be starting, or quitting). A holder that took the folders but never
    // confirmed them is not asked again. `instance` is set when claimed.
    static Start start(const QString& folder, const QStringList& paths, std::unique_ptr<SingleInstance>& instance);

    // Gets the folders of each later start, in order of arrival; those that came before this call
    // at once.
    void setReceiver(std::function<void(const QStringList&)> receiver);

    // A message longer than this is no message of ours: the connection is dropped.
    static constexpr qint64 messageLimit = 1 << 20;

private:
    SingleInstance(FileDescriptor lock, QLocalServer* server);
    void accept();
    void read(QLocalSocket* socket);
    void deliver(const QStringList& paths);

    FileDescriptor m_lock;
    QLocalServer* m_server; // owned through the QObject tree
    std::function<void(const QStringList&)> m_receiver;
    QList<QStringList> m_waiting;
};

} // namespace bramblet
