#pragma once

#include "Zentrova/Engine/KittyKeyEvent.h"
#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Screen/BellStyle.h"
#include "Zentrova/Screen/CharData.h"
#include "Zentrova/Screen/SemanticPrompt.h"
#include "Zentrova/Screen/TerminalOptions.h"
#include "Zentrova/Search/SearchOptions.h"
#include "Zentrova/Text/BidiRowLayout.h"
#include "ZentrovaView/AccessibilityService.h"
#include "ZentrovaView/CellGeometry.h"
#include "ZentrovaView/CellStyle.h"
#include "ZentrovaView/EditingCommand.h"
#include "ZentrovaView/FontSet.h"
#include "ZentrovaView/GlyphSlotFit.h"
#include "ZentrovaView/Gpu/MetalRendererRecoveryReport.h"
#include "ZentrovaView/Gpu/MetalRendererStatus.h"
#include "ZentrovaView/MotionPreference.h"
#include "ZentrovaView/QtMainQueue.h"
#include "ZentrovaView/TerminalDebugView.h"
#include "ZentrovaView/TerminalKeyEvent.h"
#include "ZentrovaView/TerminalViewSettings.h"
#include "ZentrovaView/UserInterfaceItem.h"
#include "ZentrovaView/ViewLineInfo.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRawFont>
#include <QUrl>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

class QFontMetricsF;
class QLabel;
class QMouseEvent;
class QPainter;
class QTimer;
class QWheelEvent;
class QScrollBar;

namespace zentrova {

class AppleImage;
class CaretView;
class DictationOverlayTextView;
class KittyPlaceholderImages;
struct RowDrawingBuffers;
class MetalError;
class MetalSurface;
class MetalSurfaceFactory;
class MetalTerminalRenderer;
class SearchService;
class SelectionService;
class TerminalFindBarView;
class TerminalProgressBarView;
class TerminalViewDelegate;

// The widget that shows one Terminal: it owns the terminal, is its delegate, turns its cells into
// styles and colours for drawing, and reports to its host only through a TerminalViewDelegate.
//
// Split by concern: construction and settings (TerminalView.cpp), fonts and cell geometry
// (TerminalViewFonts.cpp), cell styles and colours (TerminalViewColors.cpp), the scroll bar and
// scrolling (TerminalViewScrolling.cpp), the user's bytes (TerminalViewSending.cpp), the bell and bitmap
// images (TerminalViewBell.cpp, TerminalViewImages.cpp), the terminal's delegate calls
// (TerminalViewEvents.cpp), row layout (TerminalViewLayout.cpp), drawing (TerminalViewDrawing.cpp,
// TerminalViewDecorations.cpp) and the caret (TerminalViewCaret.cpp, CaretView.cpp), focus
// (TerminalViewFocus.cpp), blinking text (TerminalViewBlink.cpp), progress reports
// (TerminalViewProgress.cpp), window reports (TerminalViewWindowReports.cpp), keyboard and text input
// (TerminalViewKeyboard.cpp), the Edit commands (TerminalViewClipboard.cpp), searching
// (TerminalViewFind.cpp), the find commands and the find bar (TerminalViewFindCommands.cpp), menu
// validation (TerminalViewValidation.cpp), and pointer input, hit testing and links
// (TerminalViewMouse.cpp, TerminalViewHitTesting.cpp, TerminalViewLinks.cpp).
class TerminalView : public QWidget, public TerminalDelegate {
    Q_OBJECT

public:
    // The font defaults to the system's fixed-pitch font. The terminal takes its size from the widget's
    // initial size when that is not empty, else from the options.
    explicit TerminalView(QWidget* parent = nullptr, const std::optional<QFont>& font = std::nullopt,
                          const TerminalOptions& options = TerminalOptions::Default, QSize initialSize = {});
    ~TerminalView() override;

    Terminal& terminal() { return *m_terminal; }
    TerminalViewDelegate* terminalDelegate() const { return m_terminalDelegate; }
    void setTerminalDelegate(TerminalViewDelegate* delegate) { m_terminalDelegate = delegate; }
    // The selection the view keeps; none until one is set.
    const std::shared_ptr<SelectionService>& selection() const { return m_selection; }
    void setSelection(std::shared_ptr<SelectionService> selection);
    const AccessibilityService& accessibility() const { return m_accessibility; }
    // The developer overlay showing this view's buffer, when one was made.
    TerminalDebugView* debug() const { return m_debug; }
    void setDebug(TerminalDebugView* overlay) { m_debug = overlay; }

    // Fonts and cell geometry.
    QFont font() const { return m_fontSet.normal; }
    // Rebuilds the font set, measures the cells anew and clears the selection.
    void setFont(const QFont& font);
    // Back to the system's fixed-pitch font; the selection stays.
    void resetFontSize();
    const FontSet& fontSet() const { return m_fontSet; }
    // Empties the style and colour caches.
    void resetCaches();
    // One cell in logical pixels, rounded to whole device pixels; nothing before setup measured it.
    std::optional<QSizeF> cellDimension() const { return m_cellDimension; }
    CellGeometry cellGeometry() const { return CellGeometry(m_cellDimension.value_or(QSizeF(1, 1))); }
    bool fontSmoothing() const { return m_fontSmoothing; }
    void setFontSmoothing(bool on) { m_fontSmoothing = on; }
    double lineSpacing() const { return m_lineSpacing; }
    void setLineSpacing(double spacing);
    // The cell size for the font set and line spacing at the view's device-pixel ratio.
    QSizeF computeFontDimensions() const;
    // The font Qt's font merging draws `text` in on top of `base` (a fallback when `base` lacks it).
    static QRawFont resolvedFont(const QString& text, const QFont& base);
    GlyphSlotFit glyphSlotFit(const QRawFont& font, quint32 glyph, int columnWidth) const;
    // Columns and rows for a widget size (the scroll bar's width taken off when it is shown).
    QSize gridSizeFor(QSizeF size) const;
    // The widget size that shows the whole grid beside the scroll bar.
    QRect getOptimalFrameSize() const;
    // The terminal follows a new widget size; false when the grid keeps its size.
    bool processSizeChange(QSize newSize);
    // Gives the terminal a grid size of its own. No soft reset follows: the program's modes and pen stay
    // as they are. Not named resize(): that would hide QWidget::resize(int, int).
    void resizeTerminal(int cols, int rows);
    // The font link previews are shown in: the first of a few sans-serif faces that is installed, else
    // the system font, at 12 points.
    static QFont tryUrlFont();

