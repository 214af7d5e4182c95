#pragma once

#include <QStyledItemDelegate>

namespace bramblet {

class TileThumbnails;

// Draws the grid's tiles: in each cell of the grid a tile with the item's thumbnail (once it has
// arrived) or its icon over its name on at most two lines, truncated in the middle; a selected
// tile has a faint cyan background.
class FileTile : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `thumbnails` outlives the delegate.
    FileTile(const TileThumbnails* thumbnails, QObject* parent = nullptr);

    static constexpr QSize imageSize { 120, 80 };
    static constexpr int nameWidth = 124;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The name as the tile shows it: the lines that fit `width` in `font`, at most two, the second
    // truncated in the middle when the name does not end there.
    static QStringList nameLines(const QString& name, const QFont& font, int width);

private:
    const TileThumbnails* m_thumbnails;
};

} // namespace bramblet
