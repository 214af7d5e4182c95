#pragma once

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>

#include <filesystem>
#include <functional>

namespace bramblet {

// The thumbnails of the grid's tiles on screen, by item path. The grid says which paths its
// tiles show now; a thumbnail is asked for each of them once, the requests of tiles that left the
// screen are cancelled, and a picture arriving for a path no tile shows any more is dropped, so a
// reused tile never shows an earlier item's picture. Only the shown paths' pictures are kept.
class TileThumbnails : public QObject {
    Q_OBJECT

public:
    // Reads a thumbnail of at most the given pixels, away from the main thread.
    using Reader = std::function<QFuture<QImage>(const std::filesystem::path&, QSize)>;

    // Pictures are read to fit `pixelSize`, the pixels a tile's picture fills, so that drawing
    // them never scales them again on the main thread.
    TileThumbnails(Reader reader, QSize pixelSize, QObject* parent = nullptr);
    ~TileThumbnails() override;

    // The paths the tiles on screen show now, and of those the ones that may have a thumbnail
    // (folders and links keep their icons).
    void setShown(const QSet<QString>& shown, const QList<std::filesystem::path>& wanted);
    // The thumbnail of a shown path; null while none has arrived.
    QImage thumbnail(const QString& path) const { return m_thumbnails.value(path); }
    // How many requests are running.
    qsizetype pendingCount() const { return m_pending.size(); }

signals:
    // A shown path's thumbnail has arrived.
    void arrived(const QString& path);

private:
    void finished(const QString& path, quint64 number, const QFuture<QImage>& future);

    struct Request {
        QFuture<QImage> future;
        quint64 number;
    };

    Reader m_reader;
    QSize m_pixelSize;
    QSet<QString> m_shown;
    QHash<QString, Request> m_pending;
    // Null for a shown path that has no thumbnail, so that it is not asked for again.
    QHash<QString, QImage> m_thumbnails;
    quint64 m_requests = 0;
};

} // namespace bramblet
