// The dispatch tables: which control byte, ESC, CSI and OSC sequence reaches which handler. What no
// table serves yet goes to the parser's fallbacks, which log it while silentLog is off.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/CsiParameters.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Screen/CharSets.h"
#include "Zentrova/Screen/Utf8.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>

namespace zentrova {
namespace {

std::string characterOf(uint8_t code)
{
    std::string text;
    appendUtf8(text, char32_t(code));
    return text;
}

} // namespace

void Terminal::configureParser()
{
    // The fallbacks only log; they build their message only when it will be written.
    EscapeSequenceParser& parser = *m_parser;
    parser.csiHandlerFallback = [this](auto pars, auto collect, uint8_t code) {
        if (!silentLog)
            log(fmt::format("Zentrova: Unknown CSI Code (collect={} code={} pars={})", collect, characterOf(code), pars));
    };
    parser.escHandlerFallback = [this](auto collect, uint8_t code) {
        if (!silentLog)
            log(fmt::format("Zentrova: Unknown ESC Code: ESC + {} txt={}", characterOf(code), collect));
    };
    parser.oscHandlerFallback = [this](int64_t code, auto) {
        if (!silentLog)
            log(fmt::format("Zentrova: Unknown OSC code: {}", code));
    };
    parser.apcHandlerFallback = [this](uint8_t command, auto) {
        if (!silentLog)
            log(fmt::format("Zentrova: Unknown APC code: {}", characterOf(command)));
    };
    parser.printHandler = [this](std::span<const uint8_t> run) { handlePrint(run); };
    parser.errorHandler = [this](const ParsingState& state) {
        if (!silentLog)
            log("Zentrova: Parsing error, state: " + toString(state));
        return state;
    };
}

void Terminal::csiFallback(std::span<const int> pars, std::span<const uint8_t> collect, uint8_t code)
{
    if (m_parser->csiHandlerFallback)
        m_parser->csiHandlerFallback(pars, collect, code);
}

void Terminal::escFallback(std::span<const uint8_t> collect, uint8_t code)
{
    if (m_parser->escHandlerFallback)
        m_parser->escHandlerFallback(collect, code);
}

void Terminal::oscFallback(int64_t code, std::span<const uint8_t> data)
{
    if (m_parser->oscHandlerFallback)
        m_parser->oscHandlerFallback(code, data);
}

void Terminal::dispatchExecute(uint8_t code)
{
    switch (code) {
    case 0x07: // BEL
        if (m_delegate)
            m_delegate->bell(*this);
        break;
    case 0x08: // BS
        cmdBackspace();
        break;
    case 0x09: // HT
        cmdHorizontalTab();
        break;
    case 0x0A: // LF
    case 0x0B: // VT
    case 0x0C: // FF
        cmdLineFeedBasic();
        break;
    case 0x0D: // CR
        cmdCarriageReturn();
        break;
    case 0x0E: // SO
        setgLevel(1);
        break;
    case 0x0F: // SI
        setgLevel(0);
        break;
    case 0x84: // IND
        cmdIndex();
        break;
    case 0x85: // NEL
        cmdNextLine();
        break;
    case 0x88: // HTS
        m_buffer->tabSet(m_buffer->x());
        break;
    default:
        break;
    }
}

void Terminal::dispatchEsc(std::span<const uint8_t> collect, uint8_t code)
{
    if (collect.size() == 1) {
        const uint8_t intermediate = collect[0];
        if (std::string_view("()*+-./").find(char(intermediate)) != std::string_view::npos
            && CharSets::all().contains(code)) {
            selectCharset(intermediate, code);
            return;
        }
        if (intermediate == '%' && (code == 'G' || code == '@')) {
            setgLevel(0);
            setgCharset(0, nullptr);
            return;
        }
        if (intermediate == ' ' && (code == 'F' || code == 'G')) { // S7C1T, S8C1T
            cc.send8bit = code == 'G';
            return;
        }
        if (intermediate == '#') {
            switch (code) {
            case '3': // DECDHL top half
                setLineRenderMode(BufferLine::RenderLineMode::doubledTop);
                return;
            case '4': // DECDHL bottom half
                setLineRenderMode(BufferLine::RenderLineMode::doubledDown);
                return;
            case '5': // DECSWL
                setLineRenderMode(BufferLine::RenderLineMode::single);
                return;
            case '6': // DECDWL
                setLineRenderMode(BufferLine::RenderLineMode::doubleWidth);
                return;
            case '8': // DECALN
                cmdScreenAlignmentPattern();
                return;
            default:
                break;
            }
        }
    } else if (collect.empty()) {
        switch (code) {
        case '6': // DECBI
            columnIndex(true);
            return;
        case '7': // DECSC
            cmdSaveCursor({});
            return;
        case '8': // DECRC
            cmdRestoreCursor({});
            return;
        case '9': // DECFI
            columnIndex(false);
            return;
        case '=': // DECKPAM
            applicationKeypad = true;
            return;
        case '>': // DECKPNM
            applicationKeypad = false;
            return;
        case 'D': // IND
            cmdIndex();
            return;
        case 'E': // NEL
            cmdNextLine();
            return;
        case 'H': // HTS
            m_buffer->tabSet(m_buffer->x());
            return;
        case 'M': // RI
            reverseIndex();
            return;
        case 'c': // RIS: the parser first, so no half-received sequence survives
            m_parser->reset();
            resetToInitialState();
            return;
        case '\\': // string terminator after OSC or DCS
            return;
        case 'n': // LS2
        case '}': // LS2R
            setgLevel(2);
            return;
        case 'o': // LS3
        case '|': // LS3R
            setgLevel(3);
            return;
        case '~': // LS1R
            setgLevel(1);
            return;
        default:
            break;
        }
    }
    escFallback(collect, code);
}

void Terminal::dispatchCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect)
{
    // The sequences programs send most go straight to their handlers: the full dispatch is a
    // large function whose entry alone costs more than some of them.
    switch (code) {
    case 'A': // CUU
        cmdCursorUp(pars);
        return;
    case 'B': // CUD
        cmdCursorDown(pars);
        return;
    case 'C': // CUF
        cursorForward(csi::parameter(pars));
        return;
    case 'D': // CUB
        cursorBackward(csi::parameter(pars));
        return;
    case 'G': // CHA
        cmdCursorCharAbsolute(pars);
        return;
    case 'H': // CUP
        cmdCursorPosition(pars);
        return;
    case 'J': // ED, DECSED
        cmdEraseInDisplay(pars);
        return;
    case 'K': // EL, DECSEL
        cmdEraseInLine(pars);
        return;
    case 'm': // SGR
        cmdCsiM(pars, collect);
        return;
    default:
        break;
    }
    dispatchAnyCsi(code, pars, collect);
}

