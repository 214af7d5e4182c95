#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/InspectorController.h"
#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Sidebar/SidebarController.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Theme/ToolbarAccentButton.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceSplitter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace bramblet {

namespace {

constexpr int toolbarHeight = 52;
constexpr int footerHeight = 30;
constexpr int defaultSidebarWidth = 208;
constexpr int defaultInspectorWidth = 288;

} // namespace

void WorkspaceController::configure()
{
    auto* content = new ColorView(Theme::window());
    m_window->setCentralWidget(content);

    QPointer<WorkspaceController> self(this);
    m_sidebar->navigate = [self](const QUrl& folder) {
        if (!self)
            return;
        self->activePane()->navigate(pathFromString(folder.toLocalFile()));
        self->activeContent()->focus();
    };
    m_sidebar->favoriteAction = [self](const QString& path, bool moveUp) {
        if (self)
            self->favoriteAction(path, moveUp);
    };
    m_sidebar->foldersDropped = [self](const QList<QUrl>& folders) {
        if (self)
            self->foldersDropped(folders);
    };

    m_split = new WorkspaceSplitter;
    auto* sidebarView = m_sidebar->view();
    sidebarView->setMinimumWidth(176);
    sidebarView->setMaximumWidth(280);
    m_split->addWidget(sidebarView);

    m_leftContent->activated = [self] {
        if (self)
            self->activatePane(0);
    };
    m_rightContent->activated = [self] {
        if (self)
            self->activatePane(1);
    };
    auto* inspectorView = m_inspector->view();
    inspectorView->setMinimumWidth(260);
    inspectorView->setMaximumWidth(380);
    for (auto* side : { m_leftContent, m_rightContent }) {
        side->setMinimumWidth(300);
        m_split->addWidget(side);
    }
    m_split->addWidget(inspectorView);
    m_split->setCollapsible(0, true);
    m_split->setCollapsible(3, true);
    m_split->setStretchFactor(1, 1);
    m_split->setStretchFactor(2, 1);

    auto* toolbar = makeToolbar();
    auto* footer = makeFooter();
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(toolbar);
    rows->addWidget(m_split, 1);
    rows->addWidget(footer);

    wirePane(m_left, 0);
    wirePane(m_right, 1);
    wireTransferCommands();
    wireNavigationCommands();

    rebuildSidebar();
    activatePane(m_activeIndex);

    placeDividers();
}

void WorkspaceController::wirePane(PaneController* pane, int index)
{
    pane->canExplore = index == 0;
    QPointer<WorkspaceController> self(this);
    // Only the left pane offers Explore, and it always shows its folder on the right.
    pane->explore = [self](const std::filesystem::path& folder) {
        if (!self)
            return;
        self->m_rightContent->showFiles();
        self->m_right->navigate(folder);
    };
    pane->terminalHere = [self, index](const std::filesystem::path& folder) {
        if (self)
            self->content(index)->open(folder);
    };
    pane->chooseFolder = [self] {
        if (self)
            self->chooseFolder();
    };
    pane->activated = [self, index] {
        if (self)
            self->activatePane(index);
    };
    pane->changed = [self] {
        if (self)
            self->scheduleUpdate();
    };
    pane->openFile = [self, index](const std::filesystem::path& file) {
        if (self)
            self->openFile(file, index);
    };
    pane->previewSelection = [self] {
        if (self)
            self->showQuickLook();
    };
    pane->setShowHidden(m_showHidden);
}

void WorkspaceController::placeDividers()
{
    m_window->centralWidget()->layout()->activate();
    m_split->resize(m_window->width(), m_split->height());
    if (m_restoredWidths.size() == 4)
        m_split->placeDividers(int(m_restoredWidths[0]), int(m_restoredWidths[3]));
    else
        m_split->placeDividers(defaultSidebarWidth, defaultInspectorWidth);
}

void WorkspaceController::connectToolbarButton(const char* command, void (WorkspaceController::*action)())
{
    connect(m_toolbarButtons.value(QString::fromUtf8(command)), &QAbstractButton::clicked, this, action);
}

ToolbarAccentButton* WorkspaceController::addToolbarButton(const QString& command, const QString& symbol,
                                                          const QString& title, const QString& toolTip,
                                                          bool labelled)
{
    auto* button = new ToolbarAccentButton;
    button->setToolTip(toolTip);
    if (symbol.isEmpty()) {
        button->setText(title);
    } else {
        button->setIcon(Theme::systemSymbol(symbol));
        button->setFixedSize(28, 28);
    }
    if (labelled)
        button->setAccessibleName(toolTip);
    m_toolbarButtons.insert(command, button);
    return button;
}

