#include "BrambletCore/Operations/FileNames.h"

#include "BrambletCore/Models/FileFailure.h"

#include <QChar>
#include <QList>

#include <sys/stat.h>

#include <limits>

#include <fmt/format.h>

namespace bramblet {

void validateName(const QString& name)
{
    const auto invalid = [] { return FileFailure(FileFailure::Kind::invalidName); };
    if (name.isEmpty() || name == u"." || name == u"..")
        throw invalid();
    if (name.contains(u'/') || name.contains(u':'))
        throw invalid();
    for (const char32_t scalar : name.toUcs4()) {
        const auto category = QChar::category(scalar);
        if (category == QChar::Other_Control || category == QChar::Other_Format)
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
    for (qint64 number = 2;; ++number) {
        std::filesystem::path candidate = folder / numberedName(name, number);
        struct stat status;
        if (::lstat(candidate.c_str(), &status) != 0)
            return candidate;
        if (number == std::numeric_limits<qint64>::max())
            throw FileFailure::system(QStringLiteral("Too many duplicate names."));
    }
}

} // namespace bramblet