    // Cell styles and colours.
    // How a cell is drawn; link cells get a dashed underline in their foreground colour. The reference
    // stays valid until the next call.
    const CellStyle& getAttributes(const CharData& cell, bool withUrl);
    // A style with the given colours (exchanged for inverse cells), not cached: the caret's character.
    CellStyle getAttributedValue(const Attribute& attribute, const QColor& fg, const QColor& bg) const;
    QColor mapColor(const Attribute::Color& color, bool isFg, bool isBold, bool useBrightColors);
    // Takes 16 base colours (any other count keeps the terminal's) and redraws in them.
    void installColors(std::span<const Color> colors);
    void colorsChanged();
    // A caret colour given by the program; nothing returns to the default.
    void setCursorColor(const std::optional<QColor>& color, const std::optional<QColor>& textColor);
    // The terminal's default colours; the terminal reports them while the view sets it up.
    QColor nativeForegroundColor() const { return m_nativeFg.value_or(QColor()); }
    void setNativeForegroundColor(const QColor& color);
    QColor nativeBackgroundColor() const { return m_nativeBg.value_or(QColor()); }
    void setNativeBackgroundColor(const QColor& color);
    double backgroundOpacity() const { return nativeBackgroundColor().alphaF(); }
    void setBackgroundOpacity(double opacity);
    // The default colours as drawn: exchanged while the terminal shows reverse video.
    QColor effectiveNativeForegroundColor() const;
    QColor effectiveNativeBackgroundColor() const;
    QColor caretColor() const { return m_caretColor; }
    void setCaretColor(const QColor& color);
    std::optional<QColor> caretTextColor() const { return m_caretTextColor; }
    void setCaretTextColor(const std::optional<QColor>& color);
    QColor effectiveCaretColor() const;
    QColor effectiveCaretTextColor() const;
    QColor selectedTextBackgroundColor() const { return m_selectedTextBackgroundColor; }
    void setSelectedTextBackgroundColor(const QColor& color);
    QColor selectedTextForegroundColor() const { return m_selectedTextForegroundColor; }
    void setSelectedTextForegroundColor(const QColor& color);
    // Entries in the style and true-colour caches, for diagnostics.
    struct CacheSizes {
        size_t attributes = 0;
        size_t urlAttributes = 0;
        size_t trueColors = 0;
    };
    CacheSizes cacheSizes() const { return { m_attributes.size(), m_urlAttributes.size(), m_trueColors.size() }; }
    bool useBrightColors() const { return m_useBrightColors; }
    // Cached styles were made under the old setting, so they are dropped.
    void setUseBrightColors(bool on);

    // Scrolling and the scroll bar.
    QScrollBar* scroller() const { return m_scroller; }
    ScrollerStyle scrollerStyle() const { return m_scrollerStyle; }
    void setScrollerStyle(ScrollerStyle style);
    // The width the scroll bar takes beside the text in either style.
    int scrollerWidth() const;
    double scrollSensitivity() const { return m_scrollSensitivity; }
    void setScrollSensitivity(double sensitivity);
    // 0 (oldest scrollback) to 1 (the live screen); 0 on the alternate screen.
    double scrollPosition();
    double scrollThumbsize();
    bool canScroll();
    void scroll(double toPosition);
    void scrollTo(int row);
    void scrollUp(int lines);
    void scrollDown(int lines);
    void pageUp();
    void pageDown();
    bool userScrolling() const { return m_userScrolling; }
    // Bytes typed by the user, on their way to the host.
    void send(std::span<const uint8_t> data);
    // The left or right arrow key, exchanged on a right-to-left row when the program asked for it.
    void sendHorizontalKey(bool left);

    // Edit commands (TerminalViewClipboard.cpp).
    // The selected text to the clipboard; empty text without a selection.
    void copy();
    // The clipboard's text to the child as a paste, between the bracketed-paste markers when the
    // child asked for them.
    void paste();
    // The primary selection's text (where the platform has one) to the child, as paste() does.
    void pastePrimarySelection();
    void selectAll();

    // Feeding and redraw pacing.
    // Output for the terminal: parsed, then drawn at once when the user typed within the last 150 ms,
    // else by the next paced redraw.
    void feed(std::span<const uint8_t> bytes);
    void feed(std::string_view text);
    // The queue redraws and the caret's blink are timed on: the view's own until another is set (it
    // must outlive the view).
    MainQueue& displayQueue() const { return *m_displayQueue; }
    void setDisplayQueue(MainQueue& queue);
    // At most one redraw waits at a time, 17 ms out; none while synchronized output holds the screen.
    void queuePendingDisplay();
    // Redraws now; from another thread, as soon as the main thread can.
    void displayImmediately();
    bool shouldDisplayImmediatelyAfterUserInput() const;
    // Places the caret and repaints the rows the terminal marked dirty.
    void updateDisplay();
    bool pendingDisplay() const { return m_pendingDisplay; }
    // The repaint rectangle the dirty screen rows [first, last] need: the whole view while scrolled
    // back; on the live screen one row more below, or down to the bottom edge from the last row, and
    // only as wide as what those rows show or will show, never over the scroll bar beside the text.
    QRect dirtyRowsRect(int first, int last);
    // How many columns from the left edge a ring row may draw into: up to its last cell with a
    // character other than a space or with an attribute, selection or link, and a little further for
    // glyphs that overhang their cell; all of them for a row with images, stretched or reordered.
    int inkColumns(int row);
    // Dirty screen rows widened to the whole bidirectional paragraphs that hold their ends (a change in
    // one row can move text in every row of its paragraph), clamped to the screen.
    std::pair<int, int> paragraphDirtyRows(int first, int last);

