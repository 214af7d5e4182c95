#include "BrambletCore/Remote/S3ListingParser.h"

#include "BrambletCore/Remote/S3Error.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

using namespace std::chrono;

QStringList keysOf(const QList<S3Object>& objects)
{
    QStringList keys;
    for (const auto& object : objects)
        keys << object.key;
    return keys;
}

TEST(S3ListingParser, FoldersComeFirstThenFilesInServerOrder)
{
    const QByteArray body = R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult xmlns="http://s3.amazonaws.com/doc/2006-03-01/"><Name>bucket</Name><Prefix>photos/</Prefix>)"
                            R"(<KeyCount>5</KeyCount><MaxKeys>1000</MaxKeys><Delimiter>/</Delimiter><IsTruncated>false</IsTruncated>)"
                            R"(<Contents><Key>photos/</Key><LastModified>2024-05-01T10:20:30.000Z</LastModified><Size>0</Size></Contents>)"
                            R"(<Contents><Key>photos/b.txt</Key><LastModified>2024-05-01T10:20:30.250Z</LastModified>)"
                            R"(<ETag>"x"</ETag><Size>12</Size><Owner><ID>7</ID><DisplayName>me</DisplayName></Owner>)"
                            R"(<StorageClass>STANDARD</StorageClass></Contents>)"
                            R"(<Contents><Key>photos/a.txt</Key><LastModified>2024-05-01T10:20:30Z</LastModified><Size>3</Size></Contents>)"
                            R"(<CommonPrefixes><Prefix>photos/z/</Prefix></CommonPrefixes>)"
                            R"(<CommonPrefixes><Prefix>photos/a/</Prefix></CommonPrefixes></ListBucketResult>)";
    const auto objects = S3ListingParser::parseListing(body, 1000);
    // The marker object "photos/" and the echoed Prefix add nothing.
    ASSERT_EQ(keysOf(objects), QStringList({ "photos/z/", "photos/a/", "photos/b.txt", "photos/a.txt" }));
    EXPECT_EQ(objects[0], (S3Object { .key = "photos/z/", .isFolder = true, .size = 0, .modified = std::nullopt }));
    EXPECT_EQ(objects[2],
              (S3Object { .key = "photos/b.txt",
                          .isFolder = false,
                          .size = 12,
                          .modified = sys_days(2024y / May / 1) + 10h + 20min + 30s + 250ms }));
    // No fraction: the date is not read.
    EXPECT_EQ(objects[3].size, 3);
    EXPECT_EQ(objects[3].modified, std::nullopt);
}

// A listing written with line breaks and indentation reads exactly like a compact one: text
// between elements belongs to no field.
TEST(S3ListingParser, PrettyPrintedListingReadsLikeACompactOne)
{
    const QByteArray body = R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult>
  <Prefix>docs/</Prefix>
  <Contents>
    <Key>docs/</Key>
    <Size>0</Size>
  </Contents>
  <Contents>
    <Key>docs/report.pdf</Key>
    <LastModified>2024-05-01T10:20:30.000Z</LastModified>
    <Size>2048</Size>
    <Owner>
      <ID>abc</ID>
    </Owner>
  </Contents>
  <CommonPrefixes>
    <Prefix>docs/old/</Prefix>
  </CommonPrefixes>
</ListBucketResult>
)";
    const auto objects = S3ListingParser::parseListing(body, 1000);
    ASSERT_EQ(keysOf(objects), QStringList({ "docs/old/", "docs/report.pdf" }));
    EXPECT_EQ(objects[1].size, 2048);
    EXPECT_EQ(objects[1].modified, sys_days(2024y / May / 1) + 10h + 20min + 30s);
}

TEST(S3ListingParser, JoinsTextSplitOverSeveralPieces)
{
    // An entity and a CDATA section split the key's text into several character events.
    const auto objects = S3ListingParser::parseListing(
        "<ListBucketResult><Contents><Key>a&amp;b<![CDATA[ <c> ]]>d</Key><Size>1<!-- -->5</Size></Contents></ListBucketResult>",
        1000);
    ASSERT_EQ(objects.size(), 1);
    EXPECT_EQ(objects[0].key, "a&b <c> d");
    EXPECT_EQ(objects[0].size, 15);
}

