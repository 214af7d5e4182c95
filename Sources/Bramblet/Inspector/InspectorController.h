#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"
#include "BrambletCore/Models/FileItem.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace bramblet {

class ImageView;
class StackView;
class ThumbnailReader;

// The panel at the right edge of the workspace window, showing what is selected in the active
// pane: with nothing selected the active folder and a hint; with one item its icon or thumbnail,
// name, kind, size, dates, hidden flag, path and an editable grid of its POSIX permissions; with
// several their count and combined file size. It never changes the disk: a toggled permission
// goes to the workspace through `changePermissions`. Main thread only.
class InspectorController : public QObject {
    Q_OBJECT

public:
    // Makes the thumbnail of a file, at most the given pixels, away from the main thread; a null
    // image when there is none.
    using ThumbnailSource = std::function<QFuture<QImage>(const std::filesystem::path& file, QSize maximumPixels)>;

    // Without a source, thumbnails come from a ThumbnailReader of the controller's own.
    explicit InspectorController(ThumbnailSource thumbnails = {}, QObject* parent = nullptr);
    // Deletes the view unless whoever it was placed in has deleted it already.
    ~InspectorController() override;

    // The panel, built on first use. Whoever places it becomes its parent.
    QWidget* view();
    bool isViewLoaded() const { return m_view != nullptr; }

    // Shows `items`, the selection of the active pane, and `path`, the folder of its active tab.
    // Nothing is rebuilt while the signature of both (see signature()) is the one shown, so the
    // frequent refreshes of the workspace keep the panel and its thumbnail in place.
    void update(const QList<FileItem>& items, const QString& path);

    // Called after every toggle of a permission box with the item and its complete new mode: the
    // nine permission bits as the boxes show them, with the item's other mode bits (set-user-ID,
    // set-group-ID, sticky) kept. Set by the workspace, which applies it and reports a failure.
    std::function<void(const std::filesystem::path& item, int mode)> changePermissions;

    // The rebuilt part below the panel title.
    StackView* content() const;
    // The file whose thumbnail is awaited; a thumbnail for any other file is dropped.
    const std::optional<std::filesystem::path>& previewPath() const { return m_previewPath; }
    // The item whose permissions the grid shows; none when no grid was built.
    const std::optional<std::filesystem::path>& currentURL() const { return m_currentURL; }
    int currentMode() const { return m_currentMode; }
    bool permissionsEditable() const { return m_permissionsEditable; }
    const std::optional<QString>& lastSignature() const { return m_lastSignature; }

    // What update() compares: per item its path, size, modification time, permission bits and
    // tags, then the folder. Creation date, hidden flag and name are not part of it.
    static QString signature(const QList<FileItem>& items, const QString& path);

private:
    void loadView();
    void clearContent();
    void showNoItem(const QString& path);
    void showItem(const FileItem& item);
    void showItems(const QList<FileItem>& items);
    void requestThumbnail(const FileItem& item, ImageView* picture);

    // Building steps, each appending to `content`.
    void addView(QWidget* view, bool fullWidth);
    void addTitle(const QString& text);
    void addText(const QString& text, const std::optional<AdaptiveColor>& color = std::nullopt);
    void addHeading(const QString& text);
    void row(const QString& label, const QString& value);
    void addPath(const QString& path);
    void permissionsGrid();
    void permissionToggled(int tag, bool on);

    ThumbnailSource m_thumbnails;
    std::unique_ptr<ThumbnailReader> m_reader;
    QPointer<QWidget> m_view;
    QPointer<StackView> m_content;
    QFuture<QImage> m_pendingThumbnail;
    std::optional<std::filesystem::path> m_previewPath;
    std::optional<std::filesystem::path> m_currentURL;
    int m_currentMode = 0;
    bool m_permissionsEditable = false;
    std::optional<QString> m_lastSignature;
};

} // namespace bramblet
