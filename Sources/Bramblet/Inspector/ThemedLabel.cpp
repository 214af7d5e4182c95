#include "Bramblet/Inspector/ThemedLabel.h"

#include "Bramblet/Theme/ApplicationAppearance.h"

#include <QFontMetrics>
#include <QtMath>

namespace bramblet {

ThemedLabel::ThemedLabel(const QString& text, const QFont& font, const AdaptiveColor& color, QWidget* parent)
    : QLabel(parent)
    , m_fullText(text)
    , m_color(color)
{
    setFont(font);
    setTextFormat(Qt::PlainText);
    applyColor();
    showText();
    connect(&ApplicationAppearance::shared(), &ApplicationAppearance::effectiveAppearanceChanged, this,
            &ThemedLabel::applyColor);
}

void ThemedLabel::setFullText(const QString& text)
{
    m_fullText = text;
    showText();
    updateGeometry();
}

void ThemedLabel::setColor(const AdaptiveColor& color)
{
    m_color = color;
    applyColor();
}

void ThemedLabel::setMaximumLines(int lines)
{
    m_maximumLines = qMax(1, lines);
    setWordWrap(m_maximumLines > 1);
    if (m_maximumLines > 1) {
        const QMargins margins = contentsMargins();
        setMaximumHeight(m_maximumLines * fontMetrics().lineSpacing() + margins.top() + margins.bottom());
    } else {
        setMaximumHeight(QWIDGETSIZE_MAX);
    }
    showText();
    updateGeometry();
}

QSize ThemedLabel::sizeHint() const
{
    if (m_maximumLines > 1)
        return QLabel::sizeHint();
    // Measured on the whole text, so that truncating what is shown never shrinks the request;
    // rounded up, so that the text it measures is never truncated for a fraction of a pixel.
    const QMargins margins = contentsMargins();
    const int textWidth = qCeil(QFontMetricsF(font()).horizontalAdvance(m_fullText)) + 1;
    return QSize(textWidth + margins.left() + margins.right(), QLabel::sizeHint().height());
}

QSize ThemedLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ThemedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showText();
}

void ThemedLabel::applyColor()
{
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, m_color.resolved());
    colors.setColor(QPalette::Text, m_color.resolved());
    setPalette(colors);
}

void ThemedLabel::showText()
{
    if (m_maximumLines > 1) {
        QLabel::setText(m_fullText);
        return;
    }
    QLabel::setText(fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, contentsRect().width()));
}

} // namespace bramblet
