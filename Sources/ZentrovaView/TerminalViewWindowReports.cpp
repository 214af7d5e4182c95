// The window and pixel-size reports a program asks for with CSI ... t, and the GPU renderer's
// recovery log line.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/Gpu/GpuLogging.h"

#include <fmt/format.h>

#include <cmath>

namespace zentrova {

std::optional<std::vector<uint8_t>> TerminalView::windowCommand(Terminal& source, const WindowManipulationCommand& command)
{
    using Kind = WindowManipulationCommand::Kind;
    switch (command.kind) {
    case Kind::reportTextAreaPixelDimension:
    case Kind::reportCellSizeInPixels: {
        // Before the first layout the cell size is unknown: nothing is answered at all.
        if (!m_cellDimension)
            return std::vector<uint8_t> {};
        // Without a window devicePixelRatioF() is the primary screen's.
        const double scale = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1;
        const Terminal& terminal = *m_terminal;
        const std::string_view introducer = terminal.csiIntroducer();
        std::string reply;
        if (command.kind == Kind::reportTextAreaPixelDimension)
            reply = fmt::format("{}4;{};{}t", introducer, std::lround(m_cellDimension->height() * scale * terminal.rows),
                                std::lround(m_cellDimension->width() * scale * terminal.cols));
        else
            reply = fmt::format("{}6;{};{}t", introducer, int(m_cellDimension->height() * scale),
                                int(m_cellDimension->width() * scale));
        return std::vector<uint8_t>(reply.begin(), reply.end());
    }
    case Kind::resizeWindowTo:
        // The window keeps its size: a program does not get to resize the user's window.
        source.log(fmt::format("Request to resize to {}x{}", command.first, command.second));
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void TerminalView::logMetalRecovery(const MetalRendererRecoveryReport& report, bool willFallBack)
{
    const std::string line = fmt::format(
        "Zentrova Metal recovery reason={} duration={:.3f} status={} error={} action={}", toString(report.reason),
        report.failureDuration, report.commandBufferStatus ? toString(*report.commandBufferStatus) : "none",
        report.commandBufferError.value_or("none"), willFallBack ? "core-graphics" : "replace-metal");
    qCCritical(lcMetalRecovery).noquote() << QString::fromStdString(line);
}

} // namespace zentrova