    // Bell and images.
    BellStyle bellStyle() const { return m_bellStyle; }
    void setBellStyle(BellStyle style) { m_bellStyle = style; }
    void flashVisualBell();
    // The image of straight (not premultiplied) RGBA bytes, 4 per pixel; nothing when the bytes are too
    // few for the size or the size is empty.
    static std::optional<QImage> imageFromBitmap(std::span<const uint8_t> bytes, int width, int height);
    // The largest rectangle of the image's proportions centred in `rect`; `rect` itself when either size is empty.
    static QRectF kittyAspectFitRect(QSizeF imageSize, const QRectF& rect);

    // Row layout and drawing.
    // One row of the buffer (`row` its ring index) laid out over `cols` columns: its segments in visual
    // order with their styles, selection and direction override, and its images.
    ViewLineInfo buildAttributedString(int row, const BufferLine& line, int cols);
    // The same into `info`, whose storage is reused.
    void buildAttributedString(int row, const BufferLine& line, int cols, ViewLineInfo& info);
    // The bidirectional layout a ring row is shown in; none for rows drawn left to right as stored.
    std::optional<BidiRowLayout> bidiLayout(int row, const BufferLine& line, int cols);
    // The selected columns [first, past) of a ring row; none without an active selection there.
    std::optional<std::pair<int, int>> selectedColumnsRange(int row, int cols) const;
    // Paints the rows under `dirtyRect` (logical pixels), the top one being ring row `bufferOffset`.
    void drawTerminalContents(const QRectF& dirtyRect, QPainter& painter, int bufferOffset);
    // False while blinking text is in its hidden phase.
    bool textBlinkVisible() const { return m_textBlinkVisible; }
    void setTextBlinkVisible(bool visible);
    // The face a font variant draws with, as a raw font for glyph lookups.
    const QRawFont& rawFont(FontVariant variant);
    // Device pixels per logical pixel.
    double backingScale() const;

    // Blinking text.
    static constexpr std::chrono::milliseconds textBlinkPeriod { 700 };
    // Starts following the application's activity; once.
    void setupTextBlinking();
    // Runs the blink timer while blinking cells are on screen, the view is shown, the application is
    // active and motion is not reduced; otherwise stops it and shows the text. Before every redraw.
    void updateTextBlinkLifecycle();
    void stopTextBlinking();
    // The ring rows on screen that hold a blinking cell, in order.
    std::vector<int> visibleBlinkRows();
    bool textBlinkTimerRunning() const { return m_textBlinkTimer != nullptr; }
    // Where the user's wish for less motion comes from; the desktop's own unless set (it must
    // outlive the view).
    void setMotionPreference(const MotionPreference& preference);

    // Progress reports: the bar along the top edge, cleared 15 s after the last report.
    static constexpr int progressBarHeight = 2;
    static constexpr std::chrono::milliseconds progressReportLifetime { 15000 };
    TerminalProgressBarView* progressBarView() const { return m_progressBarView; }
    std::optional<uint8_t> lastProgressValue() const { return m_lastProgressValue; }
    // One line at error level about a GPU renderer replaced, or given up for drawing on the processor.
    void logMetalRecovery(const MetalRendererRecoveryReport& report, bool willFallBack);

    // Plain settings, read where they act.
    bool backspaceSendsControlH() const { return m_backspaceSendsControlH; }
    void setBackspaceSendsControlH(bool on) { m_backspaceSendsControlH = on; }
    bool optionAsMetaKey() const { return m_optionAsMetaKey; }
    void setOptionAsMetaKey(bool on) { m_optionAsMetaKey = on; }
    bool allowMouseReporting() const { return m_allowMouseReporting; }
    void setAllowMouseReporting(bool on) { m_allowMouseReporting = on; }
    // Whether a program may ask for the icon and window titles (CSI 20 t, CSI 21 t); off unless the
    // host turns it on, since the reply types the title into the program's input.
    bool allowTitleReports() const { return m_allowTitleReports; }
    void setAllowTitleReports(bool on) { m_allowTitleReports = on; }
    LinkReporting linkReporting() const { return m_linkReporting; }
    void setLinkReporting(LinkReporting reporting) { m_linkReporting = reporting; }
    LinkHighlightMode linkHighlightMode() const { return m_linkHighlightMode; }
    void setLinkHighlightMode(LinkHighlightMode mode);
    bool notifyUpdateChanges() const { return m_notifyUpdateChanges; }
    void setNotifyUpdateChanges(bool on) { m_notifyUpdateChanges = on; }
    bool disableFullRedrawOnAnyChanges() const { return m_disableFullRedrawOnAnyChanges; }
    void setDisableFullRedrawOnAnyChanges(bool on) { m_disableFullRedrawOnAnyChanges = on; }
    MetalBufferingMode metalBufferingMode() const { return m_metalBufferingMode; }
    void setMetalBufferingMode(MetalBufferingMode mode) { m_metalBufferingMode = mode; }
    // Ring rows (a closed range) the GPU renderer must build again on its next frame; the renderer
    // takes it and leaves none.
    std::optional<std::pair<int, int>> metalDirtyRange() const { return m_metalDirtyRange; }
    void setMetalDirtyRange(std::optional<std::pair<int, int>> range) { m_metalDirtyRange = range; }
    BidiHostPolicy bidiHostPolicy() const { return m_bidiHostPolicy; }
    void setBidiHostPolicy(BidiHostPolicy policy);
    bool customBlockGlyphs() const { return m_customBlockGlyphs; }
    void setCustomBlockGlyphs(bool on);
    bool antiAliasCustomBlockGlyphs() const { return m_antiAliasCustomBlockGlyphs; }
    void setAntiAliasCustomBlockGlyphs(bool on);
    bool hasFocus() const;
    // Stores the flag and gives the caret its focused or unfocused look.
    void setHasFocus(bool focused);
    // The caret child; made with the terminal.
    CaretView* caretView() const { return m_caretView; }
    bool caretViewTracksFocus() const;
    void setCaretViewTracksFocus(bool on);
    // Puts the caret over the cursor cell with the character under it, or hides it when the cursor
    // is hidden or below the shown rows.
    void updateCursorPosition();
    // Brings the cursor's row into view unless synchronized output holds the screen.
    void ensureCaretIsVisible();
    // The default colours become the desktop's text colours.
    void configureNativeColors();

