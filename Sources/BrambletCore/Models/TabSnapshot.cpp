#include "BrambletCore/Models/TabSnapshot.h"

#include "BrambletCore/Models/JsonDecoding.h"

#include <QJsonArray>

#include <algorithm>

namespace bramblet {

TabSnapshot::TabSnapshot(const QString& path, PaneMode mode)
    : path(path)
    , history { path }
    , mode(mode)
{
}

void TabSnapshot::repairHistory()
{
    if (history.isEmpty())
        history.append(path);
    historyIndex = std::clamp(historyIndex, 0, int(history.size()) - 1);
}

void TabSnapshot::navigate(const QString& newPath)
{
    if (newPath == path)
        return;
    repairHistory();
    history.resize(historyIndex + 1);
    history.append(newPath);
    historyIndex = int(history.size()) - 1;
    path = newPath;
    selectedPaths.clear();
    filter.clear();
    scroll = 0;
}

bool TabSnapshot::canGoBack() const
{
    return historyIndex > 0 && !history.isEmpty();
}

bool TabSnapshot::canGoForward() const
{
    return historyIndex + 1 < history.size();
}

void TabSnapshot::moveInHistory(int step)
{
    repairHistory();
    const int target = historyIndex + step;
    if (target < 0 || target >= history.size())
        return;
    historyIndex = target;
    path = history[historyIndex];
    selectedPaths.clear();
    scroll = 0;
}

void TabSnapshot::goBack()
{
    moveInHistory(-1);
}

void TabSnapshot::goForward()
{
    moveInHistory(+1);
}

QJsonObject TabSnapshot::toJson() const
{
    QJsonArray selected;
    for (const auto& selectedPath : selectedPaths)
        selected.append(selectedPath);
    return {
        { "path", path },
        { "history", QJsonArray::fromStringList(history) },
        { "historyIndex", historyIndex },
        { "mode", toString(mode) },
        { "sort", toString(sort) },
        { "descending", descending },
        { "filter", filter },
        { "selectedPaths", selected },
        { "scroll", scroll },
    };
}

TabSnapshot TabSnapshot::fromJson(const QJsonValue& value)
{
    const auto object = json::requireObject(value, "tab");
    TabSnapshot tab(json::requireString(object, "path"), json::requireEnum<PaneMode>(object, "mode"));
    tab.history = json::requireStringArray(object, "history");
    tab.historyIndex = json::requireInt(object, "historyIndex");
    tab.sort = json::requireEnum<SortField>(object, "sort");
    tab.descending = json::requireBool(object, "descending");
    tab.filter = json::requireString(object, "filter");
    const auto selected = json::requireStringArray(object, "selectedPaths");
    tab.selectedPaths = QSet<QString>(selected.begin(), selected.end());
    tab.scroll = json::requireDouble(object, "scroll");
    return tab;
}

} // namespace bramblet
