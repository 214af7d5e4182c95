#include "BrambletCore/Operations/FileNames.h"

#include "BrambletCore/Models/FileFailure.h"

#include <QChar>
#include <QList>

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>

#include <fmt/format.h>

namespace bramblet {

void validateName(const QString& name)
{
    const auto invalid = [] { return FileFailure(FileFailure::Kind::invalidName); };
    if (name.isEmpty() || name == u"." || name == u"..")
        throw invalid();
    if (name.contains(u'/'))
        throw invalid();
    // NUL is a control character too. Format characters (the joiners of emoji sequences and of
    // Persian or Indic text) are part of ordinary writing and stay.
    for (const char32_t scalar : name.toUcs4()) {
        if (QChar::category(scalar) == QChar::Other_Control)
            throw invalid();
    }
}

void validateFileSystemName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos)
        throw FileFailure(FileFailure::Kind::invalidName);
}

std::string numberedName(std::string_view name, qint64 number)
{
    const std::string suffix = fmt::format("_{:02}", number);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot == name.size() - 1)
        return std::string(name) + suffix;
    return std::string(name.substr(0, dot)) + suffix + std::string(name.substr(dot));
}

std::filesystem::path firstFreeNumberedPath(const std::filesystem::path& path)
{
    const std::string name = path.filename().native();
    const std::filesystem::path folder = path.parent_path();
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const size_t longest = limit > 0 ? size_t(limit) : size_t(NAME_MAX);
    for (qint64 number = 2;; ++number) {
        const std::string numbered = numberedName(name, number);
        // The system's own "File name too long" would name the whole path and hide why.
        if (numbered.size() > longest)
            throw FileFailure::system(QStringLiteral(
                "The numbered name for Keep Both is longer than this file system allows. Rename the item, "
                "or choose Replace or Skip."));
        std::filesystem::path candidate = folder / numbered;
        struct stat status;
        if (::lstat(candidate.c_str(), &status) != 0)
            return candidate;
        if (number == std::numeric_limits<qint64>::max())
            throw FileFailure::system(QStringLiteral("Too many duplicate names."));
    }
}

} // namespace bramblet
