#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/BatchRename.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QHash>
#include <QSet>

namespace bramblet {

namespace {

const QString foldersKind = QStringLiteral("Folders");

QString extensionOf(const FileItem& item)
{
    const qsizetype dot = item.name.lastIndexOf(u'.');
    return dot <= 0 ? QString() : item.name.mid(dot + 1).toLower();
}

} // namespace

const QList<std::pair<QString, QSet<QString>>>& WorkspaceController::kindExtensions()
{
    static const QList<std::pair<QString, QSet<QString>>> kinds {
        { QStringLiteral("Images"), { "jpg", "jpeg", "png", "gif", "heic", "heif", "tiff", "bmp", "webp", "svg" } },
        { QStringLiteral("Documents"),
          { "pdf", "doc", "docx", "pages", "txt", "md", "rtf", "key", "numbers", "xls", "xlsx", "ppt", "pptx" } },
        { QStringLiteral("Videos"), { "mp4", "mov", "mkv", "avi", "m4v", "webm" } },
        { QStringLiteral("Audio"), { "mp3", "wav", "aac", "m4a", "flac", "aiff" } },
        { QStringLiteral("Archives"), { "zip", "tar", "gz", "rar", "7z", "bz2" } },
    };
    return kinds;
}

void WorkspaceController::selectByPattern()
{
    QPointer<WorkspaceController> self(this);
    askText(QStringLiteral("Select by Pattern"),
            QStringLiteral("Select visible names matching text or a wildcard such as *.jpg."), QStringLiteral("*"),
            [self](const QString& pattern) {
                if (self && !pattern.isEmpty())
                    self->activePane()->selectMatching(pattern);
            });
}

void WorkspaceController::selectByKind()
{
    QStringList titles;
    for (const auto& kind : kindExtensions())
        titles.append(kind.first);
    titles.append(foldersKind);
    QPointer<WorkspaceController> self(this);
    presentPicker(QStringLiteral("Select by Kind"), titles, QStringLiteral("Select"), std::nullopt,
                  [self](int index, bool) {
                      if (!self)
                          return;
                      const auto& kinds = kindExtensions();
                      if (index < 0 || index > kinds.size())
                          return;
                      if (index == kinds.size()) {
                          self->activePane()->selectWhere([](const FileItem& item) { return item.isDirectory; });
                          return;
                      }
                      const QSet<QString> extensions = kinds[index].second;
                      self->activePane()->selectWhere([&extensions](const FileItem& item) {
                          return !item.isDirectory && extensions.contains(extensionOf(item));
                      });
                  });
}

void WorkspaceController::selectByTag()
{
    QPointer<WorkspaceController> self(this);
    presentPicker(QStringLiteral("Select by Tag"), Theme::tagNames(), QStringLiteral("Select"), std::nullopt,
                  [self](int index, bool) {
                      if (!self || index < 0 || index >= Theme::tagNames().size())
                          return;
                      const QString tag = Theme::tagNames()[index];
                      self->activePane()->selectWhere([&tag](const FileItem& item) { return item.tags.contains(tag); });
                  });
}

void WorkspaceController::manageTags()
{
    if (activePane()->selected().isEmpty())
        return;
    QPointer<WorkspaceController> self(this);
    presentPicker(QStringLiteral("Set Tag"), QStringList { QStringLiteral("None") } + Theme::tagNames(),
                  QStringLiteral("Apply"), std::nullopt, [self](int index, bool) {
                      if (!self || index < 0 || index > Theme::tagNames().size())
                          return;
                      const QStringList tags = index == 0 ? QStringList() : QStringList { Theme::tagNames()[index - 1] };
                      try {
                          self->activePane()->setTags(tags, self->selectedPaths());
                      } catch (const std::exception& failure) {
                          self->showError(QStringLiteral("Could not set tag. ") + QString::fromUtf8(failure.what()));
                      }
                  });
}

void WorkspaceController::changePermissions(const std::filesystem::path& item, int mode)
{
    try {
        activePane()->setPermissions(mode, { item });
    } catch (const std::exception& failure) {
        showError(QStringLiteral("Could not change permissions. ") + QString::fromUtf8(failure.what()));
    }
}

void WorkspaceController::rename()
{
    const auto selected = activePane()->selected();
    if (selected.size() != 1)
        return;
    // The item is taken now: the selection may change while the prompt is up.
    const FileItem item = selected.first();
    QPointer<WorkspaceController> self(this);
    askText(QStringLiteral("Rename"), pathString(item.url), item.name, [self, item](const QString& name) {
        if (self)
            self->enqueue({ { FileAction::rename, item.url, item.url.parent_path() / pathFromString(name), ConflictPolicy::ask } });
    });
}

void WorkspaceController::batchRename()
{
    if (activePane()->selected().size() < 2 || !m_window)
        return;
    DialogRequest request;
    request.message = QStringLiteral("Batch Rename");
    request.informativeText =
        QStringLiteral("Replace text in the selected names. The file extension is preserved when it is not part of the match.");
    request.buttons = { QStringLiteral("Rename"), QStringLiteral("Cancel") };
    request.accessory = DialogRequest::Accessory::twoTextFields;
    request.placeholder = request.accessoryName = QStringLiteral("Find text");
    request.accessoryToolTip = QStringLiteral("Text to search for in the selected names");
    request.secondPlaceholder = request.secondName = QStringLiteral("Replace with");
    request.secondToolTip = QStringLiteral("Replacement text");
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(m_window, request, [self](const DialogAnswer& answer) {
        if (!self || answer.button != 0 || answer.text.isEmpty())
            return;
        const auto plan = planBatchRename(self->activePane()->selected(), answer.text, answer.secondText);
        if (plan.failure)
            self->showError(*plan.failure);
        else
            self->enqueue(plan.requests);
    });
}

void WorkspaceController::newFolder()
{
    const auto folder = pathFromString(activeTabPath());
    QPointer<WorkspaceController> self(this);
    askText(QStringLiteral("New Folder"), QStringLiteral("Create in ") + pathString(folder), QStringLiteral("Untitled Folder"),
            [self, folder](const QString& name) {
                if (self)
                    self->enqueue({ { FileAction::createFolder, folder, folder / pathFromString(name), ConflictPolicy::ask } });
            });
}

void WorkspaceController::contextAction(const QString& identifier)
{
    using Command = void (WorkspaceController::*)();
    static const QHash<QString, Command> commands {
        { QStringLiteral("open"), &WorkspaceController::openSelection },
        { QStringLiteral("preview"), &WorkspaceController::showQuickLook },
        { QStringLiteral("stack"), &WorkspaceController::addSelectionToDropStack },
        { QStringLiteral("selectPattern"), &WorkspaceController::selectByPattern },
        { QStringLiteral("selectKind"), &WorkspaceController::selectByKind },
        { QStringLiteral("selectTag"), &WorkspaceController::selectByTag },
        { QStringLiteral("batchRename"), &WorkspaceController::batchRename },
        { QStringLiteral("rename"), &WorkspaceController::rename },
        { QStringLiteral("tags"), &WorkspaceController::manageTags },
        { QStringLiteral("compare"), &WorkspaceController::compareSelected },
        { QStringLiteral("copy"), &WorkspaceController::copyToOther },
        { QStringLiteral("move"), &WorkspaceController::moveToOther },
        { QStringLiteral("share"), &WorkspaceController::shareSelected },
        { QStringLiteral("trash"), &WorkspaceController::trashSelection },
    };
    if (const Command command = commands.value(identifier))
        (this->*command)();
}

} // namespace bramblet
