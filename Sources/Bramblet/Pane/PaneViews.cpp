#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Pane/ModeControl.h"
#include "Bramblet/Pane/PaneListDelegate.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Pane/PathControl.h"
#include "Bramblet/Pane/RowSelection.h"
#include "Bramblet/Theme/ActivatableStack.h"
#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Theme/FileCollection.h"
#include "Bramblet/Theme/FileTable.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include <QBoxLayout>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

namespace bramblet {

namespace {

QToolButton* headerButton(const char* symbol, const QString& description)
{
    auto* button = new QToolButton;
    button->setAutoRaise(true);
    button->setIcon(Theme::systemSymbol(QLatin1String(symbol)));
    button->setToolTip(description);
    button->setAccessibleName(description);
    button->setFixedSize(28, 28);
    return button;
}

QLabel* mutedLabel(const QString& text, qreal size)
{
    auto* label = new QLabel(text);
    label->setFont(Theme::font(size, QFont::Normal));
    const auto applyColor = [label] {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Theme::muted().resolved());
        label->setPalette(palette);
    };
    applyColor();
    QObject::connect(&ApplicationAppearance::shared(), &ApplicationAppearance::effectiveAppearanceChanged, label, applyColor);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

QPushButton* stateButton(const QString& title, const QString& toolTip, const QString& accessibility)
{
    auto* button = new QPushButton(title);
    button->setToolTip(toolTip);
    if (!accessibility.isEmpty())
        button->setAccessibleName(accessibility);
    return button;
}

} // namespace

void PaneController::loadView()
{
    m_activeRule = new ColorView(QColor(Qt::transparent));
    m_activeRule->setFixedHeight(3);

    m_backButton = headerButton("chevron.left", QStringLiteral("Back"));
    m_forwardButton = headerButton("chevron.right", QStringLiteral("Forward"));
    m_addButton = headerButton("plus", QStringLiteral("New tab"));
    m_closeButton = headerButton("xmark", QStringLiteral("Close tab"));
    m_parentButton = headerButton("arrow.up", QStringLiteral("Parent folder"));
    connect(m_backButton, &QToolButton::clicked, this, &PaneController::back);
    connect(m_forwardButton, &QToolButton::clicked, this, &PaneController::forward);
    connect(m_addButton, &QToolButton::clicked, this, &PaneController::addTab);
    connect(m_closeButton, &QToolButton::clicked, this, &PaneController::closeTab);
    connect(m_parentButton, &QToolButton::clicked, this, &PaneController::goToParent);

    m_pathControl = new PathControl;
    connect(m_pathControl, &PathControl::pathClicked, this, &PaneController::pathClicked);
    m_modeControl = new ModeControl;
    connect(m_modeControl, &ModeControl::segmentClicked, this, &PaneController::switchViewMode);
    m_countLabel = mutedLabel({}, 12);

    auto* navigation = Theme::activatableStack({ m_backButton, m_forwardButton, m_parentButton, m_pathControl },
                                               Qt::Horizontal, 4);
    auto* status = Theme::activatableStack({ m_countLabel, m_modeControl }, Qt::Horizontal, 8);
    m_header = Theme::activatableStack({ navigation, status }, Qt::Vertical, 8);
    m_header->boxLayout()->setContentsMargins(12, 8, 12, 8);
    for (QWidget* row : { static_cast<QWidget*>(navigation), static_cast<QWidget*>(status) })
        m_header->boxLayout()->setAlignment(row, {});
    const QPointer<PaneController> self(this);
    for (ActivatableStack* stack : { navigation, status, m_header }) {
        stack->activated = [self] {
            if (self)
                self->fire(self->activated);
        };
    }

    m_content = new QWidget;
    m_table = new FileTable;
    m_model = new PaneListModel(this);
    m_collection = new FileCollection;
    m_tree = new FileTreeView;
    m_treeModel = new FileTreeModel(this);
    configureContextMenu();
    configureTable();
    configureCollection();
    configureTree();
    for (QAbstractItemView* view : { static_cast<QAbstractItemView*>(m_table), static_cast<QAbstractItemView*>(m_collection),
                                     static_cast<QAbstractItemView*>(m_tree) }) {
        Theme::pin(view, m_content, 0);
        configureDragAndDrop(view);
        view->viewport()->installEventFilter(this);
    }
    m_stateView = makeStateView();
    m_stateView->setParent(m_content);
    // An empty folder is a likely place to drop files, and its message covers the views.
    m_stateView->setAcceptDrops(true);
    m_stateView->installEventFilter(this);
    m_content->installEventFilter(this);

    auto* outer = Theme::stack({ m_activeRule, m_header, m_content }, Qt::Vertical, 0);
    for (QWidget* view : { static_cast<QWidget*>(m_activeRule), static_cast<QWidget*>(m_header), m_content })
        outer->boxLayout()->setAlignment(view, {});
    outer->boxLayout()->setStretchFactor(m_content, 1);
    Theme::pin(outer, this, 0);
    updateHeader();
}

void PaneController::configureTable()
{
    m_table->setModel(m_model);
    m_table->setItemDelegate(new PaneListDelegate(m_table));
    RowSelection::replaceStyleHighlight(*m_table);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setAlternatingRowColors(false);
    m_table->setWordWrap(false);
    // The pane's own colour shows through the list.
    m_table->viewport()->setAutoFillBackground(false);
    m_table->setAccessibleName(QStringLiteral("Files in pane"));

    QHeaderView* rows = m_table->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(PaneListDelegate::rowHeight);

    QHeaderView* columns = m_table->horizontalHeader();
    columns->setMinimumSectionSize(60);
    columns->setSectionResizeMode(PaneListModel::nameColumn, QHeaderView::Stretch);
    columns->resizeSection(PaneListModel::sizeColumn, 72);
    columns->resizeSection(PaneListModel::modifiedColumn, 116);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(true);
    // No indicator until the user clicks a column; the rows follow the tab's sort regardless.
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    connect(columns, &QHeaderView::sortIndicatorChanged, this, &PaneController::sortChanged);

    connect(m_table, &QAbstractItemView::doubleClicked, this, &PaneController::openSelected);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PaneController::tableSelectionChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { selectArrivedRows(first, last); });

