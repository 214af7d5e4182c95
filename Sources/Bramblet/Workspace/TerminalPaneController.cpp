#include "Bramblet/Workspace/TerminalPaneController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/ActivatableStack.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/SegmentButton.h"
#include "Bramblet/Theme/SegmentFrame.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/EmbeddedTerminalView.h"
#include "Bramblet/Workspace/TabStrip.h"
#include "Bramblet/Workspace/TerminalSession.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QPointer>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <system_error>

namespace bramblet {

namespace {

QToolButton* sessionButton(const QString& symbol, const QString& text)
{
    auto* button = new QToolButton;
    button->setIcon(Theme::systemSymbol(symbol));
    button->setToolTip(text);
    button->setAccessibleName(text);
    button->setAutoRaise(true);
    button->setFixedSize(28, 28);
    return button;
}

QToolButton* modeSegment(const QString& title, const QString& toolTip)
{
    auto* button = new SegmentButton;
    button->setText(title);
    button->setToolTip(toolTip);
    button->setFixedWidth(80);
    return button;
}

} // namespace

TerminalPaneController::TerminalPaneController(PaneController* files, QWidget* parent)
    : ColorView(Theme::pane(), true, parent)
    , m_files(files)
    , m_mode(new QButtonGroup(this))
    , m_terminalRegion(new ColorView(Theme::terminal()))
    , m_host(new QWidget)
    , m_picker(new QComboBox)
    , m_status(new ThemedLabel(QStringLiteral("READY"), Theme::font(10, QFont::DemiBold), Theme::cyan()))
    , m_path(new ThemedLabel(QString(), Theme::font(11, QFont::Normal), Theme::muted()))
    , m_activeRule(new ColorView(Theme::border()))
    , m_tabStrip(new TabStrip)
{
    m_activeRule->setFixedHeight(3);

    auto* content = new QWidget;
    Theme::pin(files, content, 0);
    Theme::pin(m_terminalRegion, content, 0);
    Theme::pin(makeTerminalColumn(), m_terminalRegion, 0);

    auto* column = Theme::stack({ m_activeRule, makeHeader(), content }, Qt::Vertical, 0);
    for (auto* view : { static_cast<QWidget*>(m_activeRule), static_cast<QWidget*>(m_header), content })
        column->boxLayout()->setAlignment(view, {});
    column->boxLayout()->setStretchFactor(content, 1);
    Theme::pin(column, this, 0);

    m_terminalRegion->hide();
    m_status->hide();
    updateTabStrip();
}

TerminalPaneController::~TerminalPaneController() = default;

QWidget* TerminalPaneController::makeHeader()
{
    auto* symbol = new ImageView;
    symbol->setIcon(Theme::systemSymbol(QStringLiteral("terminal.fill")), true);
    symbol->setTint(Theme::cyan());
    symbol->setFixedSize(16, 16);

    auto* modeControl = new SegmentFrame(m_mode, true);
    auto* modeLayout = new QHBoxLayout(modeControl);
    modeLayout->setContentsMargins(0, 0, 0, 0);
    modeLayout->setSpacing(0);
    const std::pair<const char*, const char*> segments[] = { { "Files", "Show files" },
                                                             { "Terminal", "Show terminal" } };
    for (int index = 0; index < 2; ++index) {
        auto* segment = modeSegment(QString::fromUtf8(segments[index].first), QString::fromUtf8(segments[index].second));
        m_mode->addButton(segment, index);
        modeLayout->addWidget(segment);
    }
    m_mode->button(filesMode)->setChecked(true);
    connect(m_mode, &QButtonGroup::idClicked, this, &TerminalPaneController::changePaneMode);

    // The file pane's tabs, one per tab, where the side's content leaves room.
    m_tabStrip->setDocumentMode(true);
    m_tabStrip->setDrawBase(false);
    m_tabStrip->setExpanding(false);
    m_tabStrip->setElideMode(Qt::ElideMiddle);
    m_tabStrip->setUsesScrollButtons(true);
    m_tabStrip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    connect(m_tabStrip, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index != m_files->activeTabIndex())
            m_files->cycleTab(index - m_files->activeTabIndex());
    });

    QList<QWidget*> headerViews { symbol, modeControl, m_tabStrip };
    if (m_files->addButton())
        headerViews.append(m_files->addButton());
    if (m_files->closeButton())
        headerViews.append(m_files->closeButton());
    headerViews.append(m_status);
    m_header = Theme::activatableStack(headerViews, Qt::Horizontal, 8);
    m_header->boxLayout()->setContentsMargins(12, 8, 12, 8);
    m_header->boxLayout()->setStretchFactor(m_tabStrip, 1);
    m_header->setFixedHeight(42);
    m_header->activated = [this] { fireActivated(); };
    return m_header;
}

