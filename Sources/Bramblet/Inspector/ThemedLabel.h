#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QLabel>

namespace bramblet {

// A text label in the application font and an adaptive colour, which follows switches of the
// appearance. It shows at most `maximumLines()` lines: one line is truncated in the middle to the
// label's width, more wrap at word boundaries and are cut after the last allowed line. It can be
// made narrower than its text, so a long name never widens the panel it sits in.
class ThemedLabel : public QLabel {
    Q_OBJECT

public:
    ThemedLabel(const QString& text, const QFont& font, const AdaptiveColor& color, QWidget* parent = nullptr);

    // The whole text; text() is what is shown, which may be truncated.
    const QString& fullText() const { return m_fullText; }
    void setFullText(const QString& text);

    const AdaptiveColor& color() const { return m_color; }
    void setColor(const AdaptiveColor& color);

    int maximumLines() const { return m_maximumLines; }
    void setMaximumLines(int lines);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyColor();
    void showText();

    QString m_fullText;
    AdaptiveColor m_color;
    int m_maximumLines = 1;
};

} // namespace bramblet
