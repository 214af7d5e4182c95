#include "Bramblet/Pane/GitStatus.h"

#include "Bramblet/Theme/Theme.h"
#include "BrambletCore/Models/FileItem.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace bramblet {

namespace {

// git reads settings from the repository it is pointed at, and every listed folder is asked,
// extracted archives included: a repository's own core.fsmonitor would run a command of its
// choosing. Optional locks off, so a status never takes index.lock from a git command the user
// is running in the same repository.
QStringList gitArguments(const std::filesystem::path& folder, const QStringList& command)
{
    return QStringList { QStringLiteral("-c"), QStringLiteral("core.fsmonitor=false"), QStringLiteral("-C"),
                         pathString(folder) }
    + command;
}

QString trimmedBlanks(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.sliced(start, end - start).toString();
}

} // namespace

QStringList GitStatus::run(const QString& executable, const QStringList& arguments)
{
    const QFileInfo info(executable);
    if (!info.isFile() || !info.isExecutable())
        return {};
    QProcess process;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GIT_OPTIONAL_LOCKS"), QStringLiteral("0"));
    process.setProcessEnvironment(environment);
    // The error output is never used; sending it to the null device keeps its pipe from filling.
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(executable, arguments, QIODevice::ReadOnly);
    // Reading while waiting drains the output pipe, however long the status is.
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QByteArray output = process.readAllStandardOutput();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(output);
    if (decoder.hasError())
        return {};
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QHash<QString, QString> GitStatus::statusesFromPorcelain(const QString& root, const QString& folder,
                                                         const QStringList& lines)
{
    QHash<QString, QString> statuses;
    const QString prefix = folder + u'/';
    for (const QString& line : lines) {
        if (line.size() < 4)
            continue;
        QString code = trimmedBlanks(QStringView(line).first(2));
        // Paths are used as git writes them: a rename keeps its arrow and a quoted path its
        // quotes, so such lines usually name no listed item.
        const QString fullPath = root + u'/' + line.mid(3);
        if (!fullPath.startsWith(prefix))
            continue;
        const QStringList pieces = fullPath.mid(folder.size() + 1).split(u'/', Qt::SkipEmptyParts);
        if (pieces.isEmpty())
            continue;
        if (code.isEmpty())
            code = QStringLiteral("M");
        statuses.insert(pieces.first(), code);
    }
    return statuses;
}

QFuture<QHash<QString, QString>> GitStatus::loadGitStatuses(const std::filesystem::path& folder)
{
    return QtConcurrent::run(QThreadPool::globalInstance(), [folder] {
        const QString git = QString::fromLatin1(gitExecutable);
        const QStringList root = run(git, gitArguments(folder, { QStringLiteral("rev-parse"), QStringLiteral("--show-toplevel") }));
        if (root.isEmpty())
            return QHash<QString, QString>();
        const QStringList lines = run(git, gitArguments(folder, { QStringLiteral("status"), QStringLiteral("--porcelain"),
                                                                 QStringLiteral("--"), QStringLiteral(".") }));
        return statusesFromPorcelain(root.first(), pathString(folder), lines);
    });
}

GitStatus::Badge GitStatus::gitBadge(const QString& code)
{
    using Theme::SystemColor;
    if (code == u"??")
        return { QStringLiteral("U"), Theme::amber() };
    if (code.contains(u'D'))
        return { QStringLiteral("D"), Theme::systemColor(SystemColor::red) };
    if (code.contains(u'A'))
        return { QStringLiteral("A"), Theme::systemColor(SystemColor::green) };
    if (code.contains(u'R'))
        return { QStringLiteral("R"), Theme::systemColor(SystemColor::blue) };
    return { QStringLiteral("M"), Theme::systemColor(SystemColor::orange) };
}

} // namespace bramblet
