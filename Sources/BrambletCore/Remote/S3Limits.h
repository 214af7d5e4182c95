#pragma once

#include <QtGlobal>

#include <chrono>

namespace bramblet {

// How long and how much an S3 client waits for and takes from a server, so that a slow, broken
// or hostile server can hold neither the client's memory nor its queue. Tests shorten the times.
struct S3Limits {
    // A request during which no byte moves either way for this long fails.
    std::chrono::milliseconds silence = std::chrono::seconds(60);
    // A listing, a new folder or a deletion fails when it is not over within this, however
    // steadily the bytes come.
    std::chrono::milliseconds deadline = std::chrono::minutes(2);
    // An upload or a download fails when fewer than `minimumBytesPerWindow` bytes moved during
    // any one window, so a server sending a byte now and then cannot keep it going for ever.
    std::chrono::milliseconds rateWindow = std::chrono::minutes(1);
    qint64 minimumBytesPerWindow = 4 * 1024 * 60;
    // The most of an error answer that is read: its code and message come first.
    qint64 errorBodyBytes = 64 * 1024;
    // The most of a listing that is read: a page of 1000 entries with the longest keys is well
    // under this.
    qint64 listingBodyBytes = 8 * 1024 * 1024;
};

} // namespace bramblet
