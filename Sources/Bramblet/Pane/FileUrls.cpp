#include "Bramblet/Pane/FileUrls.h"

#include <QMimeData>

namespace bramblet {

namespace {

const QString uriListType = QStringLiteral("text/uri-list");

} // namespace

QMimeData* fileUrlsMimeData(const QList<std::filesystem::path>& files)
{
    QByteArray list;
    for (const auto& file : files) {
        // "/" stays as it is; everything outside the unreserved set is escaped byte by byte.
        list += "file://" + QByteArray::fromStdString(file.native()).toPercentEncoding("/") + "\r\n";
    }
    auto* data = new QMimeData;
    data->setData(uriListType, list);
    return data;
}

QList<std::filesystem::path> fileUrls(const QMimeData* data)
{
    QList<std::filesystem::path> files;
    if (!data || !data->hasFormat(uriListType))
        return files;
    for (QByteArray line : data->data(uriListType).split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!line.startsWith("file:"))
            continue;
        QByteArray rest = line.mid(5);
        if (rest.startsWith("//")) {
            // An authority: only this machine's files can be copied from here.
            const qsizetype slash = rest.indexOf('/', 2);
            const QByteArray host = rest.mid(2, slash < 0 ? -1 : slash - 2);
            if (slash < 0 || !(host.isEmpty() || host == "localhost"))
                continue;
            rest = rest.mid(slash);
        }
        if (!rest.startsWith('/'))
            continue;
        const QByteArray path = QByteArray::fromPercentEncoding(rest);
        if (!path.contains('\0'))
            files.append(std::filesystem::path(path.toStdString()));
    }
    return files;
}

} // namespace bramblet