    // Keyboard and text input (TerminalViewKeyboard.cpp).
    // Typed or committed text; a paste goes between the bracketed-paste markers when the program asked
    // for them, without any ESC or C1 control that could end the paste early.
    void insertText(const QString& text, bool isPaste = false);
    // An input method's uncommitted text; empty text drops it.
    void setMarkedText(const QString& text);
    void unmarkText();
    bool hasMarkedText() const { return !m_markedText.isEmpty(); }
    const QString& markedText() const { return m_markedText; }
    void doCommand(EditingCommand command);
    // The keyboard-protocol event of a text key; none when the key types no character.
    std::optional<KittyKeyEvent> kittyTextEvent(const TerminalKeyEvent& event, KittyKeyboardEventType eventType,
                                                const std::optional<QString>& text) const;
    // Encodes the event for the active screen's keyboard state and sends it; false when nothing was sent.
    bool sendKittyEvent(const KittyKeyEvent& event);
    // The control byte of a one-byte text ("a" gives 1, "6" gives 30); empty for anything else.
    static std::vector<uint8_t> applyControlToEventCharacters(const QString& characters);

    // TerminalDelegate.
    void showCursor(Terminal& source) override;
    void hideCursor(Terminal& source) override;
    void cursorStyleChanged(Terminal& source, CursorStyle newStyle) override;
    void setTerminalTitle(Terminal& source, const std::string& title) override;
    void sizeChanged(Terminal& source) override;
    void send(Terminal& source, std::span<const uint8_t> data) override;
    void scrolled(Terminal& source, int yDisp) override;
    void linefeed(Terminal& source) override;
    void bufferActivated(Terminal& source) override;
    void synchronizedOutputChanged(Terminal& source, bool active) override;
    void bell(Terminal& source) override;
    void selectionChanged(Terminal& source) override;
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal& source) override;
    bool allowsTitleReports(Terminal&) override { return m_allowTitleReports; }
    // CSI 14 t and 16 t from the cell size (nothing before the first layout); a program's resize
    // request is logged, not obeyed; every other command gets no reply.
    std::optional<std::vector<uint8_t>> windowCommand(Terminal& source, const WindowManipulationCommand& command) override;
    // From any thread; handled on the view's.
    void progressReport(Terminal& source, const ProgressReport& report) override;
    void hostCurrentDirectoryUpdated(Terminal& source) override;
    void colorChanged(Terminal& source, std::optional<int> idx) override;
    void setForegroundColor(Terminal& source, const Color& color) override;
    void setBackgroundColor(Terminal& source, const Color& color) override;
    void iTermContent(Terminal& source, std::span<const uint8_t> content) override;
    void clipboardCopy(Terminal& source, std::span<const uint8_t> content) override;
    std::optional<std::vector<uint8_t>> clipboardRead(Terminal& source) override;
    void createImageFromBitmap(Terminal& source, std::vector<uint8_t>& bytes, int width, int height) override;
    void createImage(Terminal& source, std::span<const uint8_t> data, const ImageSizeRequest& width,
                     const ImageSizeRequest& height, bool preserveAspectRatio) override;

protected:
    // Keyboard and text input (TerminalViewKeyboard.cpp).
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Places an image at the cursor, cut into one strip per row.
    virtual void insertImage(const QImage& image, const ImageSizeRequest& width, const ImageSizeRequest& height,
                             bool preserveAspectRatio);

private:
    // Keyboard and text input (TerminalViewKeyboard.cpp).
    // A key handed to the key bindings while the program takes keyboard-protocol events, kept so that
    // the text or command it gives is encoded with its modifiers.
    struct PendingKittyKeyEvent {
        TerminalKeyEvent event;
        KittyKeyboardEventType eventType;
    };
    void keyDown(const TerminalKeyEvent& event);
    void keyUp(const TerminalKeyEvent& event);
    // A modifier key went down or up.
    void flagsChanged(const TerminalKeyEvent& event, bool pressed);
    // What the platform's text system would do with a key: an editing command or the key's text.
    void interpretKeyEvent(const TerminalKeyEvent& event);
    // On a right-to-left row whose program asked for it (mode 1243) the left and right arrows are
    // exchanged, so the key pointing left moves the cursor left on the screen; other keys pass as they are.
    bool horizontalKeysSwapped();
    KittyFunctionalKey horizontalKeyOnScreen(KittyFunctionalKey key);
    bool sendFunctionalKey(KittyFunctionalKey key, const TerminalKeyEvent& event, KittyKeyboardEventType eventType);
    KittyKeyboardModifiers kittyModifiers(const TerminalKeyEvent& event, bool optionIsAlt) const;
    void toggleOptionAsMetaKey() { m_optionAsMetaKey = !m_optionAsMetaKey; }
    std::optional<PendingKittyKeyEvent> m_pendingKittyKeyEvent;
    bool m_kittyIsComposing = false;
    QString m_markedText;

public:
    // Input-method answers and the composing overlay (TerminalViewTextInput.cpp).
    // Characters counted row by row over the buffer: row × columns + column.
    struct TextRange {
        qsizetype location = 0;
        qsizetype length = 0;
        bool operator==(const TextRange&) const = default;
    };
    // The active selection as a range, else the cursor's place with length 0.
    TextRange selectedRange() const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // Shows the marked text at the caret in the view's font and colours, or drops the overlay when
    // nothing is being composed.
    void updateMarkedTextOverlay();
    DictationOverlayTextView* markedTextOverlay() const { return m_markedTextOverlay; }

private:
    DictationOverlayTextView* m_markedTextOverlay = nullptr;

public:
    // Searching the terminal's text (TerminalViewFind.cpp). A match is shown as the selection.
    // The match after (before) the selection, wrapping around; with `scrollToResult` a match off the
    // screen is scrolled to its middle. Not found: an active selection is cleared and false returned.
    bool findNext(const QString& term, const SearchOptions& options, bool scrollToResult = true);
    bool findPrevious(const QString& term, const SearchOptions& options, bool scrollToResult = true);
    // Forgets the search and clears an active selection.
    void clearSearch();
    // The current match's 1-based place among at most `limit` matches (0 when it is not among them)
    // and their count.
    std::pair<int, int> searchMatchSummary(const QString& term, const SearchOptions& options, int limit);