    const QPointer<PaneController> self(this);
    m_table->activated = [self] {
        if (self)
            self->fire(self->activated);
    };
    m_table->keyHandler = [self](QKeyEvent* event) { return self && self->handleKey(event); };
    m_table->setMenu(m_contextMenu);
}

QWidget* PaneController::makeStateView()
{
    m_stateIcon = new ImageView;
    m_stateIcon->setIcon(Theme::systemSymbol(QStringLiteral("folder.fill")), true);
    m_stateIcon->setAccessibleName(QStringLiteral("Folder"));
    m_stateIcon->setFixedSize(56, 56);

    m_searchIndicator = new QProgressBar;
    m_searchIndicator->setRange(0, 0); // busy: it animates while shown
    m_searchIndicator->setTextVisible(false);
    m_searchIndicator->setFixedWidth(120);
    m_searchIndicator->setAccessibleName(QStringLiteral("Search in progress"));
    m_searchIndicator->hide();

    m_stateLabel = mutedLabel(QStringLiteral("Loading…"), 13);
    m_stateLabel->setWordWrap(true);
    m_stateLabel->setAlignment(Qt::AlignCenter);
    m_stateLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

    // There is no settings pane to send the user to for an unreadable folder, so the state offers
    // only to pick another folder or to try again.
    m_chooseFolderButton = stateButton(QStringLiteral("Choose Folder…"), QStringLiteral("Pick the folder in the system panel"),
                                       QStringLiteral("Choose a folder to open"));
    m_chooseFolderButton->hide();
    connect(m_chooseFolderButton, &QPushButton::clicked, this, &PaneController::chooseFolderAction);
    auto* refreshButton = stateButton(QStringLiteral("Refresh folder"), QStringLiteral("Reload this folder’s contents"), {});
    connect(refreshButton, &QPushButton::clicked, this, &PaneController::refreshAction);
    auto* buttons = Theme::stack({ m_chooseFolderButton, refreshButton }, Qt::Horizontal, 8);

    auto* view = Theme::stack({ m_stateIcon, m_searchIndicator, m_stateLabel, buttons }, Qt::Vertical, 12);
    for (QWidget* arranged : { static_cast<QWidget*>(m_stateIcon), static_cast<QWidget*>(m_searchIndicator),
                               static_cast<QWidget*>(m_stateLabel), static_cast<QWidget*>(buttons) })
        view->boxLayout()->setAlignment(arranged, Qt::AlignHCenter);
    return view;
}

