// Links under the pointer: their highlight on hover or with Ctrl, the preview label, and the link a
// click opens.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/TerminalViewDelegate.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <set>
#include <utility>

namespace zentrova {

std::optional<QString> TerminalView::payloadString(const Position& at)
{
    Buffer& buffer = m_terminal->buffer();
    if (at.row < 0 || at.row >= buffer.lines().count() || at.col < 0)
        return std::nullopt;
    const BufferLine& line = buffer.line(at.row);
    const int limit = std::min(line.count(), m_terminal->cols);
    if (limit <= 0)
        return std::nullopt;
    const int col = std::min(at.col, limit - 1);
    TinyAtom payload = line[col].payload();
    if (payload.code == 0 && line[col].code() == 0 && col > 0 && line[col - 1].width() == 2)
        payload = line[col - 1].payload();
    if (payload.code == 0)
        return std::nullopt;
    // The table is shared by every terminal and read under its lock: only on hover or click.
    const std::any value = payload.target();
    if (const auto* text = std::any_cast<std::string>(&value))
        return QString::fromStdString(*text);
    return std::nullopt;
}

void TerminalView::invalidateLinkHighlight(const std::optional<LinkRowRanges>& oldRange,
                                           const std::optional<LinkRowRanges>& newRange)
{
    std::set<int> rows;
    for (const auto* ranges : { &oldRange, &newRange }) {
        if (*ranges) {
            for (const LinkMatch::RowRange& range : **ranges)
                rows.insert(range.row);
        }
    }
    const int yDisp = m_terminal->buffer().yDisp();
    for (const int row : rows) {
        const int screenRow = row - yDisp;
        if (screenRow >= 0 && screenRow < m_terminal->rows)
            m_terminal->updateRange(screenRow);
    }
}

void TerminalView::setLinkHighlightRange(std::optional<LinkRowRanges> range)
{
    if (range == m_linkHighlightRange)
        return;
    invalidateLinkHighlight(m_linkHighlightRange, range);
    m_linkHighlightRange = std::move(range);
    queuePendingDisplay();
}

bool TerminalView::linkHighlighted(const CharData& cell, int row, int col) const
{
    const auto hovered = [&] {
        if (!m_linkHighlightRange)
            return false;
        const auto found = std::find_if(m_linkHighlightRange->begin(), m_linkHighlightRange->end(),
                                        [&](const LinkMatch::RowRange& range) { return range.row == row; });
        if (found == m_linkHighlightRange->end() || found->range.lowerBound >= found->range.upperBound)
            return false;
        const int width = std::max(cell.width(), 1);
        return found->range.lowerBound < col + width && col < found->range.upperBound;
    };
    switch (m_linkHighlightMode) {
    case LinkHighlightMode::always:
        return cell.hasPayload();
    case LinkHighlightMode::alwaysWithModifier:
        return cell.hasPayload() && m_commandActive;
    case LinkHighlightMode::hover:
        return hovered();
    case LinkHighlightMode::hoverWithModifier:
        return m_commandActive && hovered();
    }
    return false;
}

std::optional<TerminalView::LinkAndParams> TerminalView::linkForClick(const Position& at, bool hasCommandModifier)
{
    const LinkHighlightMode mode = m_linkHighlightMode;
    const bool hovering = mode == LinkHighlightMode::hover || (mode == LinkHighlightMode::hoverWithModifier && hasCommandModifier);
    const bool implicitAllowed = hovering && m_linkHighlightRange;
    const auto match = m_terminal->linkMatch(LinkLookupLocation::buffer(at),
                                             implicitAllowed ? LinkLookupMode::explicitAndImplicit : LinkLookupMode::explicitOnly);
    if (!match)
        return std::nullopt;
    switch (mode) {
    case LinkHighlightMode::always:
        if (!match->isExplicit)
            return std::nullopt;
        break;
    case LinkHighlightMode::alwaysWithModifier:
        if (!match->isExplicit || !hasCommandModifier)
            return std::nullopt;
        break;
    case LinkHighlightMode::hover:
    case LinkHighlightMode::hoverWithModifier:
        // A click opens exactly the link that is underlined.
        if (!hovering || match->rowRanges != m_linkHighlightRange)
            return std::nullopt;
        break;
    }
    if (!match->isExplicit)
        return LinkAndParams { QString::fromStdString(match->text), {} };
    const auto payload = payloadString(at);
    auto parsed = payload ? urlAndParamsFrom(*payload) : std::nullopt;
    if (!parsed || parsed->link.isEmpty())
        return std::nullopt;
    return parsed;
}

std::optional<TerminalView::LinkAndParams> TerminalView::urlAndParamsFrom(const QString& payload)
{
    const qsizetype separator = payload.indexOf(u';');
    if (separator < 0)
        return std::nullopt;
    LinkAndParams result;
    // Everything after the first ";" is the URL: URLs may hold ";" themselves.
    result.link = payload.mid(separator + 1);
    for (const QString& item : QStringView(payload).left(separator).toString().split(u':', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'=', Qt::SkipEmptyParts);
        if (parts.size() == 2)
            result.params.insert(parts[0], parts[1]);
    }
    return result;
}

void TerminalView::previewUrl(const QString& payload)
{
    const auto parsed = urlAndParamsFrom(payload);
    if (!parsed)
        return;
    if (!m_urlPreview) {
        m_urlPreview = new QLabel(this);
        // The URL comes from the program: never read as markup.
        m_urlPreview->setTextFormat(Qt::PlainText);
        m_urlPreview->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_urlPreview->setFont(tryUrlFont());
        m_urlPreview->setAutoFillBackground(true);
        QPalette palette = m_urlPreview->palette();
        palette.setColor(QPalette::Window, nativeForegroundColor());
        palette.setColor(QPalette::WindowText, nativeBackgroundColor());
        m_urlPreview->setPalette(palette);
    }
    m_urlPreview->setText(parsed->link);
    m_urlPreview->adjustSize();
    m_urlPreview->move(0, height() - m_urlPreview->height());
    m_urlPreview->show();
    m_urlPreview->raise();
}

void TerminalView::turnOffUrlPreview()
{
    if (!m_commandActive)
        return;
    m_commandActive = false;
    deregisterTrackingInterest();
    delete std::exchange(m_urlPreview, nullptr);
    m_lastReportedLink.reset();
    if (m_linkHighlightMode == LinkHighlightMode::hoverWithModifier)
        setLinkHighlightRange(std::nullopt);
    else if (m_linkHighlightMode == LinkHighlightMode::alwaysWithModifier)
        markFullScreenForRedraw();
}

void TerminalView::reportLink(const Position& at)
{
    if (m_linkReporting == LinkReporting::none) {
        m_lastReportedLink.reset();
        return;
    }
    const LinkLookupMode mode
        = m_linkReporting == LinkReporting::implicit ? LinkLookupMode::explicitAndImplicit : LinkLookupMode::explicitOnly;
    const auto link = m_terminal->link(LinkLookupLocation::buffer(at), mode);
    m_lastReportedLink = link ? std::optional(QString::fromStdString(*link)) : std::nullopt;
}

void TerminalView::updateHoverLink(const Position& at, std::optional<bool> commandOverride)
{
    const bool command = commandOverride.value_or(m_commandActive);
    if (m_linkHighlightMode != LinkHighlightMode::hover
        && !(m_linkHighlightMode == LinkHighlightMode::hoverWithModifier && command)) {
        setLinkHighlightRange(std::nullopt);
        return;
    }
    auto match = m_terminal->linkMatch(LinkLookupLocation::buffer(at), LinkLookupMode::explicitAndImplicit);
    setLinkHighlightRange(match ? std::optional(std::move(match->rowRanges)) : std::nullopt);
}

void TerminalView::commandKeyChanged(bool down)
{
    if (!down) {
        turnOffUrlPreview();
        return;
    }
    m_commandActive = true;
    startTracking();
    // The key may go down while the pointer is elsewhere: then there is no link under it here.
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    if (rect().contains(pointer)) {
        const MouseHit hit = calculateMouseHit(pointer);
        if (const auto payload = payloadString(hit.grid))
            previewUrl(*payload);
        reportLink(hit.grid);
        updateHoverLink(hit.grid, std::nullopt);
    }
    if (m_linkHighlightMode == LinkHighlightMode::alwaysWithModifier)
        markFullScreenForRedraw();
}

std::optional<QUrl> TerminalView::defaultLinkURL(const QString& link)
{
    static const QRegularExpression lineSuffix(":[0-9]+(?::[0-9]+)?$");
    const QRegularExpressionMatch suffix = lineSuffix.match(link);
    const QUrl url(link, QUrl::StrictMode);
    // "notes.txt:12:3" parses as the scheme "notes.txt": a scheme followed by nothing but a line and
    // column is a file name with a position.
    const bool onlyPosition = suffix.hasMatch() && suffix.capturedStart() == url.scheme().size();
    if (url.isValid() && !url.scheme().isEmpty() && !onlyPosition) {
        // Programs name their own machine in file links (ls writes file://<host>/path); the desktop's
        // opener takes such a link for a remote one and fails.
        if (url.scheme() == "file"
            && (url.host().compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0 || url.host() == "localhost")) {
            QUrl local = url;
            local.setHost(QString());
            return local;
        }
        return url;
    }
    QString path = link;
    if (path == "~" || path.startsWith("~/"))
        path.replace(0, 1, QDir::homePath());
    if (QFileInfo::exists(path))
        return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    const QString withoutSuffix = QString(path).remove(lineSuffix);
    if (withoutSuffix != path && QFileInfo::exists(withoutSuffix))
        return QUrl::fromLocalFile(QFileInfo(withoutSuffix).absoluteFilePath());
    return std::nullopt;
}

void TerminalView::openDefaultLink(const QString& link)
{
    if (const auto url = defaultLinkURL(link))
        QDesktopServices::openUrl(*url);
}

} // namespace zentrova