    // Find commands and menu validation (TerminalViewFindCommands.cpp, TerminalViewValidation.cpp).
    // Whether the view would carry out a command now; an unknown one is written to standard output
    // and refused. The answers may change whenever menuStateChanged() is emitted (the selection
    // changed).
    bool validateUserInterfaceItem(const UserInterfaceItem& item) const;
    Q_SIGNAL void menuStateChanged();
    // By tag: show the find bar (1), find next (2) or previous (3), use the selection for find (7);
    // the text-finder variant also hides the bar (11). Other tags do nothing.
    void performFindPanelAction(int tag);
    void performTextFinderAction(int tag);
    // Shows the find bar with the selected text (when asked and there is some) or the application's
    // find term, searches for it, and gives the bar's field the focus.
    void showFindBar(bool prefillSelection);
    // The find bar; null until first shown.
    TerminalFindBarView* findBar() const { return m_findBar; }
    const QString& findBarTerm() const { return m_findBarTerm; }
    const SearchOptions& findBarOptions() const { return m_findBarOptions; }

private:
    SearchService& searchService();
    // The view's selection, made on first use.
    SelectionService& ensureSelection();
    bool runFind(bool forward, const QString& term, const SearchOptions& options, bool scrollToResult);
    // Scrolls a ring row that is off the screen to the screen's middle; not on the alternate screen.
    void scrollToReveal(int row);
    // Line texts the search read are stale after output, a resize or another buffer.
    void invalidateSearch();
    void performFind(bool next);
    void setFindPasteboardFromSelection();
    TerminalFindBarView& ensureFindBar();
    void handleFindBarSearchChanged(const QString& term);
    void closeFindBar();

    void setup(QSize initialSize);
    void setupOptions(double width, double height);
    void resetFont();
    double usableWidth(double width) const;
    void setupScroller();
    void layoutScroller();
    void updateScroller();
    void scrollerActivated(int action);
    void updateUserScrollingState(int row);
    void markFullScreenForRedraw();
    void setupProgressBar();
    void layoutProgressBar();
    void handleProgressReport(const ProgressReport& report);
    void resetProgressReportTimer();
    void clearProgressReport();
    void scheduleTextBlinkTick();
    void cancelTextBlinkTimer();
    void markBlinkRowsDirty(const std::vector<int>& rows);
    void runPendingDisplay();
    CellStyle makeStyle(const Attribute& attribute, bool withUrl);
    void setNativeColor(std::optional<QColor>& stored, bool& setting, const QColor& color,
                        void (Terminal::*report)(const Color&));
    // The widget's background: the default background as drawn.
    void applyBackgroundColor();
    // The raw faces and the font identity follow a new font set.
    void fontSetChanged();
    // `metrics` are the normal face's, which place the baseline.
    void drawRow(QPainter& painter, int row, const BufferLine& line, const QRectF& rowRect,
                 const QFontMetricsF& metrics, KittyPlaceholderImages& placeholderImages);
    // Each placeholder cell shows its piece of its virtual placement's image, aspect-fitted.
    void drawPlaceholderImages(QPainter& painter, const std::vector<KittyPlaceholderCell>& cells, const QRectF& rowRect,
                               KittyPlaceholderImages& placeholderImages);
    void drawRun(QPainter& painter, const ViewLineSegment& segment, const ViewLineRun& run, double baseline);
    // The text of one run, in its foreground colour.
    void drawRunGlyphs(QPainter& painter, const ViewLineSegment& segment, const ViewLineRun& run, double baseline);
    // Underline and strike-through for the cells of one run.
    void drawRunAttributes(QPainter& painter, const ViewLineSegment& segment, const ViewLineRun& run, double baseline);
    void drawImages(QPainter& painter, const std::vector<const AppleImage*>& images, const QRectF& rowRect);
    // The size in logical pixels an inline image is drawn at; none when it is empty or would pass the
    // largest image side in device pixels.
    std::optional<QSizeF> inlineImageSize(QSize imageSize, const ImageSizeRequest& widthRequest,
                                          const ImageSizeRequest& heightRequest, bool preserveAspectRatio) const;

