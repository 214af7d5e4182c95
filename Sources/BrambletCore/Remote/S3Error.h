#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

namespace bramblet {

// Every failure of an S3 operation. what() is the text the user sees:
// - badResponse: "S3 request failed (<status>): <text>" for an answer outside 200-299 (status -1
//   when there was no HTTP answer, as for a URL that cannot be formed); see answerText();
// - transport: the network layer's own description (refused, TLS failure...);
// - timedOut: "The server did not answer in time." when a request outlives its limits, or
//   "The transfer became too slow and was stopped." when an upload or download crawls;
// - invalidAnswer: a good status whose body cannot be what was asked for (a listing that does not
//   read, a download whose length cannot be checked or falls short);
// - localFile: the file system's own description, for a local file that cannot be read or written.
class S3Error : public std::runtime_error {
public:
    enum class Kind { badResponse, transport, timedOut, invalidAnswer, localFile };

    static S3Error badResponse(int status, const QString& text);
    static S3Error transport(const QString& description);
    static S3Error timedOut();
    static S3Error tooSlow();
    static S3Error invalidAnswer(const QString& description);
    static S3Error localFile(const QString& description);

    // The text of an error answer's body (of which only the beginning may have been read): the
    // code and message of an S3 error document, "Code: Message"; else the body itself, without its
    // tags when it is markup; either way cleaned and cut as ServerText does. "unknown error" for a body that is not UTF-8,
    static QString answerText(const QByteArray& body);

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
