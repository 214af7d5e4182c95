#include "BrambletCore/Operations/SystemError.h"

#include "BrambletCore/Models/FileItem.h"

#include <system_error>

namespace bramblet {

void throwSystemError(int error, const QString& action, const std::filesystem::path& item)
{
    const QString sentence = action + QStringLiteral(" “") + pathString(item) + QStringLiteral("”");
    throw std::system_error(error, std::generic_category(), sentence.toStdString());
}

} // namespace bramblet
