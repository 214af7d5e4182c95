#pragma once

#include "Zentrova/Host/MainQueue.h"
#include "Zentrova/Screen/CharData.h"
#include "Zentrova/Screen/CursorStyle.h"

#include <QPointer>
#include <QString>
#include <QVariantAnimation>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

namespace zentrova {

class TerminalView;

// The cursor: a child of the terminal view placed over the cursor cell. It draws a filled block with
// the character under it in the caret text colour, an underline or a bar; a hollow box while the view
// has no focus. Blinking styles fade its opacity from 1 to 0 and back on the main queue's clock.
// Clicks pass through it to the view underneath.
class CaretView final : public QWidget {
    Q_OBJECT

public:
    // One fade from opaque to clear; the way back takes as long.
    static constexpr std::chrono::milliseconds blinkDuration { 700 };
    // How often the fade is redrawn while it runs.
    static constexpr std::chrono::milliseconds blinkFrame { 16 };

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

    // The focus the look follows: the view's while tracking it, else always focused.
    bool drawsFocused() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void scheduleBlinkFrame();
    void blinkFrameDue();
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
    // Gives the eased opacity for a time into one fade; the clock is the main queue's, not Qt's timer.
    QVariantAnimation m_fade;
    std::optional<std::chrono::nanoseconds> m_blinkStart;
    std::shared_ptr<MainQueue::Handle> m_blinkFrame;
    double m_opacity = 1;
};

} // namespace zentrova
