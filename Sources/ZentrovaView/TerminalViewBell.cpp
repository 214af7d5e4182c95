// The bell: the host's sound, a flash over the view, or both.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/TerminalViewDelegate.h"

#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

namespace zentrova {
namespace {

// A wash of the foreground colour over the whole view whose opacity the flash animates.
class VisualBellFlash final : public QWidget {
public:
    VisualBellFlash(QWidget* parent, const QColor& color)
        : QWidget(parent)
        , m_color(color)
    {
        setObjectName("visualBell");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->rect());
    }

    void setOpacity(double opacity)
    {
        m_opacity = opacity;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setOpacity(m_opacity);
        painter.fillRect(rect(), m_color);
    }

private:
    QColor m_color;
    double m_opacity = 0;
};

} // namespace

void TerminalView::bell(Terminal&)
{
    const bool sound = m_bellStyle == BellStyle::sound || m_bellStyle == BellStyle::soundAndVisual;
    const bool visual = m_bellStyle == BellStyle::visual || m_bellStyle == BellStyle::soundAndVisual;
    if (sound && m_terminalDelegate)
        m_terminalDelegate->bell(*this);
    if (visual)
        flashVisualBell();
}

void TerminalView::flashVisualBell()
{
    auto* flash = new VisualBellFlash(this, nativeForegroundColor());
    flash->show();
    flash->raise();
    // Owned by the flash, so both go together when it ends or when the view goes first.
    auto* animation = new QVariantAnimation(flash);
    animation->setDuration(200);
    animation->setKeyValueAt(0, 0.0);
    animation->setKeyValueAt(0.3, 0.35);
    animation->setKeyValueAt(1, 0.0);
    connect(animation, &QVariantAnimation::valueChanged, flash,
            [flash](const QVariant& value) { flash->setOpacity(value.toDouble()); });
    connect(animation, &QVariantAnimation::finished, flash, &QObject::deleteLater);
    animation->start();
}

} // namespace zentrova
