#include "Bramblet/Inspector/InspectorController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Thumbnails/ThumbnailReader.h"
#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

namespace bramblet {
namespace {

// Thumbnails are asked for at this size in layout units, times the screen's pixel ratio.
constexpr QSize thumbnailSize(260, 200);
constexpr int folderPictureHeight = 144;
constexpr int filePictureHeight = 200;

QString modificationText(const std::optional<Date>& date)
{
    if (!date)
        return QStringLiteral("0");
    // Seconds and nanoseconds apart, so that no change of the time is lost to rounding.
    const qint64 nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(date->time_since_epoch()).count();
    qint64 seconds = nanoseconds / 1'000'000'000;
    qint64 fraction = nanoseconds % 1'000'000'000;
    if (fraction < 0) {
        fraction += 1'000'000'000;
        --seconds;
    }
    return QStringLiteral("%1.%2").arg(seconds).arg(fraction, 9, 10, QChar(u'0'));
}

QString dateText(const std::optional<Date>& date)
{
    if (!date)
        return QStringLiteral("Unavailable");
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(date->time_since_epoch());
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(milliseconds.count()), QLocale::ShortFormat);
}

} // namespace

InspectorController::InspectorController(ThumbnailSource thumbnails, QObject* parent)
    : QObject(parent)
    , m_thumbnails(std::move(thumbnails))
{
    if (!m_thumbnails) {
        m_reader = std::make_unique<ThumbnailReader>();
        m_thumbnails = [reader = m_reader.get()](const std::filesystem::path& file, QSize maximumPixels) {
            return reader->read(file, maximumPixels);
        };
    }
}

InspectorController::~InspectorController()
{
    delete m_view;
}

QWidget* InspectorController::view()
{
    if (!m_view)
        loadView();
    return m_view;
}

StackView* InspectorController::content() const
{
    return m_content;
}

void InspectorController::loadView()
{
    auto* root = new ColorView(Theme::sidebar(), true);
    auto* titleLabel = new ThemedLabel(QStringLiteral("Inspector"), Theme::font(14, QFont::DemiBold), Theme::primary());
    m_content = new StackView;
    m_content->setOrientation(Qt::Vertical);
    m_content->boxLayout()->setSpacing(12);
    // Takes the height the content leaves, so the content stays at the top.
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    StackView* stack = Theme::stack({ titleLabel, m_content, spacer }, Qt::Vertical, 16);
    stack->boxLayout()->setContentsMargins(16, 16, 16, 16);
    stack->boxLayout()->setAlignment(m_content, {});
    Theme::pin(stack, root, 0);
    m_view = root;
}

QString InspectorController::signature(const QList<FileItem>& items, const QString& path)
{
    QStringList parts;
    for (const FileItem& item : items) {
        // The path's own bytes, one character each: two names that differ only in bytes that
        // are not UTF-8 would read the same as text.
        parts.append(QStringList { QString::fromLatin1(QByteArray::fromStdString(item.url.native())),
                                   QString::number(item.size), modificationText(item.modified),
                                   QString::number(item.permissions.value_or(-1)), item.tags.join(u',') }
                         .join(u'|'));
    }
    return parts.join(u';') + u'#' + path;
}

void InspectorController::update(const QList<FileItem>& items, const QString& path)
{
    if (!m_view)
        loadView();
    QString newSignature = signature(items, path);
    if (m_lastSignature == newSignature)
        return;
    m_lastSignature = std::move(newSignature);

    m_previewPath.reset();
    m_pendingThumbnail.cancel();
    clearContent();
    if (items.isEmpty())
        showNoItem(path);
    else if (items.size() == 1)
        showItem(items.first());
    else
        showItems(items);
}

void InspectorController::clearContent()
{
    QBoxLayout* layout = m_content->boxLayout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* view = item->widget()) {
            view->hide();
            // Later, not now: the change may have been set off by a control in this very panel.
            view->deleteLater();
        }
        delete item;
    }
}

void InspectorController::showNoItem(const QString& path)
{
    addView(Theme::icon(QStringLiteral("Search"), 56), false);
    addTitle(QStringLiteral("A closer look"));
    addText(QStringLiteral("Select a file to see its preview, details, and permissions."), Theme::muted());
    addHeading(QStringLiteral("CURRENT FOLDER"));
    addPath(path);
    addText(QStringLiteral("Space to Quick Look"), Theme::muted());
}

void InspectorController::showItem(const FileItem& item)
{
    const QString path = pathString(item.url);
    auto* picture = new ImageView;
    picture->setIcon(QFileIconProvider().icon(QFileInfo(path)), false);
    const bool hasThumbnail = !item.isDirectory && !item.isSymbolicLink;
    picture->setFixedHeight(hasThumbnail ? filePictureHeight : folderPictureHeight);
    addView(picture, true);
    if (hasThumbnail) {
        m_previewPath = item.url;
        requestThumbnail(item, picture);
    }

    addTitle(DisplayText::visibleName(item.name));
    addText(item.kind(), Theme::muted());
    addHeading(QStringLiteral("GENERAL"));
    row(QStringLiteral("Size"), item.isDirectory ? QStringLiteral("Not calculated") : DisplayText::fileSizeText(item.size));
    row(QStringLiteral("Modified"), dateText(item.modified));
    row(QStringLiteral("Created"), dateText(item.created));
    row(QStringLiteral("Hidden"), item.isHidden ? QStringLiteral("Yes") : QStringLiteral("No"));
    addHeading(QStringLiteral("LOCATION"));
    addPath(path);

    if (!item.permissions) {
        m_currentURL.reset();
        return;
    }
    m_currentURL = item.url;
    m_currentMode = *item.permissions;
    m_permissionsEditable = true;
    addHeading(QStringLiteral("PERMISSIONS · ") + QString::number(m_currentMode, 8).rightJustified(3, u'0'));
    permissionsGrid();
}

void InspectorController::showItems(const QList<FileItem>& items)
{
    qint64 total = 0;
    for (const FileItem& item : items) {
        if (!item.isDirectory)
            total += item.size;
    }
    addTitle(QLocale().toString(items.size()) + QStringLiteral(" items selected"));
    addText(DisplayText::fileSizeText(total));
    addText(QStringLiteral("Combined file size. Folder contents are not included."), Theme::muted());
}

void InspectorController::requestThumbnail(const FileItem& item, ImageView* picture)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal scale = screen ? screen->devicePixelRatio() : 2;
    const QSize maximumPixels = (QSizeF(thumbnailSize) * scale).toSize();
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, requested = item.url, target = QPointer<ImageView>(picture)] {
                watcher->deleteLater();
                const QFuture<QImage> thumbnail = watcher->future();
                // Selecting another item meanwhile clears or changes previewPath, and a rebuild
                // deletes the old picture: either way this thumbnail is no longer wanted.
                if (thumbnail.isCanceled() || thumbnail.resultCount() == 0 || m_previewPath != requested || !target)
                    return;
                const QImage image = thumbnail.result();
                if (!image.isNull())
                    target->setIcon(QIcon(QPixmap::fromImage(image)), false);
            });
    m_pendingThumbnail = m_thumbnails(item.url, maximumPixels);
    watcher->setFuture(m_pendingThumbnail);
}

} // namespace bramblet
