#include "Bramblet/Sidebar/SidebarController.h"

#include "Bramblet/Sidebar/SidebarCellDelegate.h"
#include "Bramblet/Sidebar/SidebarModel.h"
#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/Theme.h"

#include <QHeaderView>

namespace bramblet {
namespace {

const QString moveUpTitle = QStringLiteral("Move Up");
const QString removeTitle = QStringLiteral("Remove from Sidebar");

// Sets a flag for the length of a scope, and puts back the value it had.
class SyncingScope {
public:
    explicit SyncingScope(bool& flag)
        : m_flag(flag)
        , m_previous(flag)
    {
        m_flag = true;
    }
    ~SyncingScope() { m_flag = m_previous; }
    SyncingScope(const SyncingScope&) = delete;
    SyncingScope& operator=(const SyncingScope&) = delete;

private:
    bool& m_flag;
    bool m_previous;
};

} // namespace

SidebarController::SidebarController(VolumeSource volumes, QObject* parent)
    : QObject(parent)
    , m_volumes(std::move(volumes))
    , m_model(std::make_unique<SidebarModel>())
{
    m_model->dropped = [this](const QList<QUrl>& folders) { acceptDrop(folders); };
}

SidebarController::~SidebarController()
{
    // The view refers to the model, which goes with this controller.
    delete m_view;
}

QWidget* SidebarController::view()
{
    if (!m_view)
        loadView();
    return m_view;
}

const SidebarSections& SidebarController::sections() const
{
    return m_model->sections();
}

QSet<QString> SidebarController::standardLocationPaths()
{
    return bramblet::standardLocationPaths();
}

void SidebarController::loadView()
{
    auto* root = new ColorView(Theme::sidebar(), true);
    auto* outline = new SidebarOutline;
    outline->setModel(m_model.get());
    outline->setItemDelegate(new SidebarCellDelegate(*m_model, outline));
    outline->header()->hide();
    outline->header()->setStretchLastSection(true);
    outline->setFrameShape(QFrame::NoFrame);
    outline->setAutoFillBackground(false);
    outline->viewport()->setAutoFillBackground(false);
    outline->setUniformRowHeights(true);
    outline->setIndentation(12);
    outline->setSelectionMode(QAbstractItemView::SingleSelection);
    outline->setSelectionBehavior(QAbstractItemView::SelectRows);
    outline->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outline->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    outline->setDragDropMode(QAbstractItemView::DropOnly);
    outline->setDropIndicatorShown(true);
    outline->setAcceptDrops(true);
    outline->setAccessibleName(QStringLiteral("Sidebar"));
    outline->setAccessibleDescription(QStringLiteral("Favourite folders and mounted volumes"));
    outline->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(outline, &QWidget::customContextMenuRequested, this, &SidebarController::showContextMenu);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SidebarController::selectionChanged);
    m_menu = new QMenu(outline);
    connect(m_menu, &QMenu::triggered, this, &SidebarController::changeFavorite);
    Theme::pin(outline, root, 8);
    m_outline = outline;
    m_view = root;
}

void SidebarController::reload(const QStringList& favorites, const QString& selectedPath)
{
    if (!m_view)
        loadView();
    QSet<QString> collapsed;
    for (int section = 0; section < m_model->rowCount(); ++section) {
        const QModelIndex index = m_model->sectionIndex(section);
        if (!m_outline->isExpanded(index))
            collapsed.insert(m_model->entry(index)->title);
    }
    {
        const SyncingScope syncing(m_syncing);
        m_model->setSections(makeSidebarSections(favorites, m_volumes ? m_volumes() : QList<MountedVolume>()));
        for (int section = 0; section < m_model->rowCount(); ++section) {
            const QModelIndex index = m_model->sectionIndex(section);
            if (!collapsed.contains(m_model->entry(index)->title))
                m_outline->expand(index);
        }
    }
    select(selectedPath);
}

void SidebarController::select(const QString& path)
{
    if (!m_view)
        loadView();
    const SyncingScope syncing(m_syncing);
    for (int section = 0; section < m_model->rowCount(); ++section) {
        const QModelIndex sectionIndex = m_model->sectionIndex(section);
        // The rows of a collapsed section are not among the outline's rows.
        if (!m_outline->isExpanded(sectionIndex))
            continue;
        for (int row = 0; row < m_model->rowCount(sectionIndex); ++row) {
            const QModelIndex index = m_model->index(row, 0, sectionIndex);
            if (m_model->entry(index)->path == path) {
                m_outline->selectionModel()->setCurrentIndex(
                    index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                return;
            }
        }
    }
    m_outline->selectionModel()->clear();
}

void SidebarController::selectionChanged()
{
    if (m_syncing)
        return;
    const QModelIndexList selected = m_outline->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const SidebarEntry* entry = m_model->entry(selected.first());
    if (entry && entry->path && navigate)
        navigate(QUrl::fromLocalFile(*entry->path));
}

void SidebarController::showContextMenu(const QPoint& position)
{
    menuNeedsUpdate(m_outline->indexAt(position));
    if (!m_menu->isEmpty())
        m_menu->popup(m_outline->viewport()->mapToGlobal(position));
}

void SidebarController::menuNeedsUpdate(const QModelIndex& clicked)
{
    m_menu->clear();
    const SidebarEntry* entry = m_model->entry(clicked);
    if (!entry || !entry->favorite || !entry->path)
        return;
    for (const QString& title : { moveUpTitle, removeTitle })
        m_menu->addAction(title)->setData(*entry->path);
}

void SidebarController::changeFavorite(QAction* item)
{
    const QVariant path = item->data();
    if (path.typeId() == QMetaType::QString && favoriteAction)
        favoriteAction(path.toString(), item->text() == moveUpTitle);
}

void SidebarController::acceptDrop(const QList<QUrl>& folders)
{
    m_outline->expand(m_model->sectionIndex(0));
    if (foldersDropped)
        foldersDropped(folders);
}

} // namespace bramblet
