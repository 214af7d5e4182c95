#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace bramblet {

// A pane's name filter. Plain text matches as a case-insensitive substring; text holding "*" or
// "?" matches the whole name as a wildcard pattern, where both are always wildcards (no escape).
class FilenameFilter {
public:
    explicit FilenameFilter(const QString& query);

    bool matches(const QString& name) const;

    const QString& query() const { return m_query; }
    bool isWildcard() const { return m_pattern.has_value(); }

private:
    bool matchesPattern(const QString& name) const;

    QString m_query;
    // The lower-cased query split into user-perceived characters, in wildcard mode only.
    std::optional<QStringList> m_pattern;
};

// `text` split into grapheme clusters, so that "?" stands for one visible character even where
// it is made of several code points (e + combining accent, flags, emoji sequences).
QStringList graphemeClusters(const QString& text);

} // namespace bramblet
