#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Screen/Utf8.h"
#include "Zentrova/Text/SelectionService.h"

#include <algorithm>
#include <cstdio>

namespace zentrova {

Terminal::Terminal(TerminalDelegate* delegate, const TerminalOptions& terminalOptions, MainQueue* mainQueue)
    : options(terminalOptions)
    , m_delegate(delegate)
    , m_mainQueue(mainQueue)
{
    m_installedColors = Color::terminalAppColors();
    rebuildAnsiPalette(false);
    currentBidiState = options.initialBidiState;
    bidiArrowKeySwap = options.initialBidiArrowKeySwap;
    tabStopWidth = std::max(options.tabStopWidth, 1);
    // The screens are made at the size setup() settles on, so it has nothing to resize.
    cols = std::max(options.cols, MINIMUM_COLS);
    rows = std::max(options.rows, MINIMUM_ROWS);
    // One APC string carries at most what the kitty image store can hold, and the keys before it.
    EscapeSequenceParser::StringLimits limits;
    limits.maxApcLength = kittyBase64Cap() + 4096;
    m_parser = std::make_unique<EscapeSequenceParser>(this, limits);
    m_normalBuffer = makeBuffer(options.scrollback);
    m_normalBuffer->fillViewportRows(CharData::Null.attribute());
    m_altBuffer = makeBuffer(std::nullopt);
    m_buffer = m_normalBuffer.get();
    configureParser();
    setup(false);
}

Terminal::~Terminal()
{
    if (m_synchronizedOutputTimeout)
        m_synchronizedOutputTimeout->cancel();
}

std::unique_ptr<Buffer> Terminal::makeBuffer(std::optional<int> scrollback,
                                             std::unique_ptr<CircularBufferLineList> reusedLines)
{
    auto buffer = std::make_unique<Buffer>(cols, rows, tabStopWidth, scrollback, currentBidiState, std::move(reusedLines));
    // The terminal owns its buffers, so the closure cannot outlive it.
    buffer->scroll = [this](bool isWrapped) { scroll(isWrapped); };
    buffer->log = [this](std::string_view line) { writeLog(line); };
    return buffer;
}

void Terminal::setup(bool isReset)
{
    cols = std::max(options.cols, MINIMUM_COLS);
    rows = std::max(options.rows, MINIMUM_ROWS);
    if (isReset)
        resetNormalBuffer();
    cursorHidden = false;
    applicationKeypad = false;
    applicationCursor = false;
    if (reverseColors) {
        reverseColors = false;
        updateFullScreen();
        if (m_delegate)
            m_delegate->colorChanged(*this, std::nullopt);
    }
    originMode = false;
    marginMode = false;
    insertMode = false;
    wraparound = true;
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        each->marginMode = false;
        each->insertMode = false;
        each->wraparound = true;
    }
    bracketedPasteMode = false;
    alternateScrollMode = true;
    keyboardModeNormal = {};
    keyboardModeAlt = {};
    gCharsets = {};
    charset = gCharsets[0];
    gcharset = 0;
    gLevel = 0;
    curAttr = CharData::Null.attribute();
    rememberPrinted(0, 1);
    setMouseMode(MouseMode::off);
    mouseShiftCapture = false;
    m_buffer->setScrollTop(0);
    m_buffer->setScrollBottom(rows - 1);
    m_buffer->setMarginLeft(0);
    m_buffer->setMarginRight(cols - 1);
    cc.send8bit = false;
    conformance = TerminalConformance::vt500;
    allow80To132 = false;
    xtermTitleSetUtf = xtermTitleSetHex = xtermTitleQueryUtf = xtermTitleQueryHex = false;
    activeHyperlink.reset();
    cursorBlink = false;
    hostCurrentDirectory.reset();
    lineFeedMode = options.convertEol;
}

void Terminal::feed(std::span<const uint8_t> bytes)
{
    if (m_payloadCodes.needsCollection())
        garbageCollectPayload();
    m_parser->parse(bytes);
}