    // Declared first: the terminal holds a pointer to it and is destroyed before it.
    QtMainQueue m_mainQueue { this };
    TerminalViewDelegate* m_terminalDelegate = nullptr;
    AccessibilityService m_accessibility;
    QPointer<TerminalDebugView> m_debug;
    std::optional<QSizeF> m_cellDimension;
    bool m_fontSmoothing = true;
    double m_lineSpacing = 1.0;
    std::unique_ptr<Terminal> m_terminal;
    std::shared_ptr<SelectionService> m_selection;
    MainQueue* m_displayQueue = &m_mainQueue;
    // Set from other threads by displayImmediately().
    std::atomic<bool> m_pendingDisplay { false };
    // Cancels the waiting redraw when the view goes.
    std::shared_ptr<MainQueue::Handle> m_pendingDisplayHandle;
    // Monotonic time of the last user input on the display queue's clock; 0 for never. Written by
    // send() and read by feeds that may come from other threads.
    mutable std::mutex m_userInputLock;
    std::chrono::nanoseconds m_lastUserInput { 0 };
    // A child widget, destroyed by the view's destructor before the main queue it blinks on.
    CaretView* m_caretView = nullptr;
    // What the rows show under the caret's box, drawn once and kept for the blink's frames; null
    // after output or a repaint of any part of it.
    QPixmap m_caretBackdrop;
    QRect m_caretBackdropBox;
    // Paints a repaint that lies within the caret's box from the kept backdrop; false for any other.
    bool paintCaretBackdrop(QPainter& painter, const QRegion& region);
    QScrollBar* m_scroller = nullptr;
    // Caches of what cells draw as, emptied whole when they reach their bound.
    std::unordered_map<AttributeKey, CellStyle> m_attributes;
    std::unordered_map<AttributeKey, CellStyle> m_urlAttributes;
    std::array<std::optional<QColor>, 256> m_colors;
    std::unordered_map<Attribute::Color, QColor> m_trueColors;
    bool m_disableFullRedrawOnAnyChanges = false;
    FontSet m_fontSet;
    // Raw faces of the font set, made when first drawn with.
    std::array<std::optional<QRawFont>, 4> m_rawFonts;
    // Made by the first paint.
    std::unique_ptr<RowDrawingBuffers> m_rowDrawing;
    // For each screen row, the columns its pixels may differ from the background in, as the paints so
    // far left them; empty until the first paint.
    std::vector<int> m_shownInkColumns;
    // After a paint of `painted`: a row painted over all it showed now shows only its own ink.
    void noteShownInk(const QRegion& painted);
    // Names the font set for the bidi caches; a new font set gets a new one.
    uint64_t m_fontIdentity = nextIdentityToken();
    bool m_textBlinkVisible = true;
    std::shared_ptr<MainQueue::Handle> m_textBlinkTimer;
    bool m_textBlinkObserved = false;
    bool m_textBlinkApplicationActive = false;
    const MotionPreference* m_motionPreference = &MotionPreference::system();
    // A child widget, destroyed by the view's destructor before the main queue it animates on.
    TerminalProgressBarView* m_progressBarView = nullptr;
    std::shared_ptr<MainQueue::Handle> m_progressReportTimer;
    std::optional<uint8_t> m_lastProgressValue;
    TerminalOptions m_startupOptions;
    bool m_backspaceSendsControlH = false;
    std::optional<QColor> m_nativeFg;
    std::optional<QColor> m_nativeBg;
    bool m_settingFg = false;
    bool m_settingBg = false;
    bool m_useBrightColors = true;
    BidiHostPolicy m_bidiHostPolicy = BidiHostPolicy::respectTerminal;
    bool m_customBlockGlyphs = true;
    bool m_antiAliasCustomBlockGlyphs = false;
    QColor m_selectedTextBackgroundColor = QColor::fromRgbF(0, 166 / 255.0f, 178 / 255.0f);
    QColor m_selectedTextForegroundColor = Qt::black;
    ScrollerStyle m_scrollerStyle = ScrollerStyle::overlay;
    bool m_allowMouseReporting = true;
    bool m_allowTitleReports = false;
    LinkReporting m_linkReporting = LinkReporting::implicit;
    LinkHighlightMode m_linkHighlightMode = LinkHighlightMode::hoverWithModifier;
    bool m_notifyUpdateChanges = false;
    bool m_userScrolling = false;
    bool m_hasFocus = false;
    bool m_optionAsMetaKey = true;
    double m_scrollSensitivity = 1.0;
    BellStyle m_bellStyle = BellStyle::sound;
    MetalBufferingMode m_metalBufferingMode = MetalBufferingMode::perRowPersistent;
    std::optional<std::pair<int, int>> m_metalDirtyRange;
    bool m_cursorColorIsDefault = true;
    bool m_cursorTextColorIsDefault = true;
    QColor m_caretColor;
    std::optional<QColor> m_caretTextColor;
    // Searching; declared after the terminal the search reads, so it goes first.
    std::unique_ptr<SearchService> m_search;
    // A child widget, made on first use.
    TerminalFindBarView* m_findBar = nullptr;
    QString m_findBarTerm;
    SearchOptions m_findBarOptions;