void Terminal::dispatchAnyCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect)
{
    const int p0 = pars.empty() ? 0 : pars[0];
    const bool privateGreater = collect.size() == 1 && collect[0] == '>';
    // Modes, device reports, XTSAVE/XTRESTORE and the keyboard flags (TerminalModes.cpp).
    if (dispatchModeAndReportCsi(code, pars, collect))
        return;
    switch (code) {
    case '@': // ICH
        cmdInsertChars(pars);
        return;
    case 'E': // CNL
    case 'F': // CPL
        if (code == 'E')
            cmdCursorDown(pars);
        else
            cmdCursorUp(pars);
        m_buffer->setX(m_buffer->marginLeft());
        return;
    case 'L': // IL
        cmdInsertLines(pars);
        return;
    case 'M': // DL
        cmdDeleteLines(pars);
        return;
    case 'P': // DCH
        cmdDeleteChars(pars);
        return;
    case 'S': // SU; with a space intermediate it is SPD
        if (collect.size() == 1 && collect[0] == ' ')
            cmdSelectPresentationDirection(pars);
        else
            cmdScrollUp(pars);
        return;
    case 'X': // ECH
        cmdEraseChars(pars);
        return;
    case '`': // HPA
        cmdCharPosAbsolute(pars);
        return;
    case 'a': // HPR
        cmdHPositionRelative(pars);
        return;
    case 'b': // REP
        cmdRepeatPrecedingCharacter(pars);
        return;
    case 'd': // VPA
        cmdLinePosAbsolute(pars);
        return;
    case 'e': // VPR
        cmdVPositionRelative(pars);
        return;
    case 'f': // HVP
        cmdHVPosition(pars);
        return;
    case 'g': // TBC
        cmdTabClear(pars);
        return;
    case 'q': // DECSCUSR; with ">" it is XTVERSION
        if (privateGreater)
            break;
        cmdSetCursorStyle(pars, collect);
        return;
    case 'r': // DECSTBM; with "?" it is XTRESTORE
        if (collect.size() == 1 && collect[0] == '?')
            break;
        cmdSetScrollRegion(pars, collect);
        return;
    case 'u': // SCORC, unless the keyboard protocol takes it
        if (!collect.empty())
            break;
        cmdRestoreCursor(collect);
        return;
    case 'I': // CHT
        cursorForwardTabs(p0 > 1 ? std::min(p0, cols - 1) : std::min(cols - 1, 1));
        return;
    case 'Z': // CBT
        if (m_buffer->x() <= cols)
            cursorBackwardTabs(p0 > 1 ? std::min(p0, m_buffer->cols()) : std::min(m_buffer->cols(), 1));
        return;
    case 'T':
        if (privateGreater) { // XTRMTITLE
            setXtermTitleModes(pars, false);
            return;
        }
        if (!collect.empty())
            return;
        cmdScrollDown(pars); // SD
        return;
    case 'k': // SCP
        if (collect.size() == 1 && collect[0] == ' ')
            cmdSelectCharacterPath(pars);
        return;
    case 's':
        if (privateGreater) { // XTSHIFTESCAPE
            if (p0 == 1)
                mouseShiftCapture = true;
            else if (p0 == 0)
                mouseShiftCapture = false;
            return;
        }
        if (!collect.empty() && !(collect.size() == 1 && collect[0] == '?'))
            return;
        if (collect.empty()) {
            if (marginMode)
                cmdSetMargins(pars, collect); // DECSLRM
            else
                cmdSaveCursor(collect); // SCOSC
            return;
        }
        break;
    case 't':
        if (privateGreater) { // XTSMTITLE
            setXtermTitleModes(pars, true);
            return;
        }
        if (!collect.empty()) {
            if (!silentLog)
                log(fmt::format("Unhandled csiT {}", collect));
            return;
        }
        cmdWindowOptions(pars); // XTWINOPS
        return;
    case 'v': // DECCRA
        csiCopyRectangularArea(pars, collect);
        return;
    case 'x': // DECFRA
        csiX(pars, collect);
        return;
    case 'z': // DECERA
        csiZ(pars, collect);
        return;
    case '{': // DECSERA
        csiOpenBrace(pars, collect);
        return;
    case '}': // DECIC
        csiCloseBrace(pars, collect);
        return;
    case '~': // DECDC
        cmdDeleteColumns(pars);
        return;
    default:
        break;
    }
    csiFallback(pars, collect, code);
}

