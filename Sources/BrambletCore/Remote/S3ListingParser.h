#pragma once

#include "BrambletCore/Remote/S3Object.h"

#include <QByteArray>
#include <QList>

namespace bramblet {

// Reads the XML body of one ListObjectsV2 answer as a stream (no document tree): the common
// prefixes become folders, the Contents entries files. Element names are compared as written.
//
// Text is gathered only inside the Key, Prefix, Size and LastModified elements themselves, so
// the line breaks and indentation of a pretty-printed listing never leak into keys or sizes.
class S3ListingParser {
public:
    // Folders first, then files, each in the server's order; folder marker objects (keys ending
    // in "/") are dropped. Throws S3Error::invalidAnswer for a body that is not one whole,
    // well-formed ListBucketResult document (an empty, cut or HTML body among them: a broken
    // listing must not look like an empty folder), and for one with more than `maxEntries`
    // entries, folder markers included, since no more were asked for.
    static QList<S3Object> parseListing(const QByteArray& body, qsizetype maxEntries);

    // Size text: decimal, optional leading "+" or "-"; empty, malformed or out of range is 0.
    static qint64 parseSize(const QString& text);
    // Internet date-time with a fractional part and a zone ("2024-05-01T10:20:30.000Z");
    // anything else, including the same without a fraction or a date outside the clock's years
    // 1677-2262, is absent.
    static std::optional<Date> parseModified(const QString& text);
};

} // namespace bramblet
