#pragma once

#include <QString>

namespace bramblet {

// Text a server sent, made fit to stand in a message: control characters and the characters
// that turn or embed the writing direction (which could make a message read backwards) are
// dropped, runs of white space become one space, and the text is cut to `limit` characters with
// "…" when it is longer.
struct ServerText {
    static constexpr qsizetype defaultLimit = 300;

    static QString shown(const QString& text, qsizetype limit = defaultLimit);
};

} // namespace bramblet
