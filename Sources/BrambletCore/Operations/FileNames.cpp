#include "BrambletCore/Operations/FileNames.h"

#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"

#include <QChar>
#include <QList>

#include <sys/stat.h>

#include <limits>

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

QString numberedName(const QString& name, qint64 number)
{
    const QString suffix = QStringLiteral("_%1").arg(number, 2, 10, QLatin1Char('0'));
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

std::filesystem::path firstFreeNumberedPath(const std::filesystem::path& path)
{
    const QString name = pathString(path.filename());
    const std::filesystem::path folder = path.parent_path();
    for (qint64 number = 2;; ++number) {
        std::filesystem::path candidate = folder / pathFromString(numberedName(name, number));
        struct stat status;
        if (::lstat(candidate.c_str(), &status) != 0)
            return candidate;
        if (number == std::numeric_limits<qint64>::max())
            throw FileFailure::system(QStringLiteral("Too many duplicate names."));
    }
}

} // namespace bramblet
