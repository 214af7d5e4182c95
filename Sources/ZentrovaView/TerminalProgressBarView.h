#pragma once

#include "Zentrova/Engine/ProgressReport.h"
#include "Zentrova/Host/MainQueue.h"

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

namespace zentrova {

// The thin bar along the terminal's top edge that shows a program's progress report: a bar as wide
// as the percentage, or, with no percentage, a quarter-width segment sliding to and fro over a faint
// track. Orange while paused, red after an error, the highlight colour otherwise. Its animations run
// on the main queue's clock. Clicks pass through it.
class TerminalProgressBarView final : public QWidget {
    Q_OBJECT

public:
    static constexpr double barWidthRatio = 0.25;
    static constexpr std::chrono::milliseconds indeterminateDuration { 1200 };
    static constexpr std::chrono::milliseconds determinateDuration { 200 };
    static constexpr std::chrono::milliseconds frameInterval { 16 };
    static const QColor pauseColor;
    static const QColor errorColor;

    TerminalProgressBarView(QWidget* parent, MainQueue& queue);
    ~TerminalProgressBarView() override;

    // Shows a report; hidden exactly when the state is remove. A percentage grows or shrinks the bar
    // over a fifth of a second; none starts the sliding segment.
    void apply(ProgressReportState state, std::optional<uint8_t> progress);
    ProgressReportState state() const { return m_state; }
    std::optional<uint8_t> progress() const { return m_progress; }
    void setQueue(MainQueue& queue);

    // Where the bar stands now, in the widget's coordinates.
    QRectF barRect() const;
    bool trackVisible() const { return m_trackVisible; }
    bool indeterminateAnimationRunning() const { return m_slide.has_value(); }
    QColor barColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The bar set to a width, moving there from where it stands when `animated`.
    void showDeterminate(uint8_t progress, bool animated);
    void showIndeterminate();
    void stopAnimations();
    bool animating() const;
    void scheduleFrame();

    MainQueue* m_queue;
    ProgressReportState m_state = ProgressReportState::remove;
    std::optional<uint8_t> m_progress;
    bool m_trackVisible = false;
    // The determinate bar's width moves from `from` to `to` starting at `start`.
    struct Growth {
        double from = 0;
        double to = 0;
        std::chrono::nanoseconds start {};
    };
    Growth m_growth;
    // The sliding segment's animation started at this time; none when it does not slide.
    std::optional<std::chrono::nanoseconds> m_slide;
    // Computes eased values for a time; never runs on its own.
    mutable QVariantAnimation m_easing;
    std::shared_ptr<MainQueue::Handle> m_frame;
};

} // namespace zentrova
