#pragma once

#include <QByteArray>
#include <QJsonValue>

#include <exception>

namespace bramblet {

// One message of a TrueNAS server read as the answer to a call: the id of the call it settles and
// what it settles it with, the call's "result" (a JSON null included) or the failure the server
// reports. Whether a call with that id is waiting is the client's business.
struct TrueNASReply {
    // A message without an "id" is a notification of the server's own (real servers send them):
    // it answers no call.
    bool isNotification = false;
    qint64 id = 0;
    // TrueNASError::serverError() for an error object with a string "message",
    // TrueNASError::requestFailed() for one without, TrueNASError::noResult() for a reply with
    // neither an error object nor a "result"; null when the call succeeded.
    std::exception_ptr failure;
    QJsonValue result;

    // Throws TrueNASError::described() with the parser's words for a text that is not JSON (a bare
    // scalar is JSON), and TrueNASError::invalidResponse() for JSON that is not an object, or
    // whose "id" is not a whole number.
    static TrueNASReply read(const QByteArray& message);
};

} // namespace bramblet
