#include "BrambletCore/Files/FolderListing.h"

#include "BrambletCore/Files/Directory.h"
#include "BrambletCore/Files/ItemAttributes.h"
#include "BrambletCore/Files/SystemError.h"

#include <algorithm>
#include <exception>
#include <fcntl.h>
#include <string>
#include <thread>
#include <vector>

namespace bramblet {

namespace {

// Each entry costs two system calls (statx and the tags attribute) and they dominate a listing.
// They are independent, so a large folder is read in a few slices at once; a small one is not
// worth a thread.
constexpr size_t entriesPerSlice = 4096;
constexpr size_t maximumSlices = 4;

struct Slice {
    QList<FileItem> items;
    std::exception_ptr failure; // the first entry of the slice that could not be read
};

void readSlice(int folderFd, const std::filesystem::path& folder, const std::vector<std::string>& names,
               size_t begin, size_t end, Slice& slice)
{
    slice.items.reserve(qsizetype(end - begin));
    for (size_t i = begin; i < end; ++i) {
        try {
            const char* name = names[i].c_str();
            slice.items.append(readItem(folderFd, name, childPath(folder, name), listingKeys));
        } catch (const std::system_error& error) {
            // Deleted or renamed after the folder named it: no longer one of its children.
            if (isVanished(error))
                continue;
            slice.failure = std::current_exception();
            return;
        } catch (...) {
            slice.failure = std::current_exception();
            return;
        }
    }
}

} // namespace

QList<FileItem> listFolder(const std::filesystem::path& folder)
{
    Directory directory(AT_FDCWD, folder.c_str(), true);
    if (!directory.isOpen())
        throw systemError(directory.error(), QStringLiteral("Couldn’t open the folder"), folder);
    std::vector<std::string> names;
    while (const dirent* entry = directory.next())
        names.emplace_back(entry->d_name);
    if (directory.error() != 0)
        throw systemError(directory.error(), QStringLiteral("Couldn’t read the folder"), folder);

    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t sliceCount = std::clamp(names.size() / entriesPerSlice, size_t(1), std::min(maximumSlices, cores));
    std::vector<Slice> slices(sliceCount);
    const auto bound = [&](size_t slice) { return names.size() * slice / sliceCount; };
    {
        std::vector<std::jthread> helpers;
        for (size_t i = 1; i < sliceCount; ++i)
            helpers.emplace_back(readSlice, directory.fd(), std::cref(folder), std::cref(names), bound(i),
                                 bound(i + 1), std::ref(slices[i]));
        readSlice(directory.fd(), folder, names, bound(0), bound(1), slices[0]);
    }

    QList<FileItem> items;
    items.reserve(qsizetype(names.size()));
    for (auto& slice : slices) {
        // Slices are in folder order, so this is the failure of the first entry that failed.
        if (slice.failure)
            std::rethrow_exception(slice.failure);
        items.append(std::move(slice.items));
    }
    return items;
}

} // namespace bramblet
