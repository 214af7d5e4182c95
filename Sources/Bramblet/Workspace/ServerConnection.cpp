#include "Bramblet/Workspace/ServerConnection.h"

#include <QPointer>
#include <QProcess>

namespace bramblet {

namespace {

// Runs `program` with `arguments` without a terminal to ask on, and hands `finished` whether it
// exited with status 0 and what it wrote; a program that cannot start counts as a failure.
void runTool(const QString& program, const QStringList& arguments, QObject* context,
             std::function<void(bool succeeded, const QByteArray& output)> finished)
{
    auto* process = new QProcess(context);
    process->setStandardInputFile(QProcess::nullDevice());
    auto answer = std::make_shared<decltype(finished)>(std::move(finished));
    QObject::connect(process, &QProcess::finished, context, [process, answer](int status, QProcess::ExitStatus how) {
        process->deleteLater();
        (*answer)(how == QProcess::NormalExit && status == 0, process->readAllStandardOutput());
    });
    QObject::connect(process, &QProcess::errorOccurred, context, [process, answer](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        (*answer)(false, {});
    });
    process->start(program, arguments);
}

} // namespace

const QStringList& serverSchemes()
{
    static const QStringList schemes { QStringLiteral("smb"), QStringLiteral("afp"), QStringLiteral("ftp"),
                                       QStringLiteral("ftps"), QStringLiteral("webdav"), QStringLiteral("webdavs") };
    return schemes;
}

std::optional<QUrl> serverAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || !serverSchemes().contains(url.scheme().toLower()))
        return std::nullopt;
    return url;
}

QUrl mountAddress(const QUrl& address)
{
    QUrl mounted(address);
    const QString scheme = address.scheme().toLower();
    if (scheme == QStringLiteral("webdav"))
        mounted.setScheme(QStringLiteral("dav"));
    else if (scheme == QStringLiteral("webdavs"))
        mounted.setScheme(QStringLiteral("davs"));
    else
        mounted.setScheme(scheme);
    return mounted;
}

std::optional<QString> localPathOfInfo(const QByteArray& output)
{
    const QByteArray label = "local path: ";
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith(label) && line.size() > label.size())
            return QString::fromLocal8Bit(line.mid(label.size()));
    }
    return std::nullopt;
}

ServerConnectionRunner gioServerConnection(const QString& gio)
{
    return [gio](const QUrl& address, QObject* context, std::function<void(const std::optional<QString>&)> done) {
        const QString target = mountAddress(address).toString();
        QPointer<QObject> owner(context);
        // Mounting an address that is mounted already fails; the info step decides either way.
        runTool(gio, { QStringLiteral("mount"), target }, context,
                [gio, target, owner, done = std::move(done)](bool, const QByteArray&) {
                    if (!owner)
                        return;
                    runTool(gio, { QStringLiteral("info"), target }, owner,
                            [done](bool succeeded, const QByteArray& output) {
                                done(succeeded ? localPathOfInfo(output) : std::nullopt);
                            });
                });
    };
}

} // namespace bramblet
