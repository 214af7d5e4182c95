#include "Bramblet/Workspace/SavedWorkspace.h"

#include "Bramblet/Workspace/SavedState.h"
#include "BrambletCore/Models/JsonDecoding.h"

namespace bramblet {

QJsonObject SavedWorkspace::toJson() const
{
    return {
        { "name", name },
        { "left", tabsToJson(left) },
        { "right", tabsToJson(right) },
        { "leftIndex", leftIndex },
        { "rightIndex", rightIndex },
        { "active", active },
    };
}

SavedWorkspace SavedWorkspace::fromJson(const QJsonValue& value)
{
    const auto object = json::requireObject(value, "saved workspace");
    SavedWorkspace workspace;
    workspace.name = json::requireString(object, "name");
    workspace.left = tabsFromJson(object, "left");
    workspace.right = tabsFromJson(object, "right");
    workspace.leftIndex = json::requireInt(object, "leftIndex");
    workspace.rightIndex = json::requireInt(object, "rightIndex");
    workspace.active = json::requireInt(object, "active");
    return workspace;
}

} // namespace bramblet
