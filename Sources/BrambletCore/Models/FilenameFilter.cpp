#include "BrambletCore/Models/FilenameFilter.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace bramblet {

namespace {

bool isPrintableAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// `pattern` (lower case, "*" any run, "?" one character) against the whole `name`, ignoring
// case. Goes back only to the last "*", so it stays linear in practice and never allocates.
bool wildcardMatches(std::string_view pattern, std::string_view name)
{
    size_t p = 0;
    size_t n = 0;
    size_t star = std::string_view::npos;
    size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

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
    const QByteArray bytes = query.toUtf8();
    if (isPrintableAscii(bytes.toStdString())) {
        std::string lower = bytes.toStdString();
        std::transform(lower.begin(), lower.end(), lower.begin(), lowerAscii);
        m_asciiQuery = std::move(lower);
    }
}

bool FilenameFilter::matchesUtf8(std::string_view name) const
{
    if (!m_asciiQuery || !isPrintableAscii(name))
        return matches(QString::fromUtf8(name.data(), qsizetype(name.size())));
    if (m_pattern)
        return wildcardMatches(*m_asciiQuery, name);
    const std::string_view term = *m_asciiQuery;
    return std::search(name.begin(), name.end(), term.begin(), term.end(),
                       [](char a, char b) { return lowerAscii(a) == b; })
        != name.end();
}

QString FilenameFilter::longestLiteral() const
{
    qsizetype bestStart = 0;
    qsizetype bestLength = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= m_query.size(); ++i) {
        if (i < m_query.size() && m_query[i] != u'*' && m_query[i] != u'?')
            continue;
        if (i - start > bestLength) {
            bestStart = start;
            bestLength = i - start;
        }
        start = i + 1;
    }
    return m_query.mid(bestStart, bestLength);
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