bool PaneController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && event->type() == QEvent::Resize)
        layOutStateView();
    if (watched == m_collection->viewport() && event->type() == QEvent::Resize)
        scheduleShownTiles();
    if (watched != m_content && handleDrag(event))
        return true;
    return ColorView::eventFilter(watched, event);
}

void PaneController::layOutStateView()
{
    // Centred over the views, at most the content's width less 24 on each side.
    const QRect area = m_content->rect();
    const int width = std::max(0, std::min(m_stateView->sizeHint().width(), area.width() - 48));
    const int height = std::min(m_stateView->hasHeightForWidth() ? m_stateView->heightForWidth(width)
                                                                 : m_stateView->sizeHint().height(),
                                area.height());
    m_stateView->setGeometry(QRect(QPoint(), QSize(width, height)).translated(area.center() - QPoint(width / 2, height / 2)));
    m_stateView->raise();
}

QAbstractScrollArea* PaneController::scrollView(PaneMode mode) const
{
    switch (mode) {
    case PaneMode::list:
        return m_table;
    case PaneMode::grid:
        return m_collection;
    case PaneMode::tree:
        return m_tree;
    }
    return nullptr;
}

QAbstractScrollArea* PaneController::activeScroll() const
{
    QAbstractScrollArea* view = scrollView(activeTab().mode);
    return view ? view : m_table;
}

void PaneController::updateHeader()
{
    const TabSnapshot& tab = activeTab();
    m_pathControl->setPath(tab.path);
    m_backButton->setEnabled(tab.historyIndex > 0);
    m_forwardButton->setEnabled(tab.historyIndex + 1 < tab.history.size());
    m_modeControl->setSelectedSegment(int(tab.mode));
    QAbstractScrollArea* shown = activeScroll();
    for (PaneMode mode : allPaneModes) {
        if (QAbstractScrollArea* view = scrollView(mode))
            view->setVisible(view == shown);
    }
    QString count = QLocale().toString(m_visible.size()) + QStringLiteral(" items");
    if (const qsizetype selectedCount = selected().size(); selectedCount > 0)
        count += QStringLiteral(" \u00B7 %1 selected").arg(QLocale().toString(selectedCount));
    m_countLabel->setText(count);
}

bool PaneController::handleKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        fire(previewSelection);
        return true;
    // Return opens, as in the desktop's other file managers; renaming is F2 (the main menu).
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openSelected();
        return true;
    default:
        return false;
    }
}

void PaneController::tableSelectionChanged()
{
    if (isRecordingSelection(PaneMode::list))
        recordSelection(rowPaths(m_table->selectionModel()->selectedRows()));
}

bool PaneController::isRecordingSelection(PaneMode mode) const
{
    return !m_restoringSelection && activeTab().mode == mode;
}

QSet<QString> PaneController::rowPaths(const QList<QModelIndex>& indexes) const
{
    QSet<QString> paths;
    for (const QModelIndex& index : indexes) {
        if (index.row() < m_visible.size())
            paths.insert(m_visible.paths[index.row()]);
    }
    return paths;
}

void PaneController::recordSelection(const QSet<QString>& paths)
{
    currentTab().selectedPaths = paths;
    updateHeader();
    fire(changed);
}

void PaneController::sortChanged(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    currentTab().sort = PaneListModel::sortField(column);
    currentTab().descending = order == Qt::DescendingOrder;
    applyFilter();
    fire(changed);
}

} // namespace bramblet
