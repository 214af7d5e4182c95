#include "ZentrovaView/LocalProcessTerminalView.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Process/PseudoTerminalHelpers.h"
#include "ZentrovaView/LocalProcessTerminalViewDelegate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zentrova {

namespace {

unsigned short clampedField(double value)
{
    constexpr double largest = std::numeric_limits<unsigned short>::max();
    return static_cast<unsigned short>(std::clamp(std::trunc(value), 0.0, largest));
}

} // namespace

LocalProcessTerminalView::LocalProcessTerminalView(QWidget* parent, const std::optional<QFont>& font,
                                                   const TerminalOptions& options, QSize initialSize)
    : TerminalView(parent, font, options, initialSize)
{
    setTerminalDelegate(this);
}

LocalProcessTerminalView::~LocalProcessTerminalView()
{
    // The delegate half of this object goes before the view half does.
    setTerminalDelegate(nullptr);
}

void LocalProcessTerminalView::startProcess(const std::string& executable, const std::vector<std::string>& args,
                                            const std::optional<std::vector<std::string>>& environment,
                                            const std::optional<std::string>& execName,
                                            const std::optional<std::string>& currentDirectory)
{
    if (m_running)
        return;
    m_process.startProcess(executable, args, environment, execName, currentDirectory);
    m_running = m_process.running();
}

void LocalProcessTerminalView::terminate()
{
    m_process.terminate();
    m_running = false;
}

void LocalProcessTerminalView::setHostLogging(const std::optional<std::string>& directory)
{
    m_process.setHostLogging(directory);
}

void LocalProcessTerminalView::sizeChanged(TerminalView&, int newCols, int newRows)
{
    if (!m_process.running())
        return;
    PseudoTerminalHelpers::setWinSize(m_process.childfd(), getWindowSize());
    if (m_processDelegate)
        m_processDelegate->sizeChanged(*this, newCols, newRows);
}

void LocalProcessTerminalView::setTerminalTitle(TerminalView&, const QString& title)
{
    if (m_processDelegate)
        m_processDelegate->setTerminalTitle(*this, title);
}

void LocalProcessTerminalView::hostCurrentDirectoryUpdate(TerminalView&, const std::optional<QString>& directory)
{
    if (m_processDelegate)
        m_processDelegate->hostCurrentDirectoryUpdate(*this, directory);
}

void LocalProcessTerminalView::send(TerminalView&, std::span<const uint8_t> data)
{
    m_process.send(data);
}

void LocalProcessTerminalView::scrolled(TerminalView&, double) { }

void LocalProcessTerminalView::rangeChanged(TerminalView&, int, int) { }

void LocalProcessTerminalView::clipboardCopy(TerminalView&, std::span<const uint8_t> content)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(content.data(), qsizetype(content.size())));
    if (decoder.hasError())
        return;
    QGuiApplication::clipboard()->setText(text);
}

std::optional<QByteArray> LocalProcessTerminalView::clipboardRead(TerminalView&)
{
    if (!m_allowsClipboardRead)
        return std::nullopt;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text().toUtf8();
}

void LocalProcessTerminalView::processTerminated(LocalProcess&, std::optional<int32_t> exitCode)
{
    m_running = false;
    if (m_processDelegate)
        m_processDelegate->processTerminated(*this, exitCode);
}

void LocalProcessTerminalView::dataReceived(std::span<const uint8_t> slice)
{
    feed(slice);
}

winsize LocalProcessTerminalView::getWindowSize()
{
    const Terminal& grid = terminal();
    winsize size = {};
    size.ws_row = clampedField(grid.rows);
    size.ws_col = clampedField(grid.cols);
    if (const auto cell = cellDimension()) {
        const double scale = backingScale();
        size.ws_xpixel = clampedField(scale * cell->width() * grid.cols);
        size.ws_ypixel = clampedField(scale * cell->height() * grid.rows);
    }
    return size;
}

} // namespace zentrova
