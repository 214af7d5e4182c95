#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Thumbnails/ThumbnailReader.h"
#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FilenameFilter.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace bramblet {

PaneController::PaneController(const QString& path, PaneMode mode, QWidget* parent)
    : PaneController(path, mode, std::make_unique<FileService>(), parent)
{
}

PaneController::PaneController(const QString& path, PaneMode mode, std::unique_ptr<FileService> service,
                               QWidget* parent)
    : ColorView(Theme::pane(), true, parent)
    , m_tabs { TabSnapshot(path, mode) }
    , m_service(std::move(service))
    , m_thumbnailReader(std::make_unique<ThumbnailReader>())
{
    m_searchTimer.setSingleShot(true);
    loadView();
}

PaneController::~PaneController()
{
    cancelSearch();
    // The tab buttons live in the side container's header once it shows them; until then they
    // are the pane's.
    for (QToolButton* button : { m_addButton.data(), m_closeButton.data() }) {
        if (button && !button->parent())
            delete button;
    }
}

void PaneController::fire(const std::function<void()>& callback) const
{
    if (callback)
        callback();
}

std::filesystem::path PaneController::currentFolder() const
{
    return pathFromString(activeTab().path);
}

void PaneController::setTabs(const QList<TabSnapshot>& tabs, int activeTabIndex)
{
    if (tabs.isEmpty())
        return;
    m_tabs = tabs;
    m_activeTabIndex = std::clamp(activeTabIndex, 0, int(tabs.size()) - 1);
}

QList<FileItem> PaneController::selected() const
{
    // The tree also selects items in subfolders, which are not among the visible ones.
    if (activeTab().mode == PaneMode::tree)
        return treeSelection();
    QList<qsizetype> rows;
    for (const QString& path : activeTab().selectedPaths) {
        const auto found = m_visible.rows.constFind(path);
        if (found != m_visible.rows.constEnd())
            rows.append(*found);
    }
    std::sort(rows.begin(), rows.end());
    QList<FileItem> items;
    items.reserve(rows.size());
    for (qsizetype row : std::as_const(rows))
        items.append(m_visible.items[row]);
    return items;
}

void PaneController::selectWhere(const std::function<bool(const FileItem&)>& predicate)
{
    QSet<QString> paths;
    for (qsizetype row = 0; row < m_visible.size(); ++row) {
        if (predicate(m_visible.items[row]))
            paths.insert(m_visible.paths[row]);
    }
    currentTab().selectedPaths = paths;
    restoreSelection();
    updateHeader();
    fire(changed);
}

void PaneController::selectAll()
{
    selectWhere([](const FileItem&) { return true; });
}

void PaneController::selectMatching(const QString& pattern)
{
    // The tab's filter rules, hidden items included: only what is visible can be chosen anyway.
    const FilenameFilter filter(pattern);
    selectWhere([&filter](const FileItem& item) { return filter.matches(item.name); });
}

void PaneController::itemRenamed(const std::filesystem::path& from, const std::filesystem::path& to)
{
    const QString before = pathString(from);
    for (TabSnapshot& tab : m_tabs) {
        if (tab.selectedPaths.remove(before))
            tab.selectedPaths.insert(pathString(to));
    }
}

void PaneController::itemCreated(const std::filesystem::path& path)
{
    if (path.parent_path() == currentFolder())
        currentTab().selectedPaths = { pathString(path) };
}

void PaneController::setTags(const QStringList& tags, const QList<std::filesystem::path>& paths)
{
    // The attribute separates tags with commas: a name holding one would come back as two tags.
    for (const QString& tag : tags) {
        if (tag.contains(u','))
            throw std::invalid_argument(QStringLiteral("The tag name “%1” contains a comma, which tags cannot hold.").arg(tag).toStdString());
    }
    const QByteArray value = tags.join(u',').toUtf8();
    for (const auto& path : paths) {
        // Tags are read from the item itself, never from a link's target, so they are written
        // there too.
        const int result = tags.isEmpty() ? ::lremovexattr(path.c_str(), "user.xdg.tags")
                                          : ::lsetxattr(path.c_str(), "user.xdg.tags", value.constData(),
                                                        size_t(value.size()), 0);
        if (result != 0 && !(tags.isEmpty() && errno == ENODATA))
            throw systemError(errno, QStringLiteral("Couldn’t change the tags of"), path);
    }
    refresh();
}

void PaneController::setPermissions(int mode, const QList<std::filesystem::path>& paths)
{
    for (const auto& path : paths) {
        if (::chmod(path.c_str(), mode_t(mode)) != 0)
            throw systemError(errno, QStringLiteral("Couldn’t change the permissions of"), path);
    }
    refresh();
}

void PaneController::openSelected()
{
    const QList<FileItem> items = selected();
    if (items.isEmpty())
        return;
    const FileItem& first = items.first();
    // A link to a folder stays listed as a link, but opens here under its own path: handed to
    // the desktop, a folder would open in another program.
    std::error_code ignored;
    if (first.isDirectory || (first.isSymbolicLink && std::filesystem::is_directory(first.url, ignored)))
        navigate(first.url);
    else if (openFile)
        openFile(first.url);
}

void PaneController::refreshAction()
{
    refresh();
}

void PaneController::chooseFolderAction()
{
    fire(activated);
    fire(chooseFolder);
}

} // namespace bramblet
