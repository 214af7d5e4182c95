// Mode switches: SM/RM (ANSI modes), DECSET/DECRST (private modes), XTSAVE/XTRESTORE of the
// bidirectional-text modes, the DECRQM mode report and the soft reset DECSTR.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/CsiParameters.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace zentrova {
namespace {

using csi::isCollect;

// DECRQM states.
constexpr int notRecognized = 0;
constexpr int modeSet = 1;
constexpr int modeReset = 2;
constexpr int permanentlyReset = 4;

int stateOf(bool on)
{
    return on ? modeSet : modeReset;
}

} // namespace

bool Terminal::dispatchModeAndReportCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect)
{
    switch (code) {
    case 'c': // DA1, DA2
        cmdSendDeviceAttributes(pars, collect);
        return true;
    case 'h': // SM, DECSET
        cmdSetMode(pars, collect);
        return true;
    case 'l': // RM, DECRST
        cmdResetMode(pars, collect);
        return true;
    case 'n': // DSR
        cmdDeviceStatus(pars, collect);
        return true;
    case 'p': // DECSTR, DECSCL, DECRQM
        csiPHandler(pars, collect);
        return true;
    case 'q':
        if (!isCollect(collect, ">"))
            return false;
        cmdXTVERSION(pars, collect);
        return true;
    case 'r':
        if (!isCollect(collect, "?"))
            return false;
        cmdRestorePrivateModes(pars); // XTRESTORE
        return true;
    case 's':
        if (!isCollect(collect, "?"))
            return false;
        cmdSavePrivateModes(pars); // XTSAVE
        return true;
    case 'u':
        // A declined sequence without intermediates is SCORC, served by the cursor handlers.
        return handleKittyKeyboardProtocol(pars, collect) || !collect.empty();
    case 'y': // DECRQCRA
        cmdDECRQCRA(pars);
        return true;
    default:
        return false;
    }
}

void Terminal::cmdSetMode(std::span<const int> pars, std::span<const uint8_t> collect)
{
    for (int mode : pars)
        setMode(mode, collect);
}

void Terminal::cmdResetMode(std::span<const int> pars, std::span<const uint8_t> collect)
{
    for (int mode : pars)
        resetMode(mode, collect);
}

void Terminal::setMode(int mode, std::span<const uint8_t> collect)
{
    if (isCollect(collect, "?"))
        setPrivateMode(mode, true);
    else if (collect.empty())
        setAnsiMode(mode, true);
    else if (!silentLog)
        log(fmt::format("Unhandled setMode (SM) with {} and {}", mode, std::string(collect.begin(), collect.end())));
}

void Terminal::resetMode(int mode, std::span<const uint8_t> collect)
{
    if (isCollect(collect, "?"))
        setPrivateMode(mode, false);
    else if (collect.empty())
        setAnsiMode(mode, false);
}

void Terminal::setAnsiMode(int mode, bool on)
{
    switch (mode) {
    case 2: // KAM
        return;
    case 4: // IRM
        setBufferFlag(&Buffer::insertMode, insertMode, on);
        return;
    case 8: // BDSM
        currentBidiState.supportMode = on ? BidiSupportMode::implicit : BidiSupportMode::explicit_;
        applyBidiState({ BidiStateProperty::supportMode });
        return;
    case 20: // LNM
        lineFeedMode = on;
        return;
    default:
        if (on && !silentLog)
            log(fmt::format("Unhandled verbatim setMode with {}", mode));
        return;
    }
}

void Terminal::setBufferFlag(bool Buffer::*field, bool& terminalField, bool on)
{
    terminalField = on;
    m_normalBuffer.get()->*field = on;
    m_altBuffer.get()->*field = on;
}

void Terminal::applyBidiState(const BidiStateProperties& changed)
{
    // The terminal's state becomes both screens' default for new paragraphs and, at a paragraph's
    // start, that paragraph's; every row is redrawn under it.
    m_normalBuffer->defaultBidiState = currentBidiState;
    m_altBuffer->defaultBidiState = currentBidiState;
    applyCurrentBidiStateAtParagraphStart(changed);
    updateFullScreen();
}

void Terminal::finishBufferSwitch()
{
    updateRange(0);
    updateRange(rows - 1);
    showCursor();
    if (m_delegate)
        m_delegate->bufferActivated(*this);
}

