#include "Bramblet/Workspace/WrappedText.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include <cmath>
#include <memory>

namespace bramblet {

namespace {

constexpr int narrowestWidth = 160;

} // namespace

WrappedText::WrappedText(const QString& text, bool selectable, QWidget* parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFocusPolicy(Qt::NoFocus);
    setTextInteractionFlags(selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
    // The window's own background and text colour, as a label has.
    setBackgroundRole(QPalette::Window);
    setForegroundRole(QPalette::WindowText);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(false);
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    colors.setColor(QPalette::Text, colors.color(QPalette::WindowText));
    setPalette(colors);
    document()->setDocumentMargin(0);
    setPlainText(text);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrappedText::setTallest(int height)
{
    m_tallest = height;
    updateGeometry();
}

int WrappedText::textHeight(int width) const
{
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setTextWidth(width);
    return int(std::ceil(copy->size().height()));
}

int WrappedText::heightForWidth(int width) const
{
    return std::min(m_tallest, textHeight(width));
}

QSize WrappedText::sizeHint() const
{
    // The longest line unwrapped, as far as the preferred width.
    const QFontMetrics metrics(font());
    int longest = 0;
    for (const QString& line : toPlainText().split(u'\n'))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int width = std::min(preferredWidth, longest + 1);
    return { width, heightForWidth(width) };
}

QSize WrappedText::minimumSizeHint() const
{
    // As tall as at the preferred width: the height for a narrower one comes with the width.
    const QSize preferred = sizeHint();
    return { std::min(narrowestWidth, preferred.width()), preferred.height() };
}

void WrappedText::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    // Never cut off: a narrower text grows taller.
    const int needed = heightForWidth(event->size().width());
    if (minimumHeight() != needed)
        setMinimumHeight(needed);
}

} // namespace bramblet
