#include "Bramblet/Workspace/SavedState.h"

#include "BrambletCore/Models/JsonDecoding.h"

#include <QJsonArray>

#include <cmath>

namespace bramblet {

namespace {

double finite(double value, const char* what)
{
    if (!std::isfinite(value))
        throw JsonEncodeError(std::string(what) + " is not a finite number");
    return value;
}

} // namespace

QJsonArray tabsToJson(const QList<TabSnapshot>& tabs)
{
    QJsonArray array;
    for (const auto& tab : tabs) {
        finite(tab.scroll, "a tab's scroll offset");
        array.append(tab.toJson());
    }
    return array;
}

QList<TabSnapshot> tabsFromJson(const QJsonObject& object, const char* key)
{
    QList<TabSnapshot> tabs;
    for (const auto& element : json::requireArray(object, key))
        tabs.append(TabSnapshot::fromJson(element));
    return tabs;
}

QJsonObject SavedState::toJson() const
{
    QJsonArray widthValues;
    for (const double width : widths)
        widthValues.append(finite(width, "a split width"));
    return {
        { "left", tabsToJson(left) },
        { "right", tabsToJson(right) },
        { "leftIndex", leftIndex },
        { "rightIndex", rightIndex },
        { "favorites", QJsonArray::fromStringList(favorites) },
        { "widths", widthValues },
        { "active", active },
    };
}

SavedState SavedState::fromJson(const QJsonValue& value)
{
    const auto object = json::requireObject(value, "workspace");
    SavedState state;
    state.left = tabsFromJson(object, "left");
    state.right = tabsFromJson(object, "right");
    state.leftIndex = json::requireInt(object, "leftIndex");
    state.rightIndex = json::requireInt(object, "rightIndex");
    state.favorites = json::requireStringArray(object, "favorites");
    for (const auto& width : json::requireArray(object, "widths")) {
        if (!width.isDouble())
            json::fail("widths", "holds something other than numbers");
        state.widths.append(width.toDouble());
    }
    state.active = json::requireInt(object, "active");
    return state;
}

} // namespace bramblet
