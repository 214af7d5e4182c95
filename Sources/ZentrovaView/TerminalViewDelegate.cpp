#include "ZentrovaView/TerminalViewDelegate.h"

#include "ZentrovaView/TerminalView.h"

#include <QApplication>

namespace zentrova {

void TerminalViewDelegate::requestOpenLink(TerminalView&, const QString& link, const QHash<QString, QString>&)
{
    TerminalView::openDefaultLink(link);
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

} // namespace zentrova