QWidget* TerminalPaneController::makeTerminalColumn()
{
    m_picker->setAccessibleName(QStringLiteral("Terminal sessions"));
    m_picker->setToolTip(QStringLiteral("Switch between open terminal sessions"));
    m_picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(m_picker, &QComboBox::activated, this, &TerminalPaneController::changeSession);

    m_newSessionButton = sessionButton(QStringLiteral("plus"), QStringLiteral("New terminal session"));
    connect(m_newSessionButton, &QToolButton::clicked, this, &TerminalPaneController::newSession);
    m_closeSessionButton = sessionButton(QStringLiteral("xmark"), QStringLiteral("Close terminal session"));
    connect(m_closeSessionButton, &QToolButton::clicked, this, &TerminalPaneController::closeSession);

    auto* sessionBar = Theme::stack({ m_picker, m_newSessionButton, m_closeSessionButton }, Qt::Horizontal, 8);
    sessionBar->boxLayout()->setContentsMargins(8, 8, 8, 8);
    sessionBar->boxLayout()->setStretchFactor(m_picker, 1);
    sessionBar->setFixedHeight(42);

    auto* hostLayout = new QVBoxLayout(m_host);
    hostLayout->setContentsMargins(8, 8, 8, 8);
    m_host->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    auto* pathBar = Theme::stack({ m_path }, Qt::Horizontal, 8);
    pathBar->boxLayout()->setContentsMargins(12, 6, 12, 6);
    pathBar->boxLayout()->setStretchFactor(m_path, 1);
    pathBar->setFixedHeight(30);

    auto* column = Theme::stack({ sessionBar, m_host, pathBar }, Qt::Vertical, 0);
    for (auto* view : { static_cast<QWidget*>(sessionBar), m_host, static_cast<QWidget*>(pathBar) })
        column->boxLayout()->setAlignment(view, {});
    column->boxLayout()->setStretchFactor(m_host, 1);
    return column;
}

void TerminalPaneController::setActive(bool active)
{
    m_isActive = active;
    m_activeRule->setColor(active ? Theme::amber() : Theme::border());
}

TerminalSession* TerminalPaneController::current() const
{
    if (m_selected < 0 || m_selected >= int(m_sessions.size()))
        return nullptr;
    return m_sessions[size_t(m_selected)].get();
}

TerminalPaneController::Mode TerminalPaneController::mode() const
{
    return m_mode->checkedId() == terminalMode ? terminalMode : filesMode;
}

QToolButton* TerminalPaneController::modeButton(Mode mode) const
{
    return static_cast<QToolButton*>(m_mode->button(mode));
}

zentrova::TerminalView* TerminalPaneController::focusedTerminal() const
{
    TerminalSession* session = current();
    if (mode() != terminalMode || !session || !session->terminal())
        return nullptr;
    EmbeddedTerminalView* terminal = session->terminal();
    QWidget* focused = terminal->window()->focusWidget();
    if (focused && (focused == terminal || terminal->isAncestorOf(focused)))
        return terminal;
    return nullptr;
}

void TerminalPaneController::fireActivated()
{
    if (activated)
        activated();
}

void TerminalPaneController::focus()
{
    if (mode() == terminalMode)
        focusTerminal();
    else
        m_files->focus();
}

void TerminalPaneController::focusTerminal()
{
    fireActivated();
    if (TerminalSession* session = current(); session && session->terminal())
        session->terminal()->setFocus(Qt::OtherFocusReason);
}

void TerminalPaneController::open(const std::filesystem::path& directory)
{
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error))
        return;
    auto session = std::make_unique<TerminalSession>(directory);
    QPointer<TerminalPaneController> self(this);
    session->terminal()->activated = [self] {
        if (self)
            self->fireActivated();
    };
    session->changed = [self] {
        if (self)
            self->updateChrome();
    };
    TerminalSession* added = session.get();
    m_sessions.push_back(std::move(session));
    m_selected = int(m_sessions.size()) - 1;
    m_mode->button(terminalMode)->setChecked(true);
    presentSession();
    added->start();
    updateChrome();
}

void TerminalPaneController::presentSession()
{
    m_files->hide();
    m_tabStrip->hide();
    m_terminalRegion->show();
    m_status->show();
    while (QLayoutItem* item = m_host->layout()->takeAt(0)) {
        if (item->widget())
            item->widget()->hide();
        delete item;
    }
    if (TerminalSession* session = current(); session && session->terminal()) {
        m_host->layout()->addWidget(session->terminal());
        session->terminal()->show();
    }
    layout()->activate();
    updateChrome();
    focusTerminal();
}

