#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <span>

namespace zentrova {

class TerminalView;

// What a terminal view tells its host. The view keeps a plain pointer to it and never owns it.
// Requirements without a body must be implemented; the others have defaults.
class TerminalViewDelegate {
public:
    virtual ~TerminalViewDelegate() = default;

    virtual void sizeChanged(TerminalView& source, int newCols, int newRows) = 0;
    virtual void setTerminalTitle(TerminalView& source, const QString& title) = 0;
    // The working directory the shell reported, nothing once it is unknown.
    virtual void hostCurrentDirectoryUpdate(TerminalView& source, const std::optional<QString>& directory) = 0;
    // Bytes for the child: the terminal's replies and the user's input.
    virtual void send(TerminalView& source, std::span<const uint8_t> data) = 0;
    // The scroll position, 0 (top of the scrollback) to 1 (the live screen).
    virtual void scrolled(TerminalView& source, double position) = 0;
    // Opens the link with the desktop's handler (TerminalView::openDefaultLink).
    virtual void requestOpenLink(TerminalView& source, const QString& link, const QHash<QString, QString>& params);
    // The system beep.
    virtual void bell(TerminalView& source);
    virtual void clipboardCopy(TerminalView& source, std::span<const uint8_t> content);
    // Nothing: the terminal's program may not read the clipboard.
    virtual std::optional<QByteArray> clipboardRead(TerminalView& source);
    virtual void iTermContent(TerminalView& source, std::span<const uint8_t> content);
    // Screen rows startY...endY changed (only while the view's notifyUpdateChanges is on).
    virtual void rangeChanged(TerminalView& source, int startY, int endY) = 0;
};

} // namespace zentrova
