#pragma once

#include "BrambletCore/Models/TabSnapshot.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <stdexcept>

namespace bramblet {

// A record that cannot be written as JSON: a number that is not finite (JSON has none).
class JsonEncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The window as it was last seen: both sides' tabs and active tabs, the favourite folders, the
// widths of the four split items (sidebar, left side, right side, inspector) and the active side.
struct SavedState {
    QList<TabSnapshot> left;
    QList<TabSnapshot> right;
    int leftIndex = 0;
    int rightIndex = 0;
    QStringList favorites;
    QList<double> widths;
    int active = 0;

    // Throws JsonEncodeError for a width or a tab scroll offset that is not finite.
    QJsonObject toJson() const;
    // Throws JsonDecodeError unless every key is present with the right type, tabs included.
    static SavedState fromJson(const QJsonValue& value);

    bool operator==(const SavedState&) const = default;
};

// Tab lists as JSON; the decoder throws JsonDecodeError, the encoder JsonEncodeError.
QJsonArray tabsToJson(const QList<TabSnapshot>& tabs);
QList<TabSnapshot> tabsFromJson(const QJsonObject& object, const char* key);

} // namespace bramblet
