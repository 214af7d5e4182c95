#include "Bramblet/Updater/Appcast.h"

#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <limits>

namespace bramblet::Appcast {

namespace {

struct VersionPart {
    qulonglong number = 0;
    QString suffix;
};

VersionPart partOf(const QString& text)
{
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    // More digits than fit count as the largest number, then as their text: never wrapped.
    bool fits = false;
    const qulonglong number = text.first(digits).toULongLong(&fits);
    if (digits > 0 && !fits)
        return { std::numeric_limits<qulonglong>::max(), text };
    return { number, text.mid(digits) };
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

// Reads one <item> whose start element is current; leaves the reader on its end element.
std::optional<AppcastItem> readItem(QXmlStreamReader& reader)
{
    AppcastItem item;
    QString enclosureVersion;
    QUrl link;
    QUrl enclosure;
    while (reader.readNextStartElement()) {
        const auto name = reader.name();
        if (name == QLatin1String("title")) {
            item.title = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (name == QLatin1String("version")) {
            item.version = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (name == QLatin1String("link")) {
            link = QUrl(reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed());
        } else if (name == QLatin1String("enclosure")) {
            for (const auto& attribute : reader.attributes()) {
                if (attribute.name() == QLatin1String("url"))
                    enclosure = QUrl(attribute.value().toString().trimmed());
                else if (attribute.name() == QLatin1String("version"))
                    enclosureVersion = attribute.value().toString().trimmed();
            }
            reader.skipCurrentElement();
        } else {
            reader.skipCurrentElement();
        }
    }
    if (item.version.isEmpty())
        item.version = enclosureVersion;
    item.downloadPage = isWebAddress(link) ? link : enclosure;
    if (item.version.isEmpty() || !isWebAddress(item.downloadPage))
        return std::nullopt;
    return item;
}

} // namespace

std::optional<QList<AppcastItem>> parse(const QByteArray& feed)
{
    QXmlStreamReader reader(feed);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("rss"))
        return std::nullopt;
    QList<AppcastItem> items;
    // Items may sit in the channel (RSS 2.0) or, in looser feeds, straight in the root.
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("item")) {
            if (auto item = readItem(reader))
                items.append(std::move(*item));
        }
    }
    if (reader.hasError())
        return std::nullopt;
    return items;
}

int compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.trimmed().split(u'.');
    const QStringList right = b.trimmed().split(u'.');
    for (qsizetype index = 0; index < std::max(left.size(), right.size()); ++index) {
        const VersionPart l = index < left.size() ? partOf(left[index]) : VersionPart {};
        const VersionPart r = index < right.size() ? partOf(right[index]) : VersionPart {};
        if (l.number != r.number)
            return l.number < r.number ? -1 : 1;
        if (l.suffix != r.suffix) {
            if (l.suffix.isEmpty() || r.suffix.isEmpty())
                return l.suffix.isEmpty() ? 1 : -1;
            return l.suffix < r.suffix ? -1 : 1;
        }
    }
    return 0;
}

std::optional<AppcastItem> newerThan(const QList<AppcastItem>& items, const QString& currentVersion)
{
    std::optional<AppcastItem> newest;
    for (const auto& item : items) {
        if (compareVersions(item.version, currentVersion) > 0
            && (!newest || compareVersions(item.version, newest->version) > 0))
            newest = item;
    }
    return newest;
}

} // namespace bramblet::Appcast
