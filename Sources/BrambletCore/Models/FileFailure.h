#pragma once

#include <QString>

#include <stdexcept>

namespace bramblet {

// The failures of file operations that are our own. what() is the sentence the user sees.
// Errors of the operating system are not wrapped in it except as `system`, which carries the
// system's own message unchanged.
class FileFailure : public std::runtime_error {
public:
    enum class Kind {
        system,
        invalidName,
        sameLocation,
        nestedDestination,
        missingSource,
        unsupportedItem,
        verificationFailed,
        cancelled,
    };

    explicit FileFailure(Kind kind);
    static FileFailure system(const QString& message);
    // `unsupportedItem`, naming the special item (its path as shown to the user).
    static FileFailure unsupportedItem(const QString& item);

    Kind kind() const { return m_kind; }
    QString errorDescription() const;

private:
    FileFailure(Kind kind, const QString& description);

    Kind m_kind;
};

} // namespace bramblet
