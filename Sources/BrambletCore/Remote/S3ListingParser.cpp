#include "BrambletCore/Remote/S3ListingParser.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/ServerText.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <charconv>

namespace bramblet {

namespace {

struct Entry {
    QString key;
    QString size;
    QString modified;
};

} // namespace

QList<S3Object> S3ListingParser::parseListing(const QByteArray& body, qsizetype maxEntries)
{
    QList<S3Object> folders;
    QList<S3Object> files;
    Entry entry;
    // The field that the innermost open element feeds, if it is one we read.
    QString* gathering = nullptr;

    qsizetype entries = 0;
    bool sawRoot = false;

    QXmlStreamReader reader(body);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const auto name = reader.qualifiedName();
            if (!sawRoot && name != u"ListBucketResult")
                throw S3Error::invalidAnswer(QStringLiteral("The server's answer is not a bucket listing."));
            sawRoot = true;
            if (name == u"Contents" || name == u"CommonPrefixes") {
                entry = {};
                if (++entries > maxEntries)
                    throw S3Error::invalidAnswer(QStringLiteral("The server listed more than the %1 entries asked for.").arg(maxEntries));
            }
            if (name == u"Key" || name == u"Prefix")
                gathering = &entry.key;
            else if (name == u"Size")
                gathering = &entry.size;
            else if (name == u"LastModified")
                gathering = &entry.modified;
            else
                gathering = nullptr;
            break;
        }
        case QXmlStreamReader::Characters:
            if (gathering)
                gathering->append(reader.text());
            break;
        case QXmlStreamReader::EndElement: {
            gathering = nullptr;
            const auto name = reader.qualifiedName();
            if (name == u"CommonPrefixes")
                folders.append({ .key = entry.key, .isFolder = true, .size = 0, .modified = std::nullopt });
            else if (name == u"Contents" && !entry.key.endsWith(u'/'))
                files.append({ .key = entry.key,
                               .isFolder = false,
                               .size = parseSize(entry.size),
                               .modified = parseModified(entry.modified) });
            break;
        }
        default:
            break;
        }
    }
    if (!sawRoot)
        throw S3Error::invalidAnswer(body.trimmed().isEmpty() ? QStringLiteral("The server sent an empty answer instead of a listing.")
                                                              : QStringLiteral("The server's answer is not a bucket listing."));
    if (reader.hasError())
        throw S3Error::invalidAnswer(QStringLiteral("The server's listing could not be read: %1.")
                                         .arg(ServerText::shown(reader.errorString())));
    return folders + files;
}

qint64 S3ListingParser::parseSize(const QString& text)
{
    QByteArray digits = text.toLatin1();
    if (digits.startsWith('+') && digits.size() > 1 && digits[1] != '-')
        digits.remove(0, 1);
    qint64 value = 0;
    const auto [end, error] = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    if (error != std::errc() || end != digits.constData() + digits.size())
        return 0;
    return value;
}

std::optional<Date> S3ListingParser::parseModified(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.(\d+)(?:Z|([+-])(\d{2}):(\d{2}))$)"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };

    using namespace std::chrono;
    const year_month_day date { year(number(1)), month(unsigned(number(2))), day(unsigned(number(3))) };
    const int hour = number(4);
    const int minute = number(5);
    const int second = number(6);
    const int zoneHours = match.hasCaptured(8) ? number(9) : 0;
    const int zoneMinutes = match.hasCaptured(8) ? number(10) : 0;
    if (!date.ok() || hour > 23 || minute > 59 || second > 59 || zoneHours > 23 || zoneMinutes > 59)
        return std::nullopt;

    // Whole seconds first: they cannot overflow for any four-digit year, while the nanosecond
    // clock ends in 1677 and 2262. A date it cannot hold is refused like an unreadable one.
    const auto offset = hours(zoneHours) + minutes(zoneMinutes);
    const sys_seconds local = sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
    const sys_seconds utc = match.captured(8) == u"-" ? local + offset : local - offset;
    if (utc <= floor<seconds>(Date::min()) || utc >= floor<seconds>(Date::max()))
        return std::nullopt;

    // The fraction as nanoseconds: its first nine digits, padded on the right.
    const QString fraction = match.captured(7).left(9).leftJustified(9, u'0');
    return time_point_cast<Date::duration>(utc) + nanoseconds(fraction.toLongLong());
}

} // namespace bramblet
