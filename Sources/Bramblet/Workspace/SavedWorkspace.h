#pragma once

#include "BrambletCore/Models/TabSnapshot.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace bramblet {

// A named arrangement of both sides that the user saved to load again later. Unlike the window
// state it carries no favourites and no split widths.
struct SavedWorkspace {
    QString name;
    QList<TabSnapshot> left;
    QList<TabSnapshot> right;
    int leftIndex = 0;
    int rightIndex = 0;
    int active = 0;

    // Throws JsonEncodeError for a tab scroll offset that is not finite.
    QJsonObject toJson() const;
    // Throws JsonDecodeError unless all six keys are present with the right types.
    static SavedWorkspace fromJson(const QJsonValue& value);

    bool operator==(const SavedWorkspace&) const = default;
};

} // namespace bramblet
