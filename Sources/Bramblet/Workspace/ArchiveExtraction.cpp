#include "Bramblet/Workspace/ArchiveExtraction.h"

#include "BrambletCore/Files/PrivateFolder.h"
#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"

#include <QByteArray>
#include <QHash>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

namespace bramblet {

namespace {

struct ReaderFree {
    void operator()(archive* reader) const { archive_read_free(reader); }
};
struct WriterFree {
    void operator()(archive* writer) const { archive_write_free(writer); }
};

// Entries are written under an absolute prefix, so the library's own refusal of absolute paths
// cannot be used; absolute entry names are refused before the prefix is added.
constexpr int extractFlags = ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_SYMLINKS;

[[noreturn]] void fail(const QString& reason)
{
    throw FileFailure::system(reason);
}

[[noreturn]] void failWith(archive* handle)
{
    const char* reason = archive_error_string(handle);
    fail(reason ? QString::fromLocal8Bit(reason) : QStringLiteral("The archive could not be read."));
}

[[noreturn]] void failWithErrno(const std::filesystem::path& item)
{
    fail(QStringLiteral("“%1”: %2").arg(pathString(item), QString::fromLocal8Bit(std::strerror(errno))));
}

// The entry's name (and a hard link's target) moved under `base`; absolute names are refused.
void placeUnder(archive_entry* entry, const std::filesystem::path& base)
{
    const char* name = archive_entry_pathname(entry);
    if (!name || !*name)
        fail(QStringLiteral("The archive holds an entry without a name."));
    for (const char* path : { name, archive_entry_hardlink(entry) }) {
        if (path && path[0] == '/')
            fail(QStringLiteral("The archive holds an absolute path: “%1”.").arg(QString::fromLocal8Bit(path)));
    }
    const std::string placed = (base / name).string();
    if (const char* link = archive_entry_hardlink(entry))
        archive_entry_set_hardlink(entry, (base / link).c_str());
    archive_entry_set_pathname(entry, placed.c_str());
}

void copyData(archive* reader, archive* writer)
{
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF)
            return;
        if (status < ARCHIVE_WARN)
            failWith(reader);
        if (archive_write_data_block(writer, block, size, offset) < ARCHIVE_WARN)
            failWith(writer);
    }
}

void unpack(const std::filesystem::path& archivePath, const std::filesystem::path& base)
{
    const std::unique_ptr<archive, ReaderFree> reader(archive_read_new());
    const std::unique_ptr<archive, WriterFree> writer(archive_write_disk_new());
    if (!reader || !writer)
        fail(QStringLiteral("The archive library could not start."));
    archive_read_support_format_zip(reader.get());
    archive_write_disk_set_options(writer.get(), extractFlags);
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), 64 * 1024) != ARCHIVE_OK)
        failWith(reader.get());
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            failWith(reader.get());
        placeUnder(entry, base);
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
            failWith(writer.get());
        copyData(reader.get(), writer.get());
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN)
            failWith(writer.get());
    }
    // Folders get their times once everything inside them is written.
    if (archive_write_close(writer.get()) < ARCHIVE_WARN)
        failWith(writer.get());
}

} // namespace

std::filesystem::path archivesRoot()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    std::filesystem::path base = runtime.startsWith('/')
        ? std::filesystem::path(runtime.toStdString())
        : pathFromString(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    return base / "BrambletArchives";
}

std::filesystem::path extractionFolder(const std::filesystem::path& root, const std::filesystem::path& archive)
{
    static const size_t seed = size_t(QRandomGenerator::system()->generate64());
    const std::string& bytes = archive.native();
    const size_t hash = qHash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), seed);
    return root / std::to_string(hash);
}

void extractArchive(const std::filesystem::path& archive, const std::filesystem::path& folder)
{
    preparePrivateFolder(folder.parent_path());
    // A path without links, so that the check for links along an entry's path only meets links
    // the archive made.
    std::error_code error;
    const std::filesystem::path root = std::filesystem::canonical(folder.parent_path(), error);
    if (error)
        failWithErrno(folder.parent_path());
    std::string pattern = (root / ("." + folder.filename().string() + ".XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        failWithErrno(root);
    const std::filesystem::path unpacked(pattern);
    try {
        unpack(archive, unpacked);
        if (::rename(unpacked.c_str(), (root / folder.filename()).c_str()) != 0) {
            // Another extraction of the same archive finished first; its folder is complete.
            if (errno != EEXIST && errno != ENOTEMPTY)
                failWithErrno(folder);
            std::filesystem::remove_all(unpacked, error);
        }
    } catch (...) {
        std::filesystem::remove_all(unpacked, error);
        throw;
    }
}

} // namespace bramblet
