#pragma once

#include "Zentrova/Host/MainQueue.h"
#include "Zentrova/Screen/CharData.h"
#include "Zentrova/Screen/CursorStyle.h"

#include <QPointer>
#include <QString>
#include <QPixmap>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

namespace zentrova {

class TerminalView;

// The cursor: a child of the terminal view placed over the cursor cell. It draws a filled block with
// the character under it in the caret text colour, an underline or a bar; a hollow box while the view
// has no focus. Blinking styles fade its opacity from 1 to 0 and back on the main queue's clock, while
// the caret shows in the active window. Clicks pass through it to the view underneath.
//
// A fade frame costs one small blit: the caret is drawn once into an image, and a frame comes only
// when the opacity moves to its next level.
class CaretView final : public QWidget {
    Q_OBJECT

public:
    // One fade from opaque to clear; the way back takes as long.
    static constexpr std::chrono::milliseconds blinkDuration { 700 };
    // The opacities a fade passes through, 1/fadeLevels apart.
    static constexpr int fadeLevels = 10;
    // The shortest time between two frames of the fade (one frame at 60 Hz).
    static constexpr std::chrono::milliseconds minimumFrameGap { 16 };

    CaretView(TerminalView& terminal, CursorStyle style, MainQueue& queue);
    ~CaretView() override;

    CursorStyle style() const { return m_style; }
    // Takes effect at the next updateCursorStyle().
    void setStyle(CursorStyle style) { m_style = style; }
    // When off the caret always looks focused.
    bool tracksFocus() const { return m_tracksFocus; }
    void setTracksFocus(bool on) { m_tracksFocus = on; }
    bool focused() const { return m_focused; }
    // The queue whose clock paces the blink; a running blink restarts on it.
    void setQueue(MainQueue& queue);
    void setFocused(bool on) { m_focused = on; }

    // The cell under the cursor: its character (a space while blinking text is hidden), its width
    // and its attribute.
    void setText(const CharData& cell);
    QString text() const { return m_text; }
    int glyphColumnWidth() const { return m_glyphColumnWidth; }

    // Restarts or stops the blink for the style and focus, and redraws.
    void updateCursorStyle();
    // Starts the blink when `focused`, else leaves the caret steady and opaque.
    void updateAnimation(bool focused);
    // Stops blinking, leaving the caret opaque.
    void disableAnimations();
    bool blinking() const { return m_blinkStart.has_value(); }
    // The current opacity, 1 when steady.
    double opacity() const { return m_opacity; }
    // Whether fade frames run: a blinking caret shown in the active window.
    bool animating() const { return m_blinkFrame->isActive(); }

    // The focus the look follows: the view's while tracking it, else always focused.
    bool drawsFocused() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    // What the caret's image depends on besides the cell under it and the font (which setText() and
    // updateCursorStyle() answer for).
    struct Look {
        QSize size;
        double ratio = 1;
        CursorStyle style = CursorStyle::blinkBlock;
        bool focused = false;
        QRgb caretColor = 0;
        QRgb textColor = 0;
        bool customBlockGlyphs = false;
        bool operator==(const Look&) const = default;
    };
    Look currentLook() const;
    // Whether frames may run now: shown, in the active window.
    bool mayAnimate() const;
    // Starts frames when the blink and the window allow them, else stops them at full opacity.
    void resumeOrPauseFrames();
    void scheduleBlinkFrame();
    void blinkFrameDue();
    // The opacity shown `intoPeriod` into a blink period (out and back), at one of the fade's levels.
    static double fadeOpacity(std::chrono::nanoseconds intoPeriod);
    // How long after `intoPeriod` the shown opacity next changes.
    static std::chrono::nanoseconds untilNextLevel(std::chrono::nanoseconds intoPeriod);
    void drawCaret(QPainter& painter);
    void drawGlyph(QPainter& painter, const QColor& color);

    QPointer<TerminalView> m_terminal;
    MainQueue* m_queue;
    CursorStyle m_style;
    bool m_tracksFocus = true;
    bool m_focused = false;
    QString m_text;
    int m_glyphColumnWidth = 1;
    // The cell's code when it is a solid powerline separator, drawn as a shape rather than from the font.
    std::optional<uint32_t> m_powerlineCodePoint;
    Attribute m_attribute;
    // The caret at full opacity, and what it was drawn for; null when the cell under it changed.
    QPixmap m_image;
    Look m_imageLook;
    // The blink's clock is the main queue's, not Qt's timer.
    std::optional<std::chrono::nanoseconds> m_blinkStart;
    // Armed for the next frame while the fade runs; made once per queue.
    std::unique_ptr<MainQueue::Timer> m_blinkFrame;
    double m_opacity = 1;
};

} // namespace zentrova
