#pragma once

#include "BrambletCore/Concurrency/SerialExecutor.h"
#include "BrambletCore/Models/FileItem.h"

#include <QImage>
#include <QList>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QPlainTextEdit;

namespace bramblet {

// What a preview shows of a file: its picture, or the start of its text; neither for anything
// else (the panel then shows the item's icon and details).
struct QuickLookContent {
    QImage image;
    std::optional<QString> text;
};

// The in-app preview window of the workspace (the desktop has no shared preview panel). It shows
// the first of the items handed to it: an image scaled to fit, the first 64 KiB of a text file,
// or otherwise the item's icon, name, kind, size and modification date. Files are read on a
// thread of the panel's own, and only regular files are read. Space and Escape close it; arrow
// keys go to `arrowKey` so the list moves its selection, which the workspace then hands back in.
// Main thread only.
class QuickLookPanel : public QWidget {
    Q_OBJECT

public:
    // A tool window of `window`.
    explicit QuickLookPanel(QWidget* window);
    ~QuickLookPanel() override;

    // Shows the first of `items` (none: the panel keeps what it shows).
    void setItems(const QList<FileItem>& items);
    const QList<FileItem>& items() const { return m_items; }

    // The views of the three presentations; the one in use is visible (tests read them).
    QLabel* imageView() const { return m_image; }
    QPlainTextEdit* textView() const { return m_text; }
    QWidget* detailsView() const { return m_detailsPage; }
    QLabel* detailsLabel() const { return m_details; }
    // True while the content of the shown item is still being read.
    bool isLoading() const { return m_loading; }

    // An arrow key pressed in the panel.
    std::function<void(QKeyEvent*)> arrowKey;

    // Reads what a preview of `file` shows; images are scaled down to fit `maximumPixels`.
    static QuickLookContent load(const std::filesystem::path& file, QSize maximumPixels);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void present(const QuickLookContent& content);
    void showDetails(const FileItem& item);
    void scaleImage();

    QList<FileItem> m_items;
    QImage m_picture;
    QLabel* m_image;
    QPlainTextEdit* m_text;
    QWidget* m_detailsPage;
    QLabel* m_icon;
    QLabel* m_details;
    qint64 m_generation = 0;
    bool m_loading = false;
    // Declared last: destroyed first, while the views its results go to still exist.
    SerialExecutor m_loader;
};

} // namespace bramblet
