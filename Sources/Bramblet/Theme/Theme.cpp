#include "Bramblet/Theme/Theme.h"

#include "Bramblet/Theme/ActivatableStack.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QGridLayout>
#include <QPushButton>
#include <QtMath>

namespace bramblet::Theme {
namespace {

void arrange(StackView* stack, const QList<QWidget*>& views, Qt::Orientation orientation, int spacing)
{
    stack->setOrientation(orientation);
    stack->boxLayout()->setSpacing(spacing);
    for (QWidget* view : views)
        stack->addArrangedSubview(view);
}

} // namespace

QFont font(qreal size, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(qMax(1, qRound(size)));
    font.setWeight(weight);
    return font;
}

QPushButton* primaryActionButton(const QString& title, QObject* target, std::function<void()> action)
{
    auto* button = new QPushButton(title);
    button->setFlat(true);
    button->setFont(font(15, QFont::DemiBold));
    // The fill keeps the brand orange in both appearances.
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; border: none;"
                                         " border-radius: 7px; padding: 5px 14px; }")
                              .arg(orangeBase().light().name()));
    if (action)
        QObject::connect(button, &QPushButton::clicked, target ? target : button, std::move(action));
    return button;
}

StackView* stack(const QList<QWidget*>& views, Qt::Orientation orientation, int spacing)
{
    auto* result = new StackView;
    arrange(result, views, orientation, spacing);
    return result;
}

ActivatableStack* activatableStack(const QList<QWidget*>& views, Qt::Orientation orientation, int spacing)
{
    auto* result = new ActivatableStack;
    arrange(result, views, orientation, spacing);
    return result;
}

void pin(QWidget* view, QWidget* container, int inset)
{
    auto* grid = qobject_cast<QGridLayout*>(container->layout());
    if (!grid && container->layout()) {
        qWarning("Theme::pin: the container is already laid out by another kind of layout");
        return;
    }
    if (!grid) {
        grid = new QGridLayout(container);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(0);
    }
    // Each pinned view gets its own insets, so it sits in a box of its own in the one grid cell.
    auto* box = new QVBoxLayout;
    box->setContentsMargins(inset, inset, inset, inset);
    box->addWidget(view);
    grid->addLayout(box, 0, 0);
}

QString symbolName(const QString& placeName)
{
    static const std::pair<QString, QString> symbols[] = {
        { "Home", "house.fill" },         { "Download", "arrow.down.circle.fill" },
        { "Disk", "externaldrive.fill" }, { "Search", "magnifyingglass" },
        { "Settings", "gearshape.fill" }, { "Browser", "network" },
    };
    for (const auto& [place, symbol] : symbols) {
        if (place == placeName)
            return symbol;
    }
    return QStringLiteral("folder.fill");
}

} // namespace bramblet::Theme