void Terminal::feed(std::string_view text)
{
    feed(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void Terminal::log(const std::string& message) const
{
    writeLog("Info: " + message);
}

void Terminal::writeLog(std::string_view line) const
{
    if (silentLog)
        return;
    if (m_logSink) {
        m_logSink(line);
        return;
    }
    std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
}

void Terminal::setForegroundColor(const Color& color)
{
    setDefaultColor(m_foregroundColor, m_settingFgColor, color, &TerminalDelegate::setForegroundColor);
}

void Terminal::setBackgroundColor(const Color& color)
{
    setDefaultColor(m_backgroundColor, m_settingBgColor, color, &TerminalDelegate::setBackgroundColor);
}

void Terminal::setDefaultColor(Color& stored, bool& setting, const Color& color,
                               void (TerminalDelegate::*report)(Terminal&, const Color&))
{
    stored = color;
    // A delegate that assigns the colour back must not be told again.
    if (!setting) {
        setting = true;
        if (m_delegate)
            (m_delegate->*report)(*this, color);
        setting = false;
    }
    if (options.ansi256PaletteStrategy != Ansi256PaletteStrategy::xterm)
        rebuildAnsiPalette(true);
}

void Terminal::setCursorColor(const std::optional<Color>& color)
{
    m_cursorColor = color;
    if (!m_settingCursorColor) {
        m_settingCursorColor = true;
        if (m_delegate)
            m_delegate->setCursorColor(*this, color);
        m_settingCursorColor = false;
    }
}

void Terminal::setAnsi256PaletteStrategy(Ansi256PaletteStrategy strategy)
{
    if (strategy == options.ansi256PaletteStrategy)
        return;
    options.ansi256PaletteStrategy = strategy;
    rebuildAnsiPalette(true);
}

void Terminal::installPalette(std::span<const Color> colors)
{
    if (colors.size() != 16)
        return;
    m_installedColors.assign(colors.begin(), colors.end());
    rebuildAnsiPalette(false);
}

void Terminal::rebuildAnsiPalette(bool notifyDelegate)
{
    const auto strategy = options.ansi256PaletteStrategy;
    defaultAnsiColors = strategy == Ansi256PaletteStrategy::xterm
        ? Color::generateXtermPalette(m_installedColors)
        : Color::generateBase16LabPalette(m_installedColors, m_backgroundColor, m_foregroundColor,
                                          strategy == Ansi256PaletteStrategy::base16LabHarmonious);
    ansiColors = defaultAnsiColors;
    if (notifyDelegate && m_delegate)
        m_delegate->colorChanged(*this, std::nullopt);
}

void Terminal::setMouseMode(MouseMode mode)
{
    m_mouseMode = mode;
    if (m_delegate)
        m_delegate->mouseModeChanged(*this);
}

void Terminal::registerSelection(const std::shared_ptr<SelectionService>& selection)
{
    std::erase_if(m_selections, [](const std::weak_ptr<SelectionService>& entry) { return entry.expired(); });
    for (const auto& entry : m_selections) {
        if (entry.lock() == selection)
            return;
    }
    m_selections.push_back(selection);
}

BufferLine* Terminal::getLine(int row)
{
    if (row < 0 || row >= rows)
        return nullptr;
    const int ringIndex = row + m_buffer->yDisp();
    if (ringIndex >= m_buffer->lines().count())
        return nullptr;
    return &m_buffer->line(ringIndex);
}

BufferLine* Terminal::getScrollInvariantLine(int row)
{
    const int top = m_buffer->linesTop;
    if (row < top || row >= top + m_buffer->lines().count())
        return nullptr;
    return &m_buffer->line(row - top);
}

std::optional<CharData> Terminal::getCharData(int col, int row)
{
    if (col < 0 || col >= cols)
        return std::nullopt;
    const BufferLine* line = getLine(row);
    if (!line)
        return std::nullopt;
    return (*line)[col];
}

std::optional<std::string> Terminal::getCharacter(int col, int row)
{
    auto cell = getCharData(col, row);
    if (!cell)
        return std::nullopt;
    return getCharacter(cell->code());
}

} // namespace zentrova
