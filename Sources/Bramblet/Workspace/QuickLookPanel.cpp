#include "Bramblet/Workspace/QuickLookPanel.h"

#include "Bramblet/Thumbnails/ThumbnailReader.h"
#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Theme/Theme.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bramblet {

namespace {

// Enough to read the start of any text file without holding a large one in the view.
constexpr qsizetype textLimit = 64 * 1024;
constexpr QSize pictureLimit(1600, 1200);

// The first `textLimit` bytes of a regular file; none for anything else (a pipe or a device
// would block or never end) or what cannot be opened.
std::optional<QByteArray> readStart(const std::filesystem::path& file)
{
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<QByteArray> start;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        QByteArray bytes(textLimit, Qt::Uninitialized);
        qsizetype filled = 0;
        while (filled < textLimit) {
            const ssize_t count = ::read(descriptor, bytes.data() + filled, size_t(textLimit - filled));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            filled += count;
        }
        bytes.truncate(filled);
        start = bytes;
    }
    ::close(descriptor);
    return start;
}

} // namespace

QuickLookPanel::QuickLookPanel(QWidget* window)
    : QWidget(window, Qt::Tool)
    , m_image(new QLabel)
    , m_text(new QPlainTextEdit)
    , m_detailsPage(new QWidget)
    , m_icon(new QLabel)
    , m_details(new QLabel)
{
    setWindowTitle(QStringLiteral("Quick Look"));
    resize(720, 540);
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setMinimumSize(1, 1);
    m_image->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_image->setAccessibleName(QStringLiteral("Preview image"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(QStringLiteral("Preview text"));
    // The panel answers Space and the arrow keys itself.
    m_text->setFocusPolicy(Qt::NoFocus);
    m_icon->setAlignment(Qt::AlignCenter);
    m_details->setAlignment(Qt::AlignCenter);
    m_details->setWordWrap(true);
    m_details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* details = new QVBoxLayout(m_detailsPage);
    details->addStretch(1);
    details->addWidget(m_icon);
    details->addWidget(m_details);
    details->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    for (QWidget* page : { static_cast<QWidget*>(m_image), static_cast<QWidget*>(m_text), m_detailsPage }) {
        layout->addWidget(page, 1);
        page->hide();
    }
    setFocusPolicy(Qt::StrongFocus);
}

QuickLookPanel::~QuickLookPanel() = default;

void QuickLookPanel::setItems(const QList<FileItem>& items)
{
    if (items.isEmpty())
        return;
    const bool sameItem = !m_items.isEmpty() && m_items.first() == items.first();
    m_items = items;
    if (sameItem)
        return;
    const FileItem& item = items.first();
    setWindowTitle(item.name);
    const qint64 generation = ++m_generation;
    m_loading = true;
    // Until the content arrives (a folder has none to read), the details stand in.
    present({});
    if (item.isDirectory) {
        m_loading = false;
        return;
    }
    const auto file = item.url;
    const auto future = m_loader.run([file](const Cancellation&) { return load(file, pictureLimit); });
    whenFinished(future, this, [this, generation](const QFuture<QuickLookContent>& loaded) {
        if (generation != m_generation || !hasResult(loaded))
            return;
        m_loading = false;
        present(loaded.result());
    });
}

QuickLookContent QuickLookPanel::load(const std::filesystem::path& file, QSize maximumPixels)
{
    QuickLookContent content;
    content.image = ThumbnailReader::readThumbnail(file, maximumPixels);
    if (!content.image.isNull())
        return content;
    const auto start = readStart(file);
    if (!start)
        return content;
    const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(QString::fromStdString(file.filename().string()), *start);
    if (type.inherits(QStringLiteral("text/plain")))
        content.text = QString::fromUtf8(*start);
    return content;
}

void QuickLookPanel::present(const QuickLookContent& content)
{
    m_picture = content.image;
    const bool picture = !m_picture.isNull();
    m_image->setVisible(picture);
    m_text->setVisible(!picture && content.text.has_value());
    m_detailsPage->setVisible(!picture && !content.text);
    if (picture)
        scaleImage();
    else if (content.text)
        m_text->setPlainText(*content.text);
    else
        showDetails(m_items.first());
}

void QuickLookPanel::showDetails(const FileItem& item)
{
    m_icon->setPixmap(PaneListModel::icon(item).pixmap(128, 128));
    QStringList lines { item.name, item.kind() };
    if (!item.isDirectory)
        lines.append(PaneListModel::sizeText(item));
    lines.append(QStringLiteral("Modified ") + PaneListModel::dateText(item));
    m_details->setText(lines.join(u'\n'));
}

void QuickLookPanel::scaleImage()
{
    if (m_picture.isNull())
        return;
    const QSize room = m_image->size().boundedTo(m_picture.size() / m_picture.devicePixelRatio());
    m_image->setPixmap(QPixmap::fromImage(m_picture).scaled(room * devicePixelRatioF(), Qt::KeepAspectRatio,
                                                            Qt::SmoothTransformation));
}

void QuickLookPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    scaleImage();
}

void QuickLookPanel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Escape:
        hide();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (arrowKey)
            arrowKey(event);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace bramblet
