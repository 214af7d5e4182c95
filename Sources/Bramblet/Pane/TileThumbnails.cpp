#include "Bramblet/Pane/TileThumbnails.h"

#include "Bramblet/Pane/FutureWatch.h"
#include "BrambletCore/Models/FileItem.h"

namespace bramblet {

TileThumbnails::TileThumbnails(Reader reader, QSize pixelSize, QObject* parent)
    : QObject(parent)
    , m_reader(std::move(reader))
    , m_pixelSize(pixelSize)
{
}

TileThumbnails::~TileThumbnails()
{
    for (Request& request : m_pending)
        request.future.cancel();
}

void TileThumbnails::setShown(const QSet<QString>& shown, const QList<std::filesystem::path>& wanted)
{
    m_shown = shown;
    for (auto pending = m_pending.begin(); pending != m_pending.end();) {
        if (shown.contains(pending.key())) {
            ++pending;
        } else {
            pending->future.cancel();
            pending = m_pending.erase(pending);
        }
    }
    m_thumbnails.removeIf([&shown](const auto& entry) { return !shown.contains(entry.key()); });
    for (const auto& file : wanted) {
        const QString path = pathString(file);
        if (!shown.contains(path) || m_pending.contains(path) || m_thumbnails.contains(path))
            continue;
        const QFuture<QImage> future = m_reader(file, m_pixelSize);
        const quint64 number = ++m_requests;
        m_pending.insert(path, Request { future, number });
        whenFinished(future, this, [this, path, number](const QFuture<QImage>& done) { finished(path, number, done); });
    }
}

void TileThumbnails::finished(const QString& path, quint64 number, const QFuture<QImage>& future)
{
    // Only the request this path is waiting for counts: an earlier one for the same path may
    // still finish after being cancelled.
    const auto pending = m_pending.constFind(path);
    if (pending == m_pending.constEnd() || pending->number != number)
        return;
    m_pending.erase(pending);
    if (!m_shown.contains(path))
        return;
    const QImage image = !failureOf(future) && hasResult(future) ? future.result() : QImage();
    m_thumbnails.insert(path, image);
    if (!image.isNull())
        emit arrived(path);
}

} // namespace bramblet