    // ---- GPU drawing (TerminalViewMetal.cpp) ------------------------------------------------------
    // Off by default, and nothing in the program switches it on: setUseMetal() is the only road. The
    // GPU surface (a child GL widget) is the renderer the view manages: made, rebound to a new
    // window, replaced after a failure, dropped for drawing on the processor after a second failure
    // within 30 s, and kept after retirement until its frame in flight completes.
public:
    // Throws MetalError when switching on fails (no GL: deviceUnavailable); drawing then stays on the
    // processor.
    void setUseMetal(bool enabled);
    bool isUsingMetalRenderer() const { return m_useMetalRenderer; }
    const MetalRendererStatus& metalRendererStatus() const { return m_metalRendererStatus; }
    // The GPU surface while GPU drawing is on.
    QWidget* metalView() const;
    MetalSurface* metalSurface() const { return m_metalView.get(); }
    // What draws the surface's frames; nothing before its GL context exists.
    MetalTerminalRenderer* metalRenderer() const;
    // Surfaces retired with a frame in flight, kept until the frame completes.
    const std::vector<std::unique_ptr<MetalSurface>>& retiredMetalRenderers() const { return m_retiredMetalRenderers; }
    std::optional<double> metalScaleFactorOverride() const { return m_metalScaleFactorOverride; }
    void setMetalScaleFactorOverride(std::optional<double> scale);
    // Draws one GPU frame at once.
    void drawMetalFrameNow();
    // The surface is on and could draw: shown in a visible, exposed, not minimised window, with a size.
    bool isMetalRendererEligibleForRetry() const;
    // From the surfaces, on the main thread; calls from one that is no longer current change nothing.
    void metalRendererDidPresentAt(MetalSurface& renderer, std::chrono::system_clock::time_point at);
    void metalRendererRequiresRecovery(MetalSurface& renderer, const MetalRendererRecoveryReport& report);
    // A retired surface's last frame completed: it is dropped.
    void removeRetiredMetalRenderer(MetalSurface& renderer);
    // A GPU frame 16.67 ms out; at most one waits.
    void queueMetalDisplay();
    // Where GPU surfaces come from: GL unless another is set (it must outlive the view).
    void setMetalSurfaceFactory(MetalSurfaceFactory& factory) { m_metalSurfaceFactory = &factory; }
    // Whether a GPU view being resized only queues paced frames: on unless
    // ZENTROVA_METAL_LIVE_RESIZE_THROTTLE is exactly "0", "false" or "FALSE". Read once per process.
    static bool metalLiveResizeThrottleEnabled();
    static bool metalLiveResizeThrottleEnabled(const char* value);

private:
    void updateMetalRenderer(bool enabled);
    void insertMetalView(MetalSurface& view, MetalSurface* replacing);
    // The surface loses its delegate and leaves the view's drawing.
    void removeMetalView(MetalSurface& view);
    void metalWindowChanged();
    void rebindMetalRendererToWindow(QWidget* window);
    void replaceMetalRendererAfterFailure();
    std::unique_ptr<MetalSurface> makeSuccessorMetalSurface();
    void disableMetalRendererAfterRebindFailure(const MetalError& error);
    void retireMetalRenderer(std::unique_ptr<MetalSurface> renderer);
    // Recovering (keeping count and date) with a recovery interval open.
    void beginMetalRecovery();
    void setMetalRendererStatus(const MetalRendererStatus& status);
    void updateMetalWindowRecoveryObservers();
    void metalFrameSizeChanged();
    // The caret shows on the processor path; the GPU renderer draws the cursor itself.
    void showCaretForProcessorDrawing();
    // With a GPU view: the rows for the renderer and the cursor it last drew.
    void noteMetalDirtyRows(int first, int last);
    void noteMetalCursor();

