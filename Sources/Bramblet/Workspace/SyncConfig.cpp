#include "Bramblet/Workspace/SyncConfig.h"

#include "BrambletCore/Models/JsonDecoding.h"

namespace bramblet {

QJsonObject SyncConfig::toJson() const
{
    return { { "name", name }, { "source", source }, { "destination", destination } };
}

SyncConfig SyncConfig::fromJson(const QJsonValue& value)
{
    const auto object = json::requireObject(value, "sync configuration");
    return { json::requireString(object, "name"), json::requireString(object, "source"),
             json::requireString(object, "destination") };
}

} // namespace bramblet