QWidget* WorkspaceController::makeToolbar()
{
    struct Entry {
        const char* command;
        const char* symbol;
        const char* title;
        const char* toolTip;
        AdaptiveColor accent;
        bool toggle;
    };
    using SC = Theme::SystemColor;
    const Entry entries[] = {
        { "toggleSidebar", "sidebar.left", "", "Toggle sidebar", Theme::cyan(), true },
        { "chooseFolder", "folder", "", "Choose folder", Theme::cyan(), false },
        { "addFavorite", "star", "", "Add current folder to Favorites", Theme::systemColor(SC::yellow), false },
        { "refresh", "arrow.clockwise", "", "Refresh folder", Theme::systemColor(SC::green), false },
        { "toggleHidden", "eye", "", "Show hidden files", Theme::amber(), true },
        { "copyToOther", "", "Copy \u2192", "Copy selection to the other pane", Theme::systemColor(SC::blue), false },
        { "moveToOther", "", "Move \u2192", "Move selection to the other pane", Theme::systemColor(SC::orange), false },
        { "newFolder", "folder.badge.plus", "", "New folder", Theme::systemColor(SC::teal), false },
        { "trashSelection", "trash", "", "Move selection to Trash", Theme::systemColor(SC::red), false },
    };
    QList<QWidget*> views;
    for (const auto& entry : entries) {
        const QString symbol = QString::fromUtf8(entry.symbol);
        auto* button = addToolbarButton(QString::fromUtf8(entry.command), symbol, QString::fromUtf8(entry.title),
                                        QString::fromUtf8(entry.toolTip), !symbol.isEmpty());
        button->setCheckable(entry.toggle);
        button->setAccentColor(entry.accent);
        views.append(button);
        if (views.size() == 1) {
            auto* name = new ThemedLabel(QStringLiteral("Bramblet"), Theme::font(14, QFont::DemiBold), Theme::primary());
            name->setFixedWidth(90);
            views.append(name);
        }
    }
    m_selectionButtons = { m_toolbarButtons.value("copyToOther"), m_toolbarButtons.value("moveToOther"),
                           m_toolbarButtons.value("trashSelection") };

    auto* stack = Theme::primaryActionButton(QStringLiteral("Stack"));
    stack->setToolTip(QStringLiteral("Review files collected in the Drop Stack"));
    m_toolbarButtons.insert(QStringLiteral("showDropStack"), stack);
    m_selectionButtons.append(stack);
    views.append(stack);

    auto* flexible = new QWidget;
    flexible->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    views.append(flexible);

    m_filter = new QLineEdit;
    m_filter->setPlaceholderText(QStringLiteral("Search this folder"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setFixedWidth(208);
    m_filter->setAccessibleName(QStringLiteral("Search this folder and subfolders"));
    m_filter->setToolTip(QStringLiteral(
        "Enter text to find it anywhere in a name, or use * for any text and ? for one character (e.g. *.jpg). "
        "Wildcards match the whole name in this folder and its subfolders."));
    // Only the user's typing goes to the pane; the refresh writes the model's text back quietly.
    connect(m_filter, &QLineEdit::textEdited, this, &WorkspaceController::controlTextDidChange);
    views.append(m_filter);

    auto* inspectorToggle = addToolbarButton(QStringLiteral("toggleInspector"), QStringLiteral("sidebar.right"), {},
                                             QStringLiteral("Toggle inspector"), true);
    inspectorToggle->setCheckable(true);
    inspectorToggle->setAccentColor(Theme::systemColor(SC::purple));
    views.append(inspectorToggle);

    auto* toolbar = Theme::stack(views, Qt::Horizontal, 8);
    toolbar->boxLayout()->setContentsMargins(12, 8, 12, 8);
    toolbar->setFixedHeight(toolbarHeight);
    return toolbar;
}

QWidget* WorkspaceController::makeFooter()
{
    m_statusLabel = new ThemedLabel({}, Theme::font(12, QFont::Normal), Theme::systemColor(Theme::SystemColor::secondaryLabel));
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_operationsButton = new QPushButton(QStringLiteral("Operations"));
    m_operationsButton->setFlat(true);
    m_operationsButton->setToolTip(QStringLiteral("Show the operations and activity log"));
    m_operationsButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_operationsButton, &QPushButton::clicked, this, &WorkspaceController::showOperations);

    auto* footer = Theme::stack({ m_statusLabel, m_operationsButton }, Qt::Horizontal, 16);
    footer->boxLayout()->setContentsMargins(16, 0, 12, 0);
    footer->boxLayout()->setStretchFactor(m_statusLabel, 1);
    footer->setFixedHeight(footerHeight);
    return footer;
}

} // namespace bramblet
