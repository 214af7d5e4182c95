#pragma once

#include <QString>

#include <stdexcept>

namespace bramblet {

// Every failure of a TrueNAS operation. what() is the text the user sees: one of the fixed texts
// below, the server's own error message, or the description of a lower layer (the connection,
// the TLS handshake, JSON that does not parse or does not describe what was asked for).
class TrueNASError : public std::runtime_error {
public:
    // "Enter the TrueNAS HTTPS address, for example https://truenas.local."
    static TrueNASError addressNeeded();
    // "The TrueNAS address is invalid."
    static TrueNASError invalidAddress();
    // "TrueNAS rejected the API key."
    static TrueNASError rejectedKey();
    // "TrueNAS returned an invalid response."
    static TrueNASError invalidResponse();
    // "TrueNAS returned no result."
    static TrueNASError noResult();
    // "TrueNAS did not answer in time."
    static TrueNASError timedOut();
    // "TrueNAS closed the connection.": the server ended the connection without a socket error.
    static TrueNASError connectionClosed();
    // "TrueNAS sent a message larger than 16 MB; the connection was closed."
    static TrueNASError messageTooLarge();
    // "TrueNAS stopped reading what this computer sends; the connection was closed."
    static TrueNASError stoppedReading();
    // "Request failed.": the server answered with an error object that holds no message.
    static TrueNASError requestFailed();
    // The message of the server's error object, cleaned and cut as ServerText does.
    static TrueNASError serverError(const QString& message);
    // A lower layer's own description.
    static TrueNASError described(const QString& description);

    QString errorDescription() const;

private:
    explicit TrueNASError(const QString& text);
};

} // namespace bramblet
