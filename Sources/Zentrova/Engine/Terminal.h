#pragma once

#include "Zentrova/Engine/InternedCharacters.h"
#include "Zentrova/Engine/JoinedCodes.h"
#include "Zentrova/Engine/KittyKeyboardFlags.h"
#include "Zentrova/Engine/LinkLookupLocation.h"
#include "Zentrova/Engine/LinkLookupMode.h"
#include "Zentrova/Engine/LinkMatch.h"
#include "Zentrova/Engine/MouseMode.h"
#include "Zentrova/Engine/ProgressReport.h"
#include "Zentrova/Engine/TextEncoding.h"
#include "Zentrova/Engine/WindowManipulationCommand.h"
#include "Zentrova/Graphics/KittyPlacement.h"
#include "Zentrova/Host/MainQueue.h"
#include "Zentrova/Parser/EscapeSequences.h"
#include "Zentrova/Parser/ParserTerminal.h"
#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Screen/CharSets.h"
#include "Zentrova/Screen/Color.h"
#include "Zentrova/Screen/Line.h"
#include "Zentrova/Screen/PayloadCodes.h"
#include "Zentrova/Screen/TerminalOptions.h"

#include <algorithm>
#include <any>
#include <array>
#include <climits>
#include <functional>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace zentrova {

class EscapeSequenceParser;
class KittyGraphicsState;
class KittyPlacementImage;
class SelectionService;
struct KittyGraphicsControl;
struct KittyGraphicsImage;
struct KittyGraphicsPayload;
class TerminalDelegate;

// The terminal's state machine: it owns the main and alternate screens, the parser whose handlers
// are its own methods, the modes, the palette and the range of rows that changed, and reports to its
// host through a TerminalDelegate. Bytes fed to the parser change the active screen.
//
// One Terminal is split over several files by concern: construction and colours (Terminal.cpp),
// the dispatch tables (TerminalDispatch.cpp), printing (TerminalPrinting.cpp), control characters
// (TerminalControls.cpp), scrolling (TerminalScrolling.cpp), screens and reset (TerminalScreens.cpp)
// and small state operations (TerminalState.cpp). Single-threaded: everything runs on the thread that feeds it.
class Terminal : public ParserTerminal {
public:
    using ProgressReport = zentrova::ProgressReport;
    using ProgressReportState = zentrova::ProgressReportState;
    using WindowManipulationCommand = zentrova::WindowManipulationCommand;
    using MouseMode = zentrova::MouseMode;
    using MouseProtocolEncoding = zentrova::MouseProtocolEncoding;
    enum class BufferKind { active, normal, alt };

    static constexpr int MINIMUM_COLS = 2;
    static constexpr int MINIMUM_ROWS = 1;

    // `delegate` is not owned and may be null; it must outlive the terminal or be cleared first.
    // `mainQueue` (not owned, outlives the terminal) runs the synchronized-output time-out; without
    // one, synchronized output ends only when asked to or on a reset.
    explicit Terminal(TerminalDelegate* delegate, const TerminalOptions& options = TerminalOptions::Default,
                      MainQueue* mainQueue = nullptr);
    ~Terminal() override;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // (Re)initialises modes and state; with isReset the main screen is made anew (full reset).
    void setup(bool isReset);

    TerminalDelegate* delegate() const { return m_delegate; }
    // The host's queue and clock; null when the terminal was made without one.
    MainQueue* mainQueue() const { return m_mainQueue; }
    void setDelegate(TerminalDelegate* delegate) { m_delegate = delegate; }
    EscapeSequenceParser& parser() { return *m_parser; }

    // Feeds output of the child to the parser.
    void feed(std::span<const uint8_t> bytes);
    void feed(std::string_view text);

    std::pair<int, int> getDims() const { return { cols, rows }; }
    Buffer& buffer() { return *m_buffer; }
    Buffer& normalBuffer() { return *m_normalBuffer; }
    Buffer& altBuffer() { return *m_altBuffer; }
    bool isCurrentBufferAlternate() const { return m_buffer == m_altBuffer.get(); }
    const Attribute& currentAttribute() const { return curAttr; }

