#include "Bramblet/Settings/SettingsWindowController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Remote/S3BrowserPane.h"
#include "Bramblet/Remote/TrueNASBrowserPane.h"
#include "Bramblet/Settings/SegmentedControl.h"
#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QToolBar>

namespace bramblet {

namespace {

const QString generalID = QStringLiteral("general");
const QStringList appearanceChoices = { QStringLiteral("System"), QStringLiteral("Light"), QStringLiteral("Dark") };

constexpr QSize toolbarSymbolSize(24, 24);
constexpr QSize generalSize(560, 100);
constexpr QSize browserSize(760, 480);
constexpr QSize sambaSize(560, 120);

// A label of the settings rows: truncated in the middle, 104 wide.
ThemedLabel* rowLabel(const QString& text, qreal fontSize)
{
    auto* label = new ThemedLabel(text, Theme::font(fontSize, QFont::DemiBold), Theme::primary());
    label->setFixedWidth(104);
    return label;
}

// A tab's view: the window colour with `row` 24 from its leading edge and its top.
QWidget* tabView(const QList<QWidget*>& row)
{
    auto* view = new ColorView(Theme::window());
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(24, 24, 24, 0);
    layout->addWidget(Theme::stack(row, Qt::Horizontal, 16), 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch();
    return view;
}

} // namespace

SettingsWindowController::SettingsWindowController(const QString& appearanceChoice, AppearanceChange onAppearanceChange,
                                                   ConnectToServer onConnectToServer, WorkspaceDefaults& defaults,
                                                   DialogPresenter& dialogs)
    : m_appearanceChoice(appearanceChoice)
    , m_onAppearanceChange(std::move(onAppearanceChange))
    , m_onConnectToServer(std::move(onConnectToServer))
    , m_s3Browser(std::make_unique<S3BrowserPane>(defaults, dialogs))
    , m_trueNASBrowser(std::make_unique<TrueNASBrowserPane>(defaults, dialogs))
    , m_window(new QMainWindow)
    , m_toolbar(new QToolBar(QStringLiteral("Settings"), m_window))
    , m_host(new QWidget(m_window))
{
    // Titled, closable and minimisable; its size follows the tab, never the user.
    m_window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                             | Qt::WindowMinimizeButtonHint);
    m_window->resize(browserSize);
    m_window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_s3Browser->setAnchorWindow(m_window);
    m_trueNASBrowser->setAnchorWindow(m_window);