void Terminal::setPrivateMode(int mode, bool on)
{
    switch (mode) {
    case 1:
        applicationCursor = on;
        return;
    case 2:
        if (on) { // every G-set back to US ASCII
            gCharsets = {};
            charset = nullptr;
            return;
        }
        break;
    case 3:
        if (allow80To132) {
            resize(on ? 132 : 80, rows);
            if (on) {
                resetToInitialState();
                if (m_delegate)
                    m_delegate->sizeChanged(*this);
            } else {
                if (m_delegate)
                    m_delegate->sizeChanged(*this);
                resetToInitialState();
            }
        }
        return;
    case 4:
        smoothScroll = on;
        return;
    case 5:
        if (reverseColors != on) {
            reverseColors = on;
            updateFullScreen();
            if (m_delegate)
                m_delegate->colorChanged(*this, std::nullopt);
        }
        return;
    case 6:
        // Home is the region's top-left corner in origin mode and the screen's otherwise.
        originMode = on;
        setCursor(0, 0);
        return;
    case 7:
        setBufferFlag(&Buffer::wraparound, wraparound, on);
        return;
    case 9:
        setMouseMode(on ? MouseMode::x10 : MouseMode::off);
        return;
    case 12:
        cursorBlink = on;
        return;
    case 25:
        if (on)
            showCursor();
        else
            hideCursor();
        return;
    case 40:
        allow80To132 = on;
        return;
    case 41:
        if (!on)
            return;
        break;
    case 45:
        reverseWraparound = on && wraparound;
        return;
    case 47:
    case 1047:
        if (on) {
            activateAltBuffer();
        } else {
            activateNormalBuffer(mode == 1047);
        }
        finishBufferSwitch();
        return;
    case 63:
        if (on)
            return;
        break;
    case 66:
        applicationKeypad = on;
        return;
    case 69:
        setBufferFlag(&Buffer::marginMode, marginMode, on);
        // Margins switched off span the whole width again: nothing keeps applying the old ones.
        if (!on) {
            for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
                each->setMarginLeft(0);
                each->setMarginRight(cols - 1);
            }
        }
        return;
    case 95:
    case 1034:
        return;
    case 1000:
        setMouseMode(on ? MouseMode::vt200 : MouseMode::off);
        return;
    case 1002:
        setMouseMode(on ? MouseMode::buttonEventTracking : MouseMode::off);
        return;
    case 1003:
        setMouseMode(on ? MouseMode::anyEvent : MouseMode::off);
        return;
    case 1004:
        sendFocus = on;
        if (on)
            sendFocusReport();
        return;
    case 1005:
        mouseProtocol = on ? MouseProtocolEncoding::utf8 : MouseProtocolEncoding::x10;
        return;
    case 1006:
        mouseProtocol = on ? MouseProtocolEncoding::sgr : MouseProtocolEncoding::x10;
        return;
    case 1015:
        mouseProtocol = on ? MouseProtocolEncoding::urxvt : MouseProtocolEncoding::x10;
        return;
    case 1016:
        mouseProtocol = on ? MouseProtocolEncoding::sgrPixel : MouseProtocolEncoding::x10;
        return;
    case 1007:
        alternateScrollMode = on;
        return;
    case 1048:
        if (on)
            cmdSaveCursor({});
        else
            cmdRestoreCursor({});
        return;
    case 1049:
        if (on) {
            cmdSaveCursor({});
            activateAltBuffer();
        } else {
            activateNormalBuffer(true);
            cmdRestoreCursor({});
        }
        finishBufferSwitch();
        return;
    case 1243:
        bidiArrowKeySwap = on;
        return;
    case 2004:
        bracketedPasteMode = on;
        return;
    case 2026:
        if (on)
            beginSynchronizedOutput();
        else
            endSynchronizedOutput();
        return;
    case 2500:
        currentBidiState.boxMirroring = on;
        applyBidiState({ BidiStateProperty::boxMirroring });
        return;
    case 2501:
        currentBidiState.autodetectDirection = on;
        applyBidiState({ BidiStateProperty::autodetectDirection });
        return;
    default:
        break;
    }
    if (!silentLog)
        log(fmt::format("Unhandled DEC Private Mode {} with {}", on ? "Set (DECSET)" : "Reset (DECRST)", mode));
}

void Terminal::cmdSavePrivateModes(std::span<const int> pars)
{
    for (int mode : pars) {
        if (mode == 1243)
            savedBidiPrivateModes[mode] = bidiArrowKeySwap;
        else if (mode == 2500)
            savedBidiPrivateModes[mode] = currentBidiState.boxMirroring;
        else if (mode == 2501)
            savedBidiPrivateModes[mode] = currentBidiState.autodetectDirection;
    }
}

void Terminal::cmdRestorePrivateModes(std::span<const int> pars)
{
    BidiStateProperties bidiChanged;
    for (int mode : pars) {
        const auto saved = savedBidiPrivateModes.find(mode);
        if (saved == savedBidiPrivateModes.end())
            continue;
        if (mode == 1243) {
            bidiArrowKeySwap = saved->second;
        } else if (mode == 2500) {
            currentBidiState.boxMirroring = saved->second;
            bidiChanged.insert(BidiStateProperty::boxMirroring);
        } else if (mode == 2501) {
            currentBidiState.autodetectDirection = saved->second;
            bidiChanged.insert(BidiStateProperty::autodetectDirection);
        }
    }
    if (!bidiChanged.empty())
        applyBidiState(bidiChanged);
}

