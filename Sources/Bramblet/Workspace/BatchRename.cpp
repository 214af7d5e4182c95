#include "Bramblet/Workspace/BatchRename.h"

#include "BrambletCore/Files/FileService.h"

namespace bramblet {

BatchRenamePlan planBatchRename(const QList<FileItem>& items, const QString& find, const QString& replacement)
{
    BatchRenamePlan plan;
    for (const FileItem& item : items) {
        const QString name = find.isEmpty() ? item.name : QString(item.name).replace(find, replacement, Qt::CaseSensitive);
        try {
            FileService::validateName(name);
        } catch (const std::exception& failure) {
            return { {}, QString::fromUtf8(failure.what()) };
        }
        if (name != item.name)
            plan.requests.append({ FileAction::rename, item.url, item.url.parent_path() / pathFromString(name), ConflictPolicy::ask });
    }
    if (plan.requests.isEmpty())
        plan.failure = QStringLiteral("No selected names changed.");
    return plan;
}

} // namespace bramblet
