#include "Bramblet/Theme/ApplicationAppearance.h"

#include "Bramblet/Theme/Theme.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QThread>

namespace bramblet {
namespace {

Appearance platformAppearance()
{
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5 ? Appearance::dark
                                                                                 : Appearance::light;
}

// The stock widgets' palette for one look, built from the theme's own colours.
QPalette paletteFor(Appearance appearance)
{
    const auto color = [appearance](const AdaptiveColor& c) { return c.resolved(appearance); };
    // Windows without painted chrome of their own (alerts, the Operations window, menus) take the
    // surface the panes show, not the bare window colour, which is black in the dark look.
    const QColor window = color(Theme::pane());
    const QColor primary = color(Theme::primary());
    const QColor muted = color(Theme::muted());
    QPalette palette(color(Theme::sidebar()), window); // derives the bevel shades from the button colour
    palette.setColor(QPalette::WindowText, primary);
    palette.setColor(QPalette::Base, color(Theme::pane()));
    palette.setColor(QPalette::AlternateBase, color(Theme::sidebar()));
    palette.setColor(QPalette::Text, primary);
    palette.setColor(QPalette::ButtonText, primary);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, color(Theme::cyan()));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, color(Theme::cyan()));
    palette.setColor(QPalette::PlaceholderText, muted);
    palette.setColor(QPalette::ToolTipBase, color(Theme::sidebar()));
    palette.setColor(QPalette::ToolTipText, primary);
    palette.setColor(QPalette::Mid, color(Theme::border()));
    for (const auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, muted);
    return palette;
}

} // namespace

ApplicationAppearance& ApplicationAppearance::shared()
{
    QCoreApplication* application = QGuiApplication::instance();
    Q_ASSERT_X(application && QThread::currentThread() == application->thread(), "ApplicationAppearance",
               "used without an application or off the main thread");
    static QPointer<ApplicationAppearance> instance;
    if (!instance)
        instance = new ApplicationAppearance(application);
    return *instance;
}

ApplicationAppearance::ApplicationAppearance(QObject* application)
    : QObject(application)
    , m_effective(platformAppearance())
{
    // Every application palette change, ours or the platform's, reaches the application object.
    application->installEventFilter(this);
}

void ApplicationAppearance::setAppearance(std::optional<Appearance> appearance)
{
    m_appearance = appearance;
    // A palette without any role set resolves to the platform's.
    QGuiApplication::setPalette(appearance ? paletteFor(*appearance) : QPalette());
    reevaluate();
}

bool ApplicationAppearance::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ApplicationPaletteChange)
        reevaluate();
    return QObject::eventFilter(watched, event);
}

void ApplicationAppearance::reevaluate()
{
    const Appearance effective = m_appearance.value_or(platformAppearance());
    if (effective == m_effective)
        return;
    m_effective = effective;
    emit effectiveAppearanceChanged(effective);
}

} // namespace bramblet