    // Colours. Setting the default foreground or background tells the delegate (once, even when it
    // sets the colour back) and, unless the palette follows xterm's fixed rule, rebuilds the palette.
    const Color& foregroundColor() const { return m_foregroundColor; }
    void setForegroundColor(const Color& color);
    const Color& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const Color& color);
    const std::optional<Color>& cursorColor() const { return m_cursorColor; }
    void setCursorColor(const std::optional<Color>& color);
    Ansi256PaletteStrategy ansi256PaletteStrategy() const { return options.ansi256PaletteStrategy; }
    void setAnsi256PaletteStrategy(Ansi256PaletteStrategy strategy);
    // Takes exactly 16 base colours; any other count is ignored.
    void installPalette(std::span<const Color> colors);
    void rebuildAnsiPalette(bool notifyDelegate);
    const std::vector<Color>& installedColors() const { return m_installedColors; }

    MouseMode mouseMode() const { return m_mouseMode; }
    // Tells the delegate.
    void setMouseMode(MouseMode mode);

    // Printing and control characters.
    void handlePrint(std::span<const uint8_t> data);
    // (ring row, column) of the cell a combining character joins, or nothing.
    std::optional<std::pair<int, int>> combiningTarget(Buffer& buffer);
    // The code a cell stores for a character given as its scalars.
    uint32_t code(std::u32string_view character);
    // The scalars a cell code stands for: the scalar itself, an interned cluster, or a space for a
    // code that is neither.
    std::u32string character(uint32_t code) const;
    // The same as UTF-8.
    std::string getCharacter(uint32_t code) const;
    const InternedCharacters& internedCharacters() const { return m_interned; }
    void cmdLineFeedBasic();
    void cmdBackspace();
    void cmdCarriageReturn();
    void cmdHorizontalTab();
    void finishSemanticLineAdvance(bool movedToNextLine);
    void clearEchoedEnterContinuationBeforeOutput();

    // Scrolling.
    void scroll(bool isWrapped);
    void cmdIndex();
    void cmdNextLine();
    void reverseIndex();

    // Screens and scrollback.
    // The alternate screen takes the main screen's cursor; it is filled (in `fillAttr`) when empty.
    void activateAltBuffer(std::optional<Attribute> fillAttr = std::nullopt);
    // The main screen takes the alternate screen's cursor; with clearAlt the alternate one is emptied.
    void activateNormalBuffer(bool clearAlt);
    // Sizes below 2 columns or 1 row are raised to those; the host is not told (it asked).
    void resize(int cols, int rows);
    void resizeBuffers(int newColumns, int newRows);
    void clearScrollback();
    // New scrollback for the main screen; none: no history.
    void changeScrollback(std::optional<int> lines);
    // RIS: every mode and the main screen back to their start; a hidden cursor stays hidden.
    void resetToInitialState();
    // Selections to keep on their text when rows move; not owned, dropped once expired.
    void registerSelection(const std::shared_ptr<SelectionService>& selection);
    // Clears every selection that crosses the rectangle whose columns a margin-bound scroll moved.
    void selectionsInvalidateForColumnRestrictedScroll(int top, int bottom, int left, int right);

    // Dirty rows, in screen rows and in scroll-invariant rows (yDisp + screen row). Inline: every
    // print, cursor move and erase notes its row.
    void updateRange(int y, bool scrolling = false) { updateRange(*m_buffer, y, scrolling); }
    void updateRange(Buffer& buffer, int y, bool scrolling = false)
    {
        if (!scrolling) {
            const int invariant = y + buffer.yDisp();
            if (invariant >= 0) {
                scrollInvariantRefreshStart = std::min(scrollInvariantRefreshStart, invariant);
                scrollInvariantRefreshEnd = std::max(scrollInvariantRefreshEnd, invariant);
            }
        }
        if (y >= 0) {
            refreshStart = std::min(refreshStart, y);
            refreshEnd = std::max(refreshEnd, y);
        }
    }
    void updateFullScreen();
    void refresh(int startRow, int endRow);
    std::optional<std::pair<int, int>> getUpdateRange() const;
    std::optional<std::pair<int, int>> getScrollInvariantUpdateRange() const;
    void clearUpdateRange();
    std::pair<int, int> getCursorLocation() const { return { m_buffer->x(), m_buffer->y() }; }
    int getTopVisibleRow() const { return m_buffer->yDisp(); }

    // Synchronized output (mode 2026): the host holds back redraws until it ends, at the latest
    // synchronizedOutputTimeoutSeconds after the last begin.
    void beginSynchronizedOutput();
    void scheduleSynchronizedOutputTimeout();
    void endSynchronizedOutput();
    static constexpr double synchronizedOutputTimeoutSeconds = 1.0;
    bool synchronizedOutputActive = false;

    // Payload codes (hyperlinks) this terminal created; codes no cell holds any more are released
    // once enough have been taken, and when the process-wide table is full (found so here, or by
    // another terminal: then at the next feed).
    void holdPayloadCode(uint16_t code);
    void garbageCollectPayload();
    const PayloadCodes& payloadCodes() const { return m_payloadCodes; }

    // Hyperlinks (OSC 8), TerminalHyperlinks.cpp. The link being written keeps its text (parameters,
    // ";", URI) until the first cell printed under it stores that text in the payload table, so an
    // OSC 8 that prints nothing takes no code; after that it holds the code, or is unavailable when
    // the table had no free code.
    struct UnavailableHyperlink {
        bool operator==(const UnavailableHyperlink&) const = default;
    };
    using ActiveHyperlink = std::variant<std::string, TinyAtom, UnavailableHyperlink>;
    std::optional<ActiveHyperlink> activeHyperlink;
    std::optional<TinyAtom> resolveActiveHyperlink();
    // Stores any value in the payload table under a code this terminal holds.
    std::optional<TinyAtom> makePayload(std::any value);
    // The URI of a stored link text: what follows its first ";", nothing without one.
    static std::optional<std::string> parseHyperlinkPayload(std::string_view text);

    // Character sets.
    void setgLevel(uint8_t n);
    void setgCharset(uint8_t n, const CharSets::CharSet* charset);
    void selectCharset(uint8_t intermediate, uint8_t final);

    // Titles and cursor.
    void setTitle(const std::string& text);
    void setIconTitle(const std::string& text);
    void showCursor();
    void hideCursor();

    // Lookup for the host; nothing out of range.
    BufferLine* getLine(int row);
    BufferLine* getScrollInvariantLine(int row);
    std::optional<CharData> getCharData(int col, int row);
    std::optional<std::string> getCharacter(int col, int row);

    // Modes, mouse and focus reports, replies, status strings and the keyboard flag stack
    // (TerminalModes.cpp, TerminalMouse.cpp, TerminalReports.cpp, TerminalStatusStrings.cpp).
    using KeyboardModeState = zentrova::KeyboardModeState;
    void cmdSetMode(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdResetMode(std::span<const int> pars, std::span<const uint8_t> collect);
    void setMode(int mode, std::span<const uint8_t> collect);
    void resetMode(int mode, std::span<const uint8_t> collect);
    void cmdSavePrivateModes(std::span<const int> pars);
    void cmdRestorePrivateModes(std::span<const int> pars);
    void csiPHandler(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdDecRqm(std::span<const int> pars, bool decMode);
    // DECSTR: modes, margins and attributes back to their start; the screens keep their text.
    void cmdSoftReset();
    void softReset() { cmdSoftReset(); }
    std::unordered_map<int, bool> savedBidiPrivateModes;

    // The button flags of a pointer event: button 1, 2, 3, 4, 5 are 1, 2, 0, 64, 65, a release 3;
    // modifiers only in the modes that report them.
    int encodeButton(int button, bool release, bool shift, bool meta, bool control) const;
    // x, y: 0-based cell; the pixel form is for the pixel encoding (the others ignore it).
    void sendEvent(int buttonFlags, int x, int y) { sendEvent(buttonFlags, x, y, x, y); }
    void sendEvent(int buttonFlags, int x, int y, int pixelX, int pixelY);
    void sendMotion(int buttonFlags, int x, int y, int pixelX, int pixelY);
    static void encodeMouseUtf(std::vector<uint8_t>& data, int ch);
    void setTerminalFocus(bool focused);
    void sendFocusReport();
    bool reportedFocusState = true;

    // Replies: the parts (byte strings, text, single bytes) joined into one send() to the host.
    template <typename... Parts>
    void sendResponse(const Parts&... parts)
    {
        std::string bytes;
        (appendResponsePart(bytes, parts), ...);
        sendBytes(bytes);
    }
    // Reply introducers, 8-bit when cc.send8bit is on.
    std::string_view csiIntroducer() const { return cc.send8bit ? "\x9B" : "\x1B["; }
    std::string_view dcsIntroducer() const { return cc.send8bit ? "\x90" : "\x1BP"; }
    std::string_view stringTerminator() const { return cc.send8bit ? "\x9C" : "\x1B\\"; }
    void cmdDeviceStatus(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdSendDeviceAttributes(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdXTVERSION(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdDECRQCRA(std::span<const int> pars);
    static std::string xtVersionIdentity(const std::optional<std::string>& tag, const std::optional<std::string>& branch,
                                         const std::optional<std::string>& version);
    // (top, left, bottom, right), 0-based and inclusive, of the rectangle a request names from its
    // first parameter on; nothing when it is empty.
    std::optional<std::array<int, 4>> getRectangleFromRequest(std::span<const int> pars) const;

    // Status-string requests (DCS $ q) and the per-screen kitty keyboard flags.
    // The DECRQSS reply for a request text (a non-ASCII or over-long request arrives empty).
    void answerStatusString(std::string_view request);
    bool handleKittyKeyboardProtocol(std::span<const int> pars, std::span<const uint8_t> collect);
    KittyKeyboardFlags keyboardEnhancementFlags() const;
    KeyboardModeState& keyboardModeState();
    KeyboardModeState keyboardModeNormal;
    KeyboardModeState keyboardModeAlt;

    // Cursor movement, editing, attributes and colour commands. Counts of 0 mean 1; erasing fills
    // with the erase cell (default foreground, current background, no style).
    enum class TerminalConformance { vt100, vt200, vt300, vt400, vt500 };
    TerminalConformance conformance = TerminalConformance::vt500;
    void cmdCursorUp(std::span<const int> pars);
    void cmdCursorDown(std::span<const int> pars);
    void cursorForward(int count);
    void cursorBackward(int count);
    void cmdCursorCharAbsolute(std::span<const int> pars);
    void cmdCursorPosition(std::span<const int> pars);
    void cmdHVPosition(std::span<const int> pars);
    void cmdCharPosAbsolute(std::span<const int> pars);
    void cmdHPositionRelative(std::span<const int> pars);
    void cmdLinePosAbsolute(std::span<const int> pars);
    void cmdVPositionRelative(std::span<const int> pars);
    void cmdTabClear(std::span<const int> pars);
    // Moves to (col, row), counted from the margins in origin mode, and clamps.
    void setCursor(int col, int row);
    // Clamps the cursor to the screen (the region in origin mode); without limitCols the column
    // just past the last (a pending wrap) is kept.
    void restrictCursor(bool limitCols);
    void columnIndex(bool back);
    void columnScroll(bool back, int at);
    void cmdInsertChars(std::span<const int> pars);
    void cmdDeleteChars(std::span<const int> pars);
    void cmdEraseChars(std::span<const int> pars);
    void cmdRepeatPrecedingCharacter(std::span<const int> pars);
    void cmdInsertLines(std::span<const int> pars);
    void cmdDeleteLines(std::span<const int> pars);
    void cmdEraseInDisplay(std::span<const int> pars);
    void cmdEraseInLine(std::span<const int> pars);
    void cmdScrollUp(std::span<const int> pars);
    void cmdScrollDown(std::span<const int> pars);
    void cmdSetScrollRegion(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdSetMargins(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdSaveCursor(std::span<const uint8_t> collect);
    void cmdRestoreCursor(std::span<const uint8_t> collect);
    void cmdScreenAlignmentPattern();
    void setLineRenderMode(BufferLine::RenderLineMode mode);
    void cmdSetCursorStyle(std::span<const int> pars, std::span<const uint8_t> collect);
    void setCursorStyle(CursorStyle style);
    void cmdSetConformanceLevel(std::span<const int> pars);
    void cmdCsiM(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdCharAttributes(std::span<const int> pars);
    void oscChangeOrQueryColorIndex(std::span<const uint8_t> data);
    void oscSetColors(std::span<const uint8_t> data, int startAt);
    void oscResetColor(std::span<const uint8_t> data);
    // OSC 110 (0) and 111 (1): the default foreground or background from before the program first
    // changed it with OSC 10 or 11; nothing when it did not.
    void oscResetDefaultColor(int number);
    void resetAllColors();

    // Writes diagnostics while false: one line each to the log sink, or to standard error when the
    // host set none. Never to standard output, which belongs to the host.
    bool silentLog = true;
    using LogSink = std::function<void(std::string_view line)>;
    void setLogSink(LogSink sink) { m_logSink = std::move(sink); }
    // "Info: " + message, through writeLog; hosts write their diagnostics about a terminal here too.
    void log(const std::string& message) const;

    // ParserTerminal: the dispatch tables.
    void dispatchExecute(uint8_t code) override;
    void dispatchEsc(std::span<const uint8_t> collect, uint8_t code) override;
    void dispatchCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect) override;
    void dispatchOsc(int64_t code, std::span<const uint8_t> data) override;
    void handleKittyGraphics(std::span<const uint8_t> content) override;
    std::unique_ptr<DcsHandler> makeSixelDcsHandler() override;
    std::unique_ptr<DcsHandler> makeStatusStringDcsHandler() override;

    int cols = 80;
    int rows = 25;
    int tabStopWidth = 8;
    TerminalOptions options;

    bool applicationKeypad = false;
    bool applicationCursor = false;
    bool reverseColors = false;
    bool sendFocus = false;
    BidiPresentationState currentBidiState;
    bool bidiArrowKeySwap = false;
    bool cursorHidden = false;
    bool originMode = false;
    bool marginMode = false;
    bool insertMode = false;
    bool wraparound = false;
    bool bracketedPasteMode = false;
    bool alternateScrollMode = true;
    bool reverseWraparound = false;
    bool cursorBlink = false;
    bool allow80To132 = false;
    bool userScrolling = false;
    bool lineFeedMode = false;
    bool smoothScroll = false;
    bool mouseShiftCapture = false;
    bool xtermTitleSetUtf = false;
    bool xtermTitleSetHex = false;
    bool xtermTitleQueryUtf = false;
    bool xtermTitleQueryHex = false;
    MouseProtocolEncoding mouseProtocol = MouseProtocolEncoding::x10;
    CC cc;

    // The active G-set's mapping (null: none), the four G-sets and the invoked one.
    const CharSets::CharSet* charset = nullptr;
    std::array<const CharSets::CharSet*, 4> gCharsets {};
    int gcharset = 0;
    uint8_t gLevel = 0;

    Attribute curAttr = CharData::Null.attribute();
    std::vector<Color> defaultAnsiColors;
    std::vector<Color> ansiColors;

    std::string terminalTitle;
    std::string iconTitle;

    // Operating-system commands (TerminalOperatingSystemCommands.cpp) and window operations
    // (TerminalWindowOperations.cpp). The directory and document are kept as sent, and only from a
    // process the delegate trusts.
    std::optional<std::string> hostCurrentDirectory;
    std::optional<std::string> hostCurrentDocument;
    // The handler gets every OSC string with that number instead of the built-in one.
    void registerOscHandler(int64_t code, std::function<void(std::span<const uint8_t>)> handler);
    void oscSetCurrentDocument(std::span<const uint8_t> data);
    void oscSetCurrentDirectory(std::span<const uint8_t> data);
    void oscHyperlink(std::span<const uint8_t> data);
    // "4;state[;progress]"; nothing for any other form.
    static std::optional<ProgressReport> parseProgressReport(std::span<const uint8_t> data);
    void oscProgressReport(std::span<const uint8_t> data);
    void oscClipboard(std::span<const uint8_t> data);
    void oscNotification(std::span<const uint8_t> data);
    void osciTerm2(std::span<const uint8_t> data);
    // CSI Ps ; Ps ; Ps t: the parameter list must match a known request exactly.
    void cmdWindowOptions(std::span<const int> pars);
    static constexpr size_t maxTitleStackDepth = 16;
    std::vector<std::string> terminalTitleStack;
    std::vector<std::string> terminalIconStack;

    int refreshStart = INT_MAX;
    int refreshEnd = -1;
    int scrollInvariantRefreshStart = INT_MAX;
    int scrollInvariantRefreshEnd = -1;

    // Shell-integration prompts (TerminalShellIntegration.cpp): OSC 133 marks and zones, submitted
    // command lines, and clicks inside the prompt turned into cursor keys or mouse reports. Rows are
    // ring indexes of the active buffer.
    void oscSemanticPrompt(std::span<const uint8_t> payload);
    std::optional<SemanticContent> semanticContent(const Position& at);
    std::vector<SemanticPromptAnchor> semanticPromptMarks(int row) { return m_buffer->semanticPromptMarks(row); }
    std::optional<SemanticPromptKind> semanticRowKind(int row) { return m_buffer->semanticRowKind(row); }
    std::optional<Position> activeSemanticPromptOrigin() { return m_buffer->activeSemanticPromptOrigin(); }
    // The row of a row object, unless the ring reused it since `recycleGeneration` was read.
    std::optional<int> semanticRow(const BufferLine& lineIdentity, uint64_t recycleGeneration);
    BufferLine* bufferLine(int row);
    // Every byte the user sends passes here on its way to the host, so Enter can be noticed.
    void sendUserInput(std::span<const uint8_t> data);
    bool mightRouteSemanticPromptClick(SemanticPromptClickModifiers modifiers, const SemanticPromptPointerSnapshot& snapshot);
    bool handleSemanticPromptClick(const Position& at, SemanticPromptClickModifiers modifiers,
                                   const SemanticPromptPointerSnapshot& snapshot);
    bool handleSemanticPromptClick(const Position& at, SemanticPromptClickModifiers modifiers);
    void semanticNoteAlternateScreenSwitch();
    void resetSemanticPromptState(bool clearingScreenMarks);
    SemanticPromptClickBehavior semanticPromptClickBehavior = SemanticPromptClickBehavior::enabled;

    // Text extraction and links (TerminalTextExtraction.cpp, TerminalLinks.cpp). Rows count buffer rows,
    // 0 being the oldest scrollback row. Extracted text drops each row's trailing blanks and reads
    // unwritten cells as spaces; soft-wrapped rows join without a break.
    using LinkLookupMode = zentrova::LinkLookupMode;
    using LinkLookupLocation = zentrova::LinkLookupLocation;
    using LinkMatch = zentrova::LinkMatch;
    // Every row of the buffer up to its last written cell, scrollback included, each followed by LF;
    // unwritten cells inside stay U+0000 and a row the encoding cannot hold is left out.
    std::vector<uint8_t> getBufferAsData(BufferKind kind = BufferKind::active, TextEncoding encoding = TextEncoding::utf8);
    // The text between two positions of the active buffer, in either order, the end column excluded.
    // Blank rows count only between rows with text.
    std::string getText(const Position& start, const Position& end);
    // The rows from start to end (start first) as lines of fragments, one line per newline.
    std::vector<Line> getSelectedLines(const Position& start, const Position& end, Buffer& buffer);
    // Columns start up to end (-1: the row's end) of one row; empty for a row outside the buffer.
    std::string translateBufferLineToString(Buffer& buffer, int line, int start, int end);
    // The link under a cell of the active buffer: an OSC 8 link first, else (when the mode allows) a URL
    // or path in the text.
    std::optional<std::string> link(const LinkLookupLocation& at, LinkLookupMode mode);
    std::optional<LinkMatch> linkMatch(const LinkLookupLocation& at, LinkLookupMode mode);

    // Rectangular areas and column editing (TerminalRectangles.cpp). Rectangles are decoded by
    // getRectangleFromRequest; cells beyond a short row's end fall on its last cell.
    void csiX(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdDECERA(std::span<const int> pars);
    void cmdSelectiveEraseRectangularArea(std::span<const int> pars);
    void csiZ(std::span<const int> pars, std::span<const uint8_t> collect);
    void csiOpenBrace(std::span<const int> pars, std::span<const uint8_t> collect);
    void csiCopyRectangularArea(std::span<const int> pars, std::span<const uint8_t> collect);
    void csiCloseBrace(std::span<const int> pars, std::span<const uint8_t> collect);
    void cmdDeleteColumns(std::span<const int> pars);

    // Bidirectional-text sequences and the paragraph state of rows (TerminalBidiSequences.cpp). A paragraph
    // is a row and the rows wrapped from it; rows are ring indexes of the active buffer.
    enum class BidiStateProperty : uint8_t { supportMode, autodetectDirection, fallbackDirection, boxMirroring };
    using BidiStateProperties = std::set<BidiStateProperty>;
    static inline const BidiStateProperties allBidiStateProperties { BidiStateProperty::supportMode,
                                                                     BidiStateProperty::autodetectDirection,
                                                                     BidiStateProperty::fallbackDirection,
                                                                     BidiStateProperty::boxMirroring };
    void cmdSelectPresentationDirection(std::span<const int> pars);
    void cmdSelectCharacterPath(std::span<const int> pars);
    // The cursor's paragraph takes the named fields of currentBidiState; nothing unless the cursor is
    // in column 0 of a paragraph's first row.
    void applyCurrentBidiStateAtParagraphStart(const BidiStateProperties& properties);
    // Cut paragraphs at the edges of the scroll region after SU/SD, and after IL/DL at the rows
    // around the ones that changed.
    void hardenBidiScrollBoundaries(bool insertedAtTop, int count);
    void hardenBidiLineShiftBoundaries(int firstChangedRow, std::optional<int> firstMovedRow, int lastChangedRow);

    // Kitty graphics (TerminalKittyGraphics.cpp: commands, chunked transfers and replies;
    // TerminalKittyPlacements.cpp: the image store, placements, deletes and what scrolling, erasing and
    // switching screens do to them). The store is made on first use.
    KittyGraphicsState& kittyGraphicsState();
    bool hasKittyGraphicsState() const { return m_kittyGraphicsState != nullptr; }
    // Set only while the host creates the image object of a placement.
    std::optional<KittyPlacementContext> kittyPlacementContext;
    std::string_view apcIntroducer() const { return cc.send8bit ? "\x9F" : "\x1B_"; }
    // The most a single image the store accepts decodes to, and the base64 text that carries it (the
    // cap of one APC string, less room for its keys, and of a chunked transfer).
    int64_t kittyImageCacheLimit() const;
    size_t kittyPayloadCap() const;
    size_t kittyBase64Cap() const;
    // Payloads arrive base64-decoded: nothing when the base64 did not decode.
    using KittyDecodedPayload = std::optional<std::vector<uint8_t>>;
    void processKittyGraphics(const KittyGraphicsControl& control, KittyDecodedPayload payload);
    void handleKittyTransmit(const KittyGraphicsControl& control, KittyDecodedPayload payload, bool display);
    void handleKittyTransmitPayload(const KittyGraphicsControl& control, KittyGraphicsPayload payload, bool display);
    void handleKittyPut(const KittyGraphicsControl& control);
    void handleKittyDelete(const KittyGraphicsControl& control);
    void sendKittyOk(const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                     std::optional<uint32_t> imageNumber, std::optional<uint32_t> placementId);
    void sendKittyError(const KittyGraphicsControl& control, std::string_view message);
    void storeKittyImage(KittyGraphicsPayload payload, uint32_t imageId, std::optional<uint32_t> imageNumber);
    const KittyGraphicsImage* updateKittyImageAccess(uint32_t imageId);
    // False when it answered an error.
    bool displayKittyImage(const KittyGraphicsPayload& payload, const KittyGraphicsControl& control,
                           std::optional<uint32_t> imageId, std::optional<uint32_t> imageNumber);
    using KittyImagePredicate = std::function<bool(const KittyPlacementImage&)>;
    using KittyRecordPredicate = std::function<bool(const KittyPlacementRecord&)>;
    void removeKittyPlacement(uint32_t imageId, uint32_t placementId);
    // Takes matching kitty images off the lines first ... last (ring indexes, clamped) and returns the
    // keys of those that had both ids.
    std::set<KittyPlacementKey> removeKittyPlacements(Buffer& buffer, int first, int last, const KittyImagePredicate& predicate);
    std::set<KittyPlacementKey> removePlacementRecords(const KittyRecordPredicate& predicate);
    void removeKittyPlacementsByKey(const std::set<KittyPlacementKey>& keys);
    // Cells, columns and rows are 1-based as sent.
    void deletePlacementsVisibleOnScreen();
    void deletePlacementsByImageId(uint32_t imageId, std::optional<uint32_t> placementId);
    void deletePlacementsAtCell(int64_t col, int64_t row, std::optional<int64_t> zIndex);
    void deletePlacementsInColumn(int64_t col);
    void deletePlacementsInRow(int64_t row);
    void deletePlacementsWithZIndex(int64_t zIndex);
    void deletePlacementsByImageIdRange(uint32_t minId, uint32_t maxId);
    void cleanupUnusedKittyImages();
    void enforceKittyImageCacheLimit();
    std::set<uint32_t> collectUsedKittyImageIds();
    void updateKittyRelativePlacementsForCurrentBuffer();
    // Moves every strip of a placement by deltaRow rows and gives it a new top row and left column;
    // strips that would leave the buffer go.
    void moveKittyPlacementImages(Buffer& buffer, KittyPlacementKey key, int deltaRow, int newTopRow, int newLeftCol);
    void clearKittyImages(Buffer& buffer, bool isAlternateBuffer);
    void clearAllKittyImages();
    // One delete: matching strips leave the active screen's rows (or both screens'), matching records
    // go, and the placements whose strips went without their record go everywhere.
    void deleteKittyPlacements(bool bothBuffers, std::optional<std::pair<int, int>> lineRange,
                               const KittyImagePredicate& imagePredicate, const KittyRecordPredicate& recordPredicate);

private:
    // Bytes of a UTF-8 character split across two print runs, kept for the next run unless the
    // parser reset its print state (a sequence started) in between.
    struct ReadingBuffer {
        std::vector<uint8_t> putbackBuffer;
        uint64_t printStateResetCount = 0;
    };

    void configureParser();
    void setDefaultColor(Color& stored, bool& setting, const Color& color,
                         void (TerminalDelegate::*report)(Terminal&, const Color&));
    void setXtermTitleModes(std::span<const int> pars, bool on);
    // A title as OSC 0, 1 or 2 sends it (UTF-8, or its bytes in hexadecimal while XTSMTITLE 0 is
    // on; invalid input gives the empty title), and as the title reports send it (hexadecimal while
    // XTSMTITLE 1 is on). Titles are UTF-8 either way, so the UTF-8 title modes change nothing.
    std::string titleFromPayload(std::span<const uint8_t> data) const;
    std::string titleForReport(const std::string& title) const;
    // The one way out for every diagnostic line of the terminal, its screens and rows.
    void writeLog(std::string_view line) const;
    std::unique_ptr<Buffer> makeBuffer(std::optional<int> scrollback,
                                       std::unique_ptr<CircularBufferLineList> reusedLines = nullptr);
    void csiFallback(std::span<const int> pars, std::span<const uint8_t> collect, uint8_t code);
    // The CSI sequences dispatchCsi() does not take first.
    void dispatchAnyCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect);
    void escFallback(std::span<const uint8_t> collect, uint8_t code);
    void oscFallback(int64_t code, std::span<const uint8_t> data);

    // Replies, modes and mouse reports.
    static void appendResponsePart(std::string& bytes, std::string_view text) { bytes += text; }
    static void appendResponsePart(std::string& bytes, uint8_t byte) { bytes += char(byte); }
    static void appendResponsePart(std::string& bytes, std::span<const uint8_t> data) { bytes.append(data.begin(), data.end()); }
    void sendBytes(std::string_view bytes);
    // Serves the CSI sequences of modes, reports, status and keyboard flags; false for the others.
    bool dispatchModeAndReportCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect);
    void setPrivateMode(int mode, bool on);
    void setAnsiMode(int mode, bool on);
    // Copies currentBidiState to both screens, applies the changed fields to the cursor's paragraph
    // and redraws the screen.
    void applyBidiState(const BidiStateProperties& changed);
    void setBufferFlag(bool Buffer::*field, bool& terminalField, bool on);
    void finishBufferSwitch();
    int privateModeState(int mode) const;
    static int ansiModeState(int mode, bool insertMode, bool lineFeedMode, const BidiPresentationState& bidi);

    // Printing.
    // What the screen asks for the payload of each printed cell: nothing to call while no link is
    // open. Inline: every printed run asks, and mostly no link is open.
    Buffer::PayloadResolver hyperlinkResolver()
    {
        if (!activeHyperlink)
            return {};
        return [this] { return resolveActiveHyperlink(); };
    }
    void printRun(std::span<const uint8_t> run);
    void printByte(uint8_t byte);
    void printScalar(char32_t scalar, int width);
    static int combiningColumn(const Buffer& buffer, const BufferLine& row);
    bool continuesSequence(uint32_t targetCode, char32_t scalar) const;
    bool joinCluster(int ringRow, int col, char32_t scalar);
    uint32_t joinedCode(uint32_t targetCode, char32_t scalar);
    void rememberCode(uint64_t key, uint32_t code);
    void widenCell(BufferLine& row, int col, const CharData& cell);
    uint32_t internOrFallBack(std::u32string_view character);
    void collectInternedCharacters();
    const CharData& printTemplate();
    // The last character printed, which REP repeats; code 0: none since the last full reset.
    void rememberPrinted(uint32_t code, int width)
    {
        m_lastPrintedCode = code;
        m_lastPrintedWidth = width;
    }
    void restrictCursor();
    void endPendingWrap();
    // The column the cursor stands on; a cursor waiting to wrap stands on the last one.
    int cursorColumn() const { return std::min(m_buffer->x(), cols - 1); }
    void cursorForwardTabs(int count);
    void cursorBackwardTabs(int count);

    // Scrolling.
    void resetNormalBuffer();
    BufferLine& preparedBlankLine(bool isWrapped, const BidiPresentationState& bidiState);
    Attribute eraseAttr() const;

    // Cursor movement, editing and colour commands.
    // A blank in the erase attribute, built again only when the background changed.
    const CharData& eraseCell() const;
    // Screen row y blank in the erase cell, unwrapped and single-width, with bidiState when given.
    void resetBufferLine(int y, bool clearImages, const std::optional<BidiPresentationState>& bidiState);
    void shiftRegionRows(int top, int count, bool up);
    void shiftRegionColumns(int top, int count, bool up);
    void finishLineShift(int y);
    void sendOscReply(const std::string& text);
    // Default foreground (0) or background (1), as OSC 10 and 11 set them.
    void setDefaultColorFromProgram(int number, const Color& color);
    // Operating-system commands and window operations.
    static bool isValidUtf8(std::span<const uint8_t> bytes);
    static std::optional<std::string> decodeUtf8(std::span<const uint8_t> bytes);
    // The fields between the separators, empty ones included.
    static std::vector<std::string_view> splitKeepingEmpty(std::string_view text, char separator);
    void setHostLocation(std::span<const uint8_t> data, std::optional<std::string>& location,
                         void (TerminalDelegate::*updated)(Terminal&));
    void reportPixelSize(int request);
    // Sends what the host answers to a report request; false when it answers nothing.
    bool sendWindowCommandReply(WindowManipulationCommand::Kind kind);

    TerminalDelegate* m_delegate;
    MainQueue* m_mainQueue;
    std::shared_ptr<MainQueue::Handle> m_synchronizedOutputTimeout;
    std::unique_ptr<EscapeSequenceParser> m_parser;
    std::unique_ptr<Buffer> m_normalBuffer;
    std::unique_ptr<Buffer> m_altBuffer;
    Buffer* m_buffer = nullptr;
    std::vector<std::weak_ptr<SelectionService>> m_selections;
    std::unique_ptr<KittyGraphicsState> m_kittyGraphicsState;

    Color m_foregroundColor = Color::defaultForeground;
    Color m_backgroundColor = Color::defaultBackground;
    std::optional<Color> m_cursorColor;
    // The default foreground and background the host had when a program first changed them.
    std::array<std::optional<Color>, 2> m_defaultColorsBeforeProgram;
    bool m_settingFgColor = false;
    bool m_settingBgColor = false;
    bool m_settingCursorColor = false;
    std::vector<Color> m_installedColors;
    MouseMode m_mouseMode = MouseMode::off;
    LogSink m_logSink;

    InternedCharacters m_interned;
    JoinedCodes m_joinedCodes;
    PayloadCodes m_payloadCodes;
    ReadingBuffer m_readingBuffer;
    std::shared_ptr<BufferLine> m_blankLine;

    // Shell-integration prompts.
    enum class SemanticScanState : uint8_t { ground, escape, csi, ss3 };
    void markCurrentSemanticPrompt(SemanticPromptKind kind);
    void semanticFreshLine();
    bool scanUserInputForSubmission(std::span<const uint8_t> data);
    bool interpretSemanticCSI(uint8_t final);
    void resetUserInputScanner();
    bool semanticClickModifiersAllowed(SemanticPromptClickModifiers modifiers) const;
    bool sendSemanticClickReport(const Position& at);
    bool sendSemanticCursorKeys(const Position& at, SemanticPromptCursorClickMode mode);
    SemanticScanState m_semanticScanState = SemanticScanState::ground;
    bool m_semanticScanInPaste = false;
    std::vector<uint8_t> m_semanticScanParams;
    Attribute m_blankLineAttr;
    // The cell printed characters start from, kept for the attribute it was made with: packing an
    // attribute into a cell costs more than comparing two.
    Attribute m_printTemplateAttr;
    CharData m_printTemplate;
    // eraseCell() for the background it was made for; a cache, so const callers update it too.
    mutable Attribute::Color m_eraseCellBackground = curAttr.bg;
    mutable CharData m_eraseCell = CharData(eraseAttr(), 0, 1);
    uint32_t m_lastPrintedCode = 0;
    int m_lastPrintedWidth = 1;

    // Rectangles and bidirectional text.
    void writeRectangleCell(BufferLine& row, int col, const CharData& cell);
    void fillRectangle(std::span<const int> pars, const CharData& fill, bool characterOnly);
    void selectBidiDirection(BidiDirection direction);
    void unwrapRow(int ringRow);
};

} // namespace zentrova
