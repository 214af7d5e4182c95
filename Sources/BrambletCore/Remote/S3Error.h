#pragma once

#include <QString>

#include <stdexcept>

namespace bramblet {

// Every failure of an S3 operation. what() is the text the user sees:
// - badResponse: "S3 request failed (<status>): <text>" for an answer outside 200-299 (status -1
//   when there was no HTTP answer, as for a URL that cannot be formed); the text is the body the
//   server sent, or "unknown error" when that body is not UTF-8;
// - transport: the network layer's own description (refused, timed out, TLS failure...);
// - localFile: the file system's own description, for a local file that cannot be read or written.
class S3Error : public std::runtime_error {
public:
    enum class Kind { badResponse, transport, localFile };

    static S3Error badResponse(int status, const QString& text);
    static S3Error transport(const QString& description);
    static S3Error localFile(const QString& description);

    Kind kind() const { return m_kind; }
    // The HTTP status of a bad response; -1 otherwise.
    int status() const { return m_status; }
    QString errorDescription() const;

private:
    S3Error(Kind kind, int status, const QString& description);

    Kind m_kind;
    int m_status;
};

} // namespace bramblet
