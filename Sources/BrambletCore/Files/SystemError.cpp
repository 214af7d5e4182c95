#include "BrambletCore/Files/SystemError.h"

#include "BrambletCore/Models/FileItem.h"

namespace bramblet {

std::system_error systemError(int error, const QString& action, const std::filesystem::path& item)
{
    const QString sentence = action + QStringLiteral(" “") + pathString(item) + QStringLiteral("”");
    return std::system_error(error, std::generic_category(), sentence.toStdString());
}

bool isVanished(const std::system_error& error)
{
    return error.code() == std::errc::no_such_file_or_directory || error.code() == std::errc::not_a_directory;
}

} // namespace bramblet
