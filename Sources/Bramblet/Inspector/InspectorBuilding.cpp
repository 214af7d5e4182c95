// The building steps of InspectorController: the labels, rows and permission grid that make up
// the rebuilt content of the panel.

#include "Bramblet/Inspector/InspectorController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Theme/SquareCheckbox.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"

#include <QBoxLayout>
#include <QGridLayout>

namespace bramblet {
namespace {

struct Role {
    const char* label;
    int shift;
};
constexpr Role roles[] = { { "Owner", 6 }, { "Group", 3 }, { "Everyone", 0 } };

struct Permission {
    const char* header;
    int bit;
    const char* word;
};
constexpr Permission permissions[] = { { "R", 4, "Read" }, { "W", 2, "Write" }, { "X", 1, "Execute" } };

ThemedLabel* label(const QString& text, qreal size, QFont::Weight weight, const AdaptiveColor& color, int lines)
{
    auto* result = new ThemedLabel(text, Theme::font(size, weight), color);
    result->setMaximumLines(lines);
    return result;
}

void makeSelectable(QLabel* text)
{
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

} // namespace

void InspectorController::addView(QWidget* view, bool fullWidth)
{
    m_content->addArrangedSubview(view);
    if (fullWidth)
        m_content->boxLayout()->setAlignment(view, {});
}

void InspectorController::addTitle(const QString& text)
{
    addView(label(text, 16, QFont::DemiBold, Theme::primary(), 2), true);
}

void InspectorController::addText(const QString& text, const std::optional<AdaptiveColor>& color)
{
    ThemedLabel* view = label(text, 12, QFont::Normal, color.value_or(Theme::primary()), 4);
    makeSelectable(view);
    addView(view, true);
}

void InspectorController::addHeading(const QString& text)
{
    addView(label(text, 11, QFont::DemiBold, Theme::muted(), 1), false);
}

void InspectorController::row(const QString& labelText, const QString& value)
{
    ThemedLabel* name = label(labelText, 12, QFont::Normal, Theme::muted(), 1);
    name->setFixedWidth(66);
    ThemedLabel* shown = label(value, 12, QFont::Normal, Theme::primary(), 2);
    shown->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    makeSelectable(shown);
    addView(Theme::stack({ name, shown }, Qt::Horizontal, 8), true);
}

void InspectorController::addPath(const QString& path)
{
    ThemedLabel* view = label(path, 12, QFont::Normal, Theme::muted(), 1);
    makeSelectable(view);
    view->setToolTip(path);
    addView(view, true);
}

void InspectorController::permissionsGrid()
{
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(8);
    layout->setHorizontalSpacing(18);

    layout->addWidget(label(QString(), 15, QFont::Normal, Theme::primary(), 1), 0, 0, Qt::AlignLeading);
    for (int column = 0; column < 3; ++column) {
        ThemedLabel* header = label(QLatin1String(permissions[column].header), 11, QFont::DemiBold, Theme::muted(), 1);
        header->setAlignment(Qt::AlignCenter);
        layout->addWidget(header, 0, column + 1, Qt::AlignCenter);
    }
    for (int line = 0; line < 3; ++line) {
        const Role& role = roles[line];
        layout->addWidget(label(QLatin1String(role.label), 12, QFont::Normal, Theme::muted(), 1), line + 1, 0,
                          Qt::AlignLeading);
        for (int column = 0; column < 3; ++column) {
            const Permission& permission = permissions[column];
            // The tag carries the box's bit in its low byte and the role's shift above it.
            const int tag = permission.bit | (role.shift << 8);
            auto* box = new SquareCheckbox;
            box->setChecked(((m_currentMode >> role.shift) & permission.bit) != 0);
            const QString tip = QLatin1String(role.label) + QStringLiteral(": ") + QLatin1String(permission.word);
            box->setToolTip(tip);
            box->setAccessibleName(tip);
            box->setEnabled(m_permissionsEditable);
            connect(box, &QAbstractButton::clicked, this, [this, tag](bool on) { permissionToggled(tag, on); });
            layout->addWidget(box, line + 1, column + 1, Qt::AlignCenter);
        }
    }
    addView(grid, false);
}

void InspectorController::permissionToggled(int tag, bool on)
{
    if (!m_currentURL)
        return;
    const int shift = tag >> 8;
    const int bit = tag & 0xFF;
    const int mask = bit << shift;
    if (on)
        m_currentMode |= mask;
    else
        m_currentMode &= ~mask;
    // The panel is rebuilt by the next update() that brings the item's new bits.
    if (changePermissions)
        changePermissions(*m_currentURL, m_currentMode);
}

} // namespace bramblet
