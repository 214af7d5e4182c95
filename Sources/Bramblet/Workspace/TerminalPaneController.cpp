#include "Bramblet/Workspace/TerminalPaneController.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/ActivatableStack.h"
#include "Bramblet/Theme/Theme.h"

#include <QBoxLayout>
#include <QToolButton>

namespace bramblet {

TerminalPaneController::TerminalPaneController(PaneController* files, QWidget* parent)
    : ColorView(Theme::pane(), true, parent)
    , m_files(files)
    , m_activeRule(new ColorView(Theme::border()))
{
    m_activeRule->setFixedHeight(3);

    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QList<QWidget*> headerViews { spacer };
    if (files->addButton())
        headerViews.append(files->addButton());
    if (files->closeButton())
        headerViews.append(files->closeButton());
    m_header = Theme::activatableStack(headerViews, Qt::Horizontal, 8);
    m_header->boxLayout()->setContentsMargins(12, 8, 12, 8);
    m_header->setFixedHeight(42);
    m_header->activated = [this] {
        if (activated)
            activated();
    };

    auto* content = new QWidget;
    Theme::pin(files, content, 0);

    auto* column = Theme::stack({ m_activeRule, m_header, content }, Qt::Vertical, 0);
    for (auto* view : { static_cast<QWidget*>(m_activeRule), static_cast<QWidget*>(m_header), content })
        column->boxLayout()->setAlignment(view, {});
    column->boxLayout()->setStretchFactor(content, 1);
    Theme::pin(column, this, 0);
}

void TerminalPaneController::setActive(bool active)
{
    m_isActive = active;
    m_activeRule->setColor(active ? Theme::amber() : Theme::border());
}

void TerminalPaneController::focus()
{
    m_files->focus();
}

void TerminalPaneController::open(const std::filesystem::path&)
{
}

void TerminalPaneController::showFiles()
{
    m_files->show();
}

} // namespace bramblet