void TerminalPaneController::showFiles()
{
    m_mode->button(filesMode)->setChecked(true);
    m_terminalRegion->hide();
    m_files->show();
    m_tabStrip->show();
    m_status->hide();
}

void TerminalPaneController::updateChrome()
{
    m_picker->clear();
    for (size_t index = 0; index < m_sessions.size(); ++index) {
        const TerminalSession& session = *m_sessions[index];
        QString title = QStringLiteral("%1 \u00b7 %2").arg(int(index) + 1).arg(session.title());
        if (session.exited())
            title += QStringLiteral(" \u00b7 ended");
        m_picker->addItem(title);
    }
    if (!m_sessions.empty())
        m_picker->setCurrentIndex(m_selected);

    TerminalSession* session = current();
    const bool ended = session && session->exited();
    m_status->setFullText(ended ? QStringLiteral("SESSION ENDED") : QStringLiteral("SHELL ACTIVE"));
    m_status->setColor(ended ? Theme::muted() : Theme::cyan());
    const QString path =
        session ? QStringLiteral("Started in ") + QString::fromStdString(session->directory().string()) : QString();
    m_path->setFullText(path);
    m_path->setToolTip(path);
}

void TerminalPaneController::changePaneMode(int mode)
{
    if (mode != terminalMode) {
        showFiles();
        m_files->focus();
    } else if (!m_sessions.empty()) {
        presentSession();
    } else {
        open(activeTabFolder());
    }
}

void TerminalPaneController::changeSession(int index)
{
    m_selected = index;
    presentSession();
}

void TerminalPaneController::newSession()
{
    const TerminalSession* session = current();
    open(session ? session->directory() : activeTabFolder());
}

void TerminalPaneController::closeSession()
{
    TerminalSession* session = current();
    if (!session)
        return;
    if (session->exited() || !m_dialogs || window() == this) {
        remove(session);
        return;
    }
    DialogRequest request;
    request.message = QStringLiteral("Close this terminal session?");
    request.informativeText = QStringLiteral("The shell and any running command in this session will be stopped.");
    request.buttons = { QStringLiteral("Cancel"), QStringLiteral("Close Session") };
    QPointer<TerminalPaneController> self(this);
    m_dialogs->present(window(), request, [self, session](const DialogAnswer& answer) {
        if (self && answer.button == 1)
            self->remove(session);
    });
}

void TerminalPaneController::remove(TerminalSession* session)
{
    const auto found = std::find_if(m_sessions.begin(), m_sessions.end(),
                                    [session](const auto& held) { return held.get() == session; });
    // The session may have gone while its question was open.
    if (found == m_sessions.end())
        return;
    session->stop();
    m_sessions.erase(found);
    m_selected = std::max(0, std::min(m_selected, int(m_sessions.size()) - 1));
    if (!m_sessions.empty()) {
        presentSession();
        return;
    }
    showFiles();
    m_files->focus();
}

std::filesystem::path TerminalPaneController::activeTabFolder() const
{
    return std::filesystem::path(m_files->activeTab().path.toStdString());
}

void TerminalPaneController::updateTabStrip()
{
    // The strip lays all its tabs out again for every tab added, removed or renamed, so only the
    // run of tabs between the unchanged ones at either end is touched; a tab's tool tip is its folder.
    const QList<TabSnapshot>& tabs = m_files->tabs();
    const int shown = m_tabStrip->count();
    const int wanted = int(tabs.size());
    const auto same = [&](int shownIndex, int wantedIndex) {
        return m_tabStrip->tabToolTip(shownIndex) == tabs[wantedIndex].path;
    };
    int first = 0;
    while (first < shown && first < wanted && same(first, first))
        ++first;
    int last = 0;
    while (last < shown - first && last < wanted - first && same(shown - 1 - last, wanted - 1 - last))
        ++last;
    const auto title = [](const QString& folder) {
        QString name = QString::fromStdString(std::filesystem::path(folder.toStdString()).filename().string());
        if (name.isEmpty())
            name = folder;
        // "&" would mark a mnemonic.
        return name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    };
    int index = first;
    for (; index < shown - last && index < wanted - last; ++index) {
        m_tabStrip->setTabText(index, title(tabs[index].path));
        m_tabStrip->setTabToolTip(index, tabs[index].path);
    }
    for (int extra = shown - last - index; extra > 0; --extra)
        m_tabStrip->removeTab(index);
    for (; index < wanted - last; ++index) {
        m_tabStrip->insertTab(index, title(tabs[index].path));
        m_tabStrip->setTabToolTip(index, tabs[index].path);
    }
    if (m_tabStrip->currentIndex() != m_files->activeTabIndex())
        m_tabStrip->setCurrentIndex(m_files->activeTabIndex());
}

} // namespace bramblet