    m_toolbar->setObjectName(QStringLiteral("SettingsToolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->toggleViewAction()->setEnabled(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    auto* items = new QActionGroup(m_toolbar);
    for (QAction* item : { addItem(generalID, QStringLiteral("General"), QStringLiteral("gearshape.fill"),
                                   &SettingsWindowController::selectGeneral),
                           addItem(s3ID, QStringLiteral("S3"), QStringLiteral("externaldrive.fill"),
                                   &SettingsWindowController::selectS3),
                           addItem(trueNASID, QStringLiteral("TrueNAS"), QStringLiteral("externaldrive.fill"),
                                   &SettingsWindowController::selectTrueNAS),
                           addItem(sambaID, QStringLiteral("Samba"), QStringLiteral("network"),
                                   &SettingsWindowController::selectSamba) })
        items->addAction(item);
    m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    m_toolbar->setIconSize(toolbarSymbolSize);

    auto* hostLayout = new QVBoxLayout(m_host);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    m_window->setCentralWidget(m_host);
    selectTab(generalID);
}

SettingsWindowController::~SettingsWindowController()
{
    // The panes' views may be inside the window; each pane deletes its own view if still alive.
    delete m_window;
}

QStringList SettingsWindowController::itemIdentifiers()
{
    return { generalID, s3ID, trueNASID, sambaID };
}

QAction* SettingsWindowController::addItem(const QString& identifier, const QString& label, const QString& symbol,
                                           void (SettingsWindowController::*action)())
{
    QAction* item = m_toolbar->addAction(label);
    item->setData(identifier);
    item->setIcon(Theme::systemSymbol(symbol));
    item->setCheckable(true);
    item->setToolTip(label);
    if (QWidget* button = m_toolbar->widgetForAction(item))
        button->setAccessibleName(label);
    connect(item, &QAction::triggered, this, action);
    return item;
}

QString SettingsWindowController::selectedItemIdentifier() const
{
    for (const QAction* item : m_toolbar->actions()) {
        if (item->isChecked())
            return item->data().toString();
    }
    return {};
}

SegmentedControl* SettingsWindowController::appearanceControl() const
{
    return m_appearanceControl;
}

QSize SettingsWindowController::contentSize() const
{
    return m_host->size();
}

void SettingsWindowController::selectTab(const QString& identifier)
{
    const QString shown = itemIdentifiers().contains(identifier) ? identifier : generalID;
    for (QAction* item : m_toolbar->actions())
        item->setChecked(item->data().toString() == shown);
    if (shown == s3ID)
        selectS3();
    else if (shown == trueNASID)
        selectTrueNAS();
    else if (shown == sambaID)
        selectSamba();
    else
        selectGeneral();
}

void SettingsWindowController::selectGeneral()
{
    showContent(makeGeneralView(), QStringLiteral("General"), generalSize);
}

void SettingsWindowController::selectS3()
{
    showContent(m_s3Browser->contentView(), QStringLiteral("S3"), browserSize);
}

void SettingsWindowController::selectTrueNAS()
{
    showContent(m_trueNASBrowser->contentView(), QStringLiteral("TrueNAS"), browserSize);
}

void SettingsWindowController::selectSamba()
{
    showContent(makeSambaView(), QStringLiteral("Samba"), sambaSize);
}

void SettingsWindowController::appearanceChanged(int segment)
{
    if (segment < 0 || segment >= appearanceChoices.size())
        return;
    m_appearanceChoice = appearanceChoices[segment];
    if (m_onAppearanceChange)
        m_onAppearanceChange(m_appearanceChoice);
}

void SettingsWindowController::connectToServer()
{
    if (m_onConnectToServer)
        m_onConnectToServer(m_window);
}

void SettingsWindowController::showContent(QWidget* view, const QString& title, QSize size)
{
    m_window->setWindowTitle(title);
    if (m_contentView != view) {
        if (QWidget* old = m_contentView) {
            m_host->layout()->removeWidget(old);
            old->hide();
            // The panes' views are kept for the next time their tab is shown.
            if (old != m_s3Browser->contentView() && old != m_trueNASBrowser->contentView())
                delete old;
        }
        m_contentView = view;
        m_host->layout()->addWidget(view);
        view->show();
    }
    m_host->setFixedSize(size);
    // The window takes the tab's size now, not when it is next laid out, so that whoever places
    // the window places it at its real size.
    m_window->layout()->activate();
}

QWidget* SettingsWindowController::makeGeneralView()
{
    auto* control = new SegmentedControl(appearanceChoices, Theme::font(15, QFont::Normal));
    control->setFixedWidth(264);
    control->setAccessibleName(QStringLiteral("Appearance"));
    const auto selected = appearanceChoices.indexOf(m_appearanceChoice);
    control->setSelectedSegment(selected < 0 ? 0 : int(selected));
    connect(control, &SegmentedControl::segmentClicked, this, &SettingsWindowController::appearanceChanged);
    m_appearanceControl = control;
    return tabView({ rowLabel(QStringLiteral("Appearance"), 15), control });
}

QWidget* SettingsWindowController::makeSambaView()
{
    auto* button = new QPushButton(QStringLiteral("Connect to Server\u2026"));
    connect(button, &QPushButton::clicked, this, &SettingsWindowController::connectToServer);
    return tabView({ rowLabel(QStringLiteral("SMB Server"), 13), button });
}

} // namespace bramblet
