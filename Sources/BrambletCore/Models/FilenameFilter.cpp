#include "BrambletCore/Models/FilenameFilter.h"

#include <QTextBoundaryFinder>

#include <vector>

namespace bramblet {

QStringList graphemeClusters(const QString& text)
{
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (auto end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start)
            clusters.append(text.mid(start, end - start));
        start = end;
    }
    return clusters;
}

FilenameFilter::FilenameFilter(const QString& query)
    : m_query(query)
{
    if (query.contains(QLatin1Char('*')) || query.contains(QLatin1Char('?')))
        m_pattern = graphemeClusters(query.toLower());
}

bool FilenameFilter::matches(const QString& name) const
{
    if (m_pattern)
        return matchesPattern(name);
    return m_query.isEmpty() || name.contains(m_query, Qt::CaseInsensitive);
}

bool FilenameFilter::matchesPattern(const QString& name) const
{
    static const QString star = QStringLiteral("*");
    static const QString question = QStringLiteral("?");

    // One row of the classic wildcard table: row[i] says whether the pattern so far matches the
    // first i characters of the name.
    const QStringList characters = graphemeClusters(name.toLower());
    const auto n = size_t(characters.size());
    std::vector<bool> previous(n + 1, false);
    previous[0] = true;
    std::vector<bool> row(n + 1);
    for (const auto& c : *m_pattern) {
        const bool isStar = c == star;
        row[0] = isStar && previous[0];
        for (size_t i = 0; i < n; ++i) {
            if (isStar)
                row[i + 1] = previous[i + 1] || row[i];
            else
                row[i + 1] = previous[i] && (c == question || c == characters[qsizetype(i)]);
        }
        std::swap(previous, row);
    }
    return previous[n];
}

} // namespace bramblet
