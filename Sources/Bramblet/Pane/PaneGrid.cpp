#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Pane/CompactGridLayout.h"
#include "Bramblet/Pane/FileTile.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Pane/TileThumbnails.h"
#include "Bramblet/Theme/FileCollection.h"
#include "Bramblet/Thumbnails/ThumbnailReader.h"

#include <QScrollBar>

namespace bramblet {

void PaneController::configureCollection()
{
    ThumbnailReader* reader = m_thumbnailReader.get();
    m_tileThumbnails = new TileThumbnails(
        [reader](const std::filesystem::path& file, QSize pixels) { return reader->read(file, pixels); },
        FileTile::imageSize * devicePixelRatioF(), this);
    connect(m_tileThumbnails, &TileThumbnails::arrived, this, [this](const QString& path) {
        const auto found = m_visible.rows.constFind(path);
        if (found != m_visible.rows.constEnd() && *found < m_model->rowCount())
            m_collection->update(m_model->index(int(*found), PaneListModel::nameColumn));
    });

    // Every tile owns a cell of the grid's size with half the gap on each side, so the view's own
    // left-to-right placement of equal cells puts the tiles where the compact layout wants them.
    static_assert(CompactGridLayout::inset == CompactGridLayout::spacing / 2);
    m_collection->setModel(m_model);
    m_collection->setModelColumn(PaneListModel::nameColumn);
    m_collection->setItemDelegate(new FileTile(m_tileThumbnails, m_collection));
    m_collection->setViewMode(QListView::IconMode);
    m_collection->setMovement(QListView::Static);
    m_collection->setFlow(QListView::LeftToRight);
    m_collection->setWrapping(true);
    m_collection->setResizeMode(QListView::Adjust);
    m_collection->setGridSize(CompactGridLayout::cellSize);
    m_collection->setSpacing(0);
    m_collection->setUniformItemSizes(true);
    // Large folders are laid out a batch at a time, so the first screen of tiles shows at once.
    m_collection->setLayoutMode(QListView::Batched);
    m_collection->setBatchSize(1000);
    m_collection->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_collection->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_collection->setFrameShape(QFrame::NoFrame);
    m_collection->viewport()->setAutoFillBackground(false);
    m_collection->setAccessibleName(QStringLiteral("File grid"));
    m_collection->setMenu(m_contextMenu);

    connect(m_collection, &QAbstractItemView::doubleClicked, this, &PaneController::openSelected);
    connect(m_collection->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PaneController::gridSelectionChanged);
    connect(m_collection->verticalScrollBar(), &QScrollBar::valueChanged, this, &PaneController::scheduleShownTiles);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &PaneController::scheduleShownTiles);
    const QPointer<PaneController> self(this);
    m_collection->activated = [self] {
        if (self)
            self->fire(self->activated);
    };
    m_collection->keyHandler = [self](QKeyEvent* event) { return self && self->handleKey(event); };

    m_tileTimer.setSingleShot(true);
    m_tileTimer.setInterval(0);
    connect(&m_tileTimer, &QTimer::timeout, this, &PaneController::updateShownTiles);
}

void PaneController::gridSelectionChanged()
{
    if (isRecordingSelection(PaneMode::grid))
        recordSelection(rowPaths(m_collection->selectionModel()->selectedIndexes()));
}

void PaneController::scheduleShownTiles()
{
    m_tileTimer.start();
}

void PaneController::updateShownTiles()
{
    QSet<QString> shown;
    QList<std::filesystem::path> wanted;
    if (activeTab().mode == PaneMode::grid) {
        const int top = m_collection->verticalScrollBar()->value();
        const QWidget* viewport = m_collection->viewport();
        const auto [first, last] = CompactGridLayout::itemsBetween(top, top + viewport->height(),
                                                                   CompactGridLayout::width(m_collection),
                                                                   m_model->rowCount());
        for (int row = first; row <= last; ++row) {
            const FileItem& item = m_visible.items[row];
            shown.insert(m_visible.paths[row]);
            // Folders and links keep their icons.
            if (!item.isDirectory && !item.isSymbolicLink)
                wanted.append(item.url);
        }
    }
    m_tileThumbnails->setShown(shown, wanted);
}

} // namespace bramblet
