#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

namespace bramblet {

// A pane's name filter. Plain text matches as a case-insensitive substring; text holding "*" or
// "?" matches the whole name as a wildcard pattern, where both are always wildcards (no escape).
class FilenameFilter {
public:
    explicit FilenameFilter(const QString& query);

    bool matches(const QString& name) const;
    // The same for a name as the file system gives it (UTF-8; other bytes count as replacement
    // characters). A printable ASCII name against a printable ASCII query is matched on its
    // bytes as they are, without decoding it: a folder walk asks this for every entry.
    bool matchesUtf8(std::string_view name) const;

    // The longest run of the query without "*" or "?": every name the filter passes contains it
    // (ignoring case), so an index can be asked for it. The whole query in plain mode.
    QString longestLiteral() const;

    const QString& query() const { return m_query; }
    bool isWildcard() const { return m_pattern.has_value(); }

private:
    bool matchesPattern(const QString& name) const;

    QString m_query;
    // The lower-cased query when it is printable ASCII.
    std::optional<std::string> m_asciiQuery;
    // The lower-cased query split into user-perceived characters, in wildcard mode only.
    std::optional<QStringList> m_pattern;
};

// `text` split into grapheme clusters, so that "?" stands for one visible character even where
// it is made of several code points (e + combining accent, flags, emoji sequences).
QStringList graphemeClusters(const QString& text);

} // namespace bramblet
