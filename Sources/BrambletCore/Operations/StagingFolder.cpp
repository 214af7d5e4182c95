#include "BrambletCore/Operations/StagingFolder.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/OperationsLog.h"

#include <QUuid>

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace bramblet {

namespace {

// A payload copied from a read-only folder is read-only too; give the owner back write access
// to every folder in it, so that its contents can be removed without privileges.
void makeFoldersWritable(const std::filesystem::path& root, std::error_code& error)
{
    struct stat status;
    if (::lstat(root.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return;
    ::chmod(root.c_str(), 0700);
    for (std::filesystem::directory_iterator it(root, error), end; !error && it != end; it.increment(error))
        makeFoldersWritable(it->path(), error);
}

} // namespace

StagingFolder::StagingFolder(const std::filesystem::path& parent)
    : m_path(parent
             / (std::string(namePrefix)
                + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString()))
{
    if (::mkdir(m_path.c_str(), 0700) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t create the folder"), m_path);
}

StagingFolder::~StagingFolder()
{
    std::error_code error;
    makeFoldersWritable(m_path, error);
    if (!error)
        std::filesystem::remove_all(m_path, error);
    if (error)
        qCWarning(lcOperations).noquote() << QStringLiteral("Bramblet could not remove a staging folder: %1")
                                                 .arg(QString::fromStdString(error.message()));
}

} // namespace bramblet