void Terminal::setXtermTitleModes(std::span<const int> pars, bool on)
{
    bool* const modes[] = { &xtermTitleSetHex, &xtermTitleQueryHex, &xtermTitleSetUtf, &xtermTitleQueryUtf };
    for (int value : pars) {
        if (value >= 0 && value < 4)
            *modes[value] = on;
    }
}

void Terminal::dispatchOsc(int64_t code, std::span<const uint8_t> data)
{
    switch (code) {
    case 0: // both titles
    case 1: // the icon title
    case 2: { // the window title
        const std::string title = titleFromPayload(data);
        if (code != 1)
            setTitle(title);
        if (code != 2)
            setIconTitle(title);
        return;
    }
    case 4:
        oscChangeOrQueryColorIndex(data);
        return;
    case 6:
        oscSetCurrentDocument(data);
        return;
    case 7:
        oscSetCurrentDirectory(data);
        return;
    case 8:
        oscHyperlink(data);
        return;
    case 9:
        oscProgressReport(data);
        return;
    case 10:
    case 11:
    case 12:
        oscSetColors(data, int(code - 10));
        return;
    case 52:
        oscClipboard(data);
        return;
    case 104:
        oscResetColor(data);
        return;
    case 110:
    case 111:
        oscResetDefaultColor(int(code - 110));
        return;
    case 112:
        if (m_delegate)
            m_delegate->setCursorColor(*this, std::nullopt);
        return;
    case 133:
        oscSemanticPrompt(data);
        return;
    case 777:
        oscNotification(data);
        return;
    case 1337:
        osciTerm2(data);
        return;
    default:
        oscFallback(code, data);
        return;
    }
}

} // namespace zentrova