void Terminal::csiPHandler(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (isCollect(collect, "!")) {
        cmdSoftReset();
    } else if (isCollect(collect, "\"")) {
        cmdSetConformanceLevel(pars);
    } else if (isCollect(collect, "?$")) {
        cmdDecRqm(pars, true);
    } else if (isCollect(collect, "$")) {
        cmdDecRqm(pars, false);
    } else if (!silentLog) {
        log(fmt::format("Unhandled CSI {} with pars={}", fmt::join(collect, ""), pars));
    }
}

void Terminal::cmdDecRqm(std::span<const int> pars, bool decMode)
{
    const int mode = pars.empty() ? 0 : pars[0];
    const int state = decMode ? privateModeState(mode) : ansiModeState(mode, insertMode, lineFeedMode, currentBidiState);
    sendResponse(csiIntroducer(), decMode ? "?" : "", fmt::format("{};{}$y", mode, state));
}

int Terminal::ansiModeState(int mode, bool insertMode, bool lineFeedMode, const BidiPresentationState& bidi)
{
    switch (mode) {
    case 2:
    case 3:
        return modeReset;
    case 4:
        return stateOf(insertMode);
    case 6:
    case 9:
        return notRecognized;
    case 8:
        return stateOf(bidi.supportMode == BidiSupportMode::implicit);
    case 12:
        return modeSet;
    case 20:
        return stateOf(lineFeedMode);
    default:
        return mode >= 1 && mode <= 20 ? permanentlyReset : notRecognized;
    }
}

int Terminal::privateModeState(int mode) const
{
    switch (mode) {
    case 1:
        return stateOf(applicationCursor);
    case 4:
        return stateOf(smoothScroll);
    case 5:
        return stateOf(reverseColors);
    case 6:
        return stateOf(originMode);
    case 7:
        return stateOf(wraparound);
    case 12:
        return stateOf(cursorBlink);
    case 40:
        return stateOf(allow80To132);
    case 45:
        return stateOf(reverseWraparound);
    case 66:
        return stateOf(applicationKeypad);
    case 69:
        return stateOf(marginMode);
    case 1004:
        return stateOf(sendFocus);
    case 1007:
        return stateOf(alternateScrollMode);
    case 1243:
        return stateOf(bidiArrowKeySwap);
    case 2004:
        return stateOf(bracketedPasteMode);
    case 2026:
        return stateOf(synchronizedOutputActive);
    case 2500:
        return stateOf(currentBidiState.boxMirroring);
    case 2501:
        return stateOf(currentBidiState.autodetectDirection);
    case 25:
        return stateOf(!cursorHidden);
    case 2:
    case 8:
    case 18:
    case 19:
    case 95:
        return modeSet;
    case 3:
        return stateOf(m_buffer->cols() == 132);
    case 13:
    case 14:
    case 30:
    case 41:
    case 1001:
        return modeReset;
    case 9:
        return stateOf(m_mouseMode == MouseMode::x10);
    case 1000:
        return stateOf(m_mouseMode == MouseMode::vt200);
    case 1002:
        return stateOf(m_mouseMode == MouseMode::buttonEventTracking);
    case 1003:
        return stateOf(m_mouseMode == MouseMode::anyEvent);
    case 1005:
        return stateOf(mouseProtocol == MouseProtocolEncoding::utf8);
    case 1006:
        return stateOf(mouseProtocol == MouseProtocolEncoding::sgr);
    case 1015:
        return stateOf(mouseProtocol == MouseProtocolEncoding::urxvt);
    case 1016:
        return stateOf(mouseProtocol == MouseProtocolEncoding::sgrPixel);
    case 47:
        return stateOf(isCurrentBufferAlternate());
    case 10:
    case 42:
    case 44:
    case 46:
    case 67:
    case 80:
    case 1034:
        return permanentlyReset;
    default:
        return notRecognized;
    }
}

void Terminal::cmdSoftReset()
{
    currentBidiState = options.initialBidiState;
    applyBidiState(allBidiStateProperties);
    bidiArrowKeySwap = options.initialBidiArrowKeySwap;
    savedBidiPrivateModes.clear();

    cursorHidden = false;
    originMode = false;
    // The printer reads the screens' own flags, so they leave insert mode too.
    setBufferFlag(&Buffer::insertMode, insertMode, false);
    setBufferFlag(&Buffer::wraparound, wraparound, true);
    reverseWraparound = false;
    applicationKeypad = false;
    applicationCursor = false;

    m_buffer->setScrollTop(0);
    m_buffer->setScrollBottom(rows - 1);
    curAttr = CharData::Null.attribute();
    m_buffer->softReset();
    // A link left open would otherwise run on into whatever is printed after the reset.
    activeHyperlink.reset();
    resetSemanticPromptState(true);

    charset = nullptr;
    setgLevel(0);
    conformance = TerminalConformance::vt500;
    lineFeedMode = options.convertEol;
    resetAllColors();
    if (m_delegate)
        m_delegate->showCursor(*this);
}

} // namespace zentrova