// A listing that does not read whole must not pass for an empty folder or part of one.
TEST(S3ListingParser, RefusesWhatIsNotOneWholeListing)
{
    const struct {
        QByteArray body;
        const char* error;
    } cases[] = {
        { {}, "The server sent an empty answer instead of a listing." },
        { "not xml at all", "The server's answer is not a bucket listing." },
        { "<html><body><h1>502 Bad Gateway</h1></body></html>", "The server's answer is not a bucket listing." },
        { "<ListBucketResult><Contents><Key>one</Key><Size>1</Size></Contents><Contents><Key>two</Key><Size>2</Siz>"
          "</Contents></ListBucketResult>",
          "The server's listing could not be read: " },
        { "<ListBucketResult><Contents><Key>one</Key><Size>1</Size></Contents><Contents><Key>tw",
          "The server's listing could not be read: " },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.body.toStdString());
        try {
            S3ListingParser::parseListing(entry.body, 1000);
            ADD_FAILURE() << "a broken listing was read";
        } catch (const S3Error& error) {
            EXPECT_EQ(error.kind(), S3Error::Kind::invalidAnswer);
            EXPECT_TRUE(error.errorDescription().startsWith(QString::fromUtf8(entry.error))) << error.what();
        }
    }
}

TEST(S3ListingParser, RefusesMoreEntriesThanAskedFor)
{
    const auto page = [](int files, int folders) {
        QByteArray body = "<ListBucketResult>";
        for (int i = 0; i < files; ++i)
            body += "<Contents><Key>f" + QByteArray::number(i) + "</Key><Size>1</Size></Contents>";
        for (int i = 0; i < folders; ++i)
            body += "<CommonPrefixes><Prefix>d" + QByteArray::number(i) + "/</Prefix></CommonPrefixes>";
        return body + "</ListBucketResult>";
    };
    EXPECT_EQ(S3ListingParser::parseListing(page(6, 4), 10).size(), 10);
    // Folder markers count: the server counted them against the page too.
    for (const auto& body : { page(7, 4), page(0, 11), page(11, 0) }) {
        try {
            S3ListingParser::parseListing(body, 10);
            ADD_FAILURE() << "an overfull page was read";
        } catch (const S3Error& error) {
            EXPECT_EQ(error.errorDescription(), "The server listed more than the 10 entries asked for.");
        }
    }
}

TEST(S3ListingParser, ComparesElementNamesAsWritten)
{
    const auto objects = S3ListingParser::parseListing(
        "<ListBucketResult><contents><Key>lower</Key></contents><s3:Contents xmlns:s3=\"urn:x\"><s3:Key>prefixed</s3:Key>"
        "</s3:Contents><Contents><Key>kept</Key></Contents></ListBucketResult>",
        1000);
    EXPECT_EQ(keysOf(objects), QStringList({ "kept" }));
}

TEST(S3ListingParser, ReadsSizes)
{
    struct Case {
        QString text;
        qint64 size;
    };
    const Case cases[] = {
        { "12", 12 }, { "+12", 12 }, { "-3", -3 }, { "0", 0 }, { "", 0 }, { "12x", 0 }, { " 12", 0 }, { "+", 0 },
        { "+-1", 0 }, { "9223372036854775807", 9223372036854775807 }, { "9223372036854775808", 0 }, { "1.5", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(S3ListingParser::parseSize(c.text), c.size);
    }
}

TEST(S3ListingParser, ReadsDatesWithFractionalSeconds)
{
    const Date base = sys_days(2024y / May / 1) + 10h + 20min + 30s;
    struct Case {
        QString text;
        std::optional<Date> date;
    };
    const Case cases[] = {
        { "2024-05-01T10:20:30.000Z", base },
        { "2024-05-01T10:20:30.5Z", base + 500ms },
        { "2024-05-01T10:20:30.123456789Z", base + 123456789ns },
        { "2024-05-01T12:20:30.000+02:00", base },
        { "2024-05-01T08:50:30.000-01:30", base },
        { "2024-05-01T10:20:30Z", std::nullopt },
        { "2024-05-01 10:20:30.000Z", std::nullopt },
        { "2024-02-30T10:20:30.000Z", std::nullopt },
        { "2024-05-01T24:00:00.000Z", std::nullopt },
        { "2024-05-01T10:20:30.000", std::nullopt },
        { "", std::nullopt },
        // The clock counts nanoseconds from 1970 in 64 bits: it ends in 1677 and 2262.
        { "2262-04-11T23:47:15.999999999Z", sys_days(2262y / April / 11) + 23h + 47min + 15s + 999999999ns },
        { "1677-09-21T00:12:44.000Z", sys_days(1677y / September / 21) + 12min + 44s },
        { "2262-04-11T23:47:17.000Z", std::nullopt },
        { "2262-04-11T23:47:15.000-01:00", std::nullopt },
        { "1677-09-21T00:12:42.000Z", std::nullopt },
        { "9999-12-31T23:59:59.9Z", std::nullopt },
        { "0000-01-01T00:00:00.000Z", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(S3ListingParser::parseModified(c.text), c.date);
    }
}

} // namespace
} // namespace bramblet
