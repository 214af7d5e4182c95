#pragma once

#include <QString>

#include <stdexcept>

namespace bramblet {

// A secret that could not be stored. what() is the sentence the user sees.
class KeychainError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    QString errorDescription() const { return QString::fromUtf8(what()); }
};

} // namespace bramblet
