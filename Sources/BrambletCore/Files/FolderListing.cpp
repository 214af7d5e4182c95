#include "BrambletCore/Files/FolderListing.h"

#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Files/ItemAttributes.h"
#include "BrambletCore/Files/SystemError.h"

#include <fcntl.h>

namespace bramblet {

QList<FileItem> listFolder(const std::filesystem::path& folder)
{
    Directory directory(AT_FDCWD, folder.c_str(), true);
    if (!directory.isOpen())
        throw systemError(directory.error(), QStringLiteral("Couldn’t open the folder"), folder);
    QList<FileItem> items;
    while (const dirent* entry = directory.next()) {
        try {
            items.append(readItem(directory.fd(), entry->d_name, folder / entry->d_name, listingKeys));
        } catch (const std::system_error& error) {
            // Deleted or renamed after the folder named it: no longer one of its children.
            if (!isVanished(error))
                throw;
        }
    }
    if (directory.error() != 0)
        throw systemError(directory.error(), QStringLiteral("Couldn’t read the folder"), folder);
    return items;
}

} // namespace bramblet
