#include "ZentrovaView/TerminalViewDelegate.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace zentrova {

void TerminalViewDelegate::requestOpenLink(TerminalView&, const QString& link, const QHash<QString, QString>&)
{
    if (const auto url = openableLinkUrl(link))
        QDesktopServices::openUrl(*url);
}

void TerminalViewDelegate::bell(TerminalView&)
{
    QApplication::beep();
}

void TerminalViewDelegate::clipboardCopy(TerminalView&, std::span<const uint8_t>) { }

std::optional<QByteArray> TerminalViewDelegate::clipboardRead(TerminalView&)
{
    return std::nullopt;
}

void TerminalViewDelegate::iTermContent(TerminalView&, std::span<const uint8_t>) { }

std::optional<QUrl> openableLinkUrl(const QString& link)
{
    const QUrl url(link, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    QString path = link;
    if (path == "~" || path.startsWith("~/"))
        path.replace(0, 1, QDir::homePath());
    if (QFileInfo::exists(path))
        return QUrl::fromLocalFile(path);
    static const QRegularExpression lineSuffix(":[0-9]+(?::[0-9]+)?$");
    const QString withoutSuffix = QString(path).remove(lineSuffix);
    if (withoutSuffix != path && QFileInfo::exists(withoutSuffix))
        return QUrl::fromLocalFile(withoutSuffix);
    return std::nullopt;
}

} // namespace zentrova