    MetalSurfaceFactory* m_metalSurfaceFactory = nullptr;
    std::unique_ptr<MetalSurface> m_metalView;
    std::vector<std::unique_ptr<MetalSurface>> m_retiredMetalRenderers;
    MetalAutomaticRecoveryPolicy m_automaticMetalRecoveryPolicy;
    QPointer<QObject> m_metalWindowRecoveryObserver;
    bool m_metalRecoverySignpostOpen = false;
    bool m_useMetalRenderer = false;
    MetalRendererStatus m_metalRendererStatus;
    QPointer<QWidget> m_metalBoundWindow;
    bool m_pendingMetalDisplay = false;
    std::shared_ptr<MainQueue::Handle> m_pendingMetalDisplayHandle;
    struct RenderedCursor {
        int x = 0;
        int y = 0;
        bool hidden = false;
        bool operator==(const RenderedCursor&) const = default;
    };
    std::optional<RenderedCursor> m_lastRenderedCursor;
    std::optional<double> m_metalScaleFactorOverride;
    // Monotonic time of the last size change, for telling a live resize.
    std::optional<std::chrono::nanoseconds> m_lastMetalFrameSizeChange;
    // ---- End of GPU drawing -----------------------------------------------------------------------
public:
    // Pointer input, hit testing and links (TerminalViewMouse.cpp, TerminalViewHitTesting.cpp,
    // TerminalViewLinks.cpp). The link modifier is Ctrl, as Linux terminals open links with Ctrl-click.
    using LinkRowRanges = std::vector<LinkMatch::RowRange>;
    // A link to open, and the parameters its hyperlink carried.
    struct LinkAndParams {
        QString link;
        QHash<QString, QString> params;
        bool operator==(const LinkAndParams&) const = default;
    };
    // Where a point of the view falls.
    struct MouseHit {
        // Column and buffer row, clamped to the grid and the stored lines; on a row drawn reordered,
        // the logical column of the cell shown there.
        Position grid;
        // Logical pixels from the top-left corner, clamped to the view.
        Position pixels;
    };
    MouseHit calculateMouseHit(QPointF point);
    // The xterm button value of a primary- or middle-button event: 3 for a release (or when
    // `overwriteRelease` asks for no button), else 0 or 1, with the modifier bits in the modes that
    // report them.
    int encodeMouseEvent(const QMouseEvent& event, bool overwriteRelease) const;
    // The hyperlink text (parameters, ";", URL) of a buffer cell; the right half of a wide character
    // gives its left half's.
    std::optional<QString> payloadString(const Position& at);
    // Marks the on-screen rows of both ranges dirty; the caller queues the redraw.
    void invalidateLinkHighlight(const std::optional<LinkRowRanges>& oldRange, const std::optional<LinkRowRanges>& newRange);
    // The link a release at `at` opens under the highlight mode; Ctrl is `hasCommandModifier`.
    std::optional<LinkAndParams> linkForClick(const Position& at, bool hasCommandModifier);
    // Splits a hyperlink text at its first ";": the parameters ("key=value" items separated by ":")
    // before it, the URL (which may hold ";" itself) after it. Nothing without a ";".
    static std::optional<LinkAndParams> urlAndParamsFrom(const QString& payload);
    // Shows the URL of a hyperlink text in a label at the bottom-left corner.
    void previewUrl(const QString& payload);
    // Ends Ctrl's link preview: the label goes and the highlight it showed is cleared.
    void turnOffUrlPreview();
    void reportLink(const Position& at);
    // Highlights the link at `at` in the hover modes; `commandOverride` stands for whether Ctrl is held.
    void updateHoverLink(const Position& at, std::optional<bool> commandOverride);
    const std::optional<LinkRowRanges>& linkHighlightRange() const { return m_linkHighlightRange; }
    bool commandActive() const { return m_commandActive; }
    QLabel* urlPreview() const { return m_urlPreview; }
    const std::optional<QString>& lastReportedLink() const { return m_lastReportedLink; }
    // Lines per autoscroll tick of a selection dragged past an edge; negative upwards.
    int autoScrollDelta() const { return m_autoScrollDelta; }
    int semanticDeferralScheduleCount() const { return m_semanticDeferralScheduleCount; }
    bool hasPendingSemanticClick() const { return m_pendingSemanticClick.has_value(); }
    // A URL with a scheme as it stands; otherwise a path ("~" expanded) to a file that exists, as it
    // stands or without a ":line" or ":line:column" suffix; else nothing.
    static std::optional<QUrl> defaultLinkURL(const QString& link);
    // Opens defaultLinkURL(link) with the desktop's handler; nothing when there is none.
    static void openDefaultLink(const QString& link);
    // Pointer moves are delivered (mouse tracking) while the child wants every move, Ctrl is held or
    // links highlight on hover.
    void startTracking();
    void deregisterTrackingInterest();
    void mouseModeChanged(Terminal& source) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // A prompt click waiting out the double-click interval; its row is found again by its line object.
    struct PendingSemanticClick {
        const BufferLine* line = nullptr;
        uint64_t recycleGeneration = 0;
        Position position;
        SemanticPromptClickModifiers modifiers;
        SemanticPromptPointerSnapshot snapshot;
    };
    struct LastPress {
        quint64 timestamp = 0;
        QPointF position;
        int clickCount = 0;
    };
    void mouseDown(const QMouseEvent& event, int clickCount);
    void mouseUp(const QMouseEvent& event);
    // The middle button: reported to a program that takes the mouse, else a paste of the primary
    // selection.
    void middleButton(const QMouseEvent& event);
    // A selection made with the mouse becomes the primary selection, where the platform has one.
    void setPrimarySelectionFromSelection();
    void mouseDragged(const QMouseEvent& event);
    void mouseMoved(const QMouseEvent& event);
    void scrollWheel(const QWheelEvent& event);
    // Qt reports double clicks but not triple ones: presses within the double-click interval and
    // distance of the previous one count up.
    int clickCountFor(const QMouseEvent& event, bool doubleClick);
    bool mouseReportingApplies(Qt::KeyboardModifiers modifiers) const;
    void sharedMouseEvent(const QMouseEvent& event);
    void sendMouseReport(int buttonFlags, const MouseHit& hit);
    void startSelectionAutoScrollTimer();
    void stopSelectionAutoScrollTimer();
    void scrollingTimerElapsed();
    void runPendingSemanticClick();
    // The link modifier (Ctrl) went down or up.
    void commandKeyChanged(bool down);
    void setLinkHighlightRange(std::optional<LinkRowRanges> range);
    // Whether a cell at (buffer row, column) is drawn as a link.
    bool linkHighlighted(const CharData& cell, int row, int col) const;

    SemanticPromptPointerSnapshot m_pointerPressSnapshot;
    bool m_didSelectionDrag = false;
    std::optional<PendingSemanticClick> m_pendingSemanticClick;
    QTimer* m_semanticClickTimer = nullptr;
    int m_semanticDeferralScheduleCount = 0;
    std::optional<LastPress> m_lastPress;
    // The cell of the last press the view handled itself, where a drag's selection starts.
    std::optional<Position> m_selectionPressPosition;
    int m_autoScrollDelta = 0;
    QTimer* m_selectionAutoScrollTimer = nullptr;
    std::optional<QPointF> m_lastSelectionDragPoint;
    // Pixels of precise (touchpad) scrolling not yet a whole line.
    double m_scrollAccumulator = 0;
    bool m_commandActive = false;
    std::optional<LinkRowRanges> m_linkHighlightRange;
    // A child label, made on first use and deleted when the preview ends.
    QLabel* m_urlPreview = nullptr;
    std::optional<QString> m_lastReportedLink;
};

} // namespace zentrova
