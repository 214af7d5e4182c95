#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace bramblet {

// One release announced by an appcast feed.
struct AppcastItem {
    QString title;
    QString version;
    QUrl downloadPage; // an http or https address

    bool operator==(const AppcastItem&) const = default;
};

// The appcast feed: an RSS document whose items announce releases. An item's version is the text
// of its "version" element or, without one, the "version" attribute of its enclosure (in any XML
// namespace); its download page is its link or, without one, its enclosure's url. Items without a
// version or without an http(s) address are left out: a feed must not make us open anything else.
namespace Appcast {

// The feed's usable items in document order; none when the text is not well-formed XML or its
// root is not "rss".
std::optional<QList<AppcastItem>> parse(const QByteArray& feed);

// Negative, zero or positive as `a` is older than, the same as or newer than `b`. Versions are
// compared by their dot-separated parts: the leading digits numerically, then what follows them,
// where a part without a suffix is newer than one with ("2.0" after "2.0beta"); missing parts
// count as 0, so "1.2" and "1.2.0" are the same.
int compareVersions(const QString& a, const QString& b);

// The newest item that is newer than `currentVersion`; none when there is no such item.
std::optional<AppcastItem> newerThan(const QList<AppcastItem>& items, const QString& currentVersion);

} // namespace Appcast
} // namespace bramblet
