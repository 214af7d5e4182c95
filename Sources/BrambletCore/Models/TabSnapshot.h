#pragma once

#include "BrambletCore/Models/PaneMode.h"
#include "BrambletCore/Models/SortField.h"

#include <QJsonObject>
#include <QSet>
#include <QStringList>

namespace bramblet {

// Everything one pane tab remembers: its folder and history, how it shows, sorts and filters
// that folder, what is selected and where it is scrolled.
//
// The operations keep history non-empty with history[historyIndex] == path. A decoded snapshot
// is not checked; the operations repair a broken history before they use it.
struct TabSnapshot {
    QString path;
    QStringList history;
    int historyIndex = 0;
    PaneMode mode = PaneMode::list;
    SortField sort = SortField::name;
    bool descending = false;
    QString filter;
    QSet<QString> selectedPaths;
    double scroll = 0;

    TabSnapshot(const QString& path, PaneMode mode);

    // Goes to `newPath` (already standardised by the caller), dropping the forward history and
    // clearing selection, filter and scroll. The current path itself changes nothing.
    void navigate(const QString& newPath);

    // Step through history, clearing selection and scroll but keeping the filter text.
    void goBack();
    void goForward();

    bool canGoBack() const;
    bool canGoForward() const;

    QJsonObject toJson() const;
    // Throws JsonDecodeError unless all nine keys are present with the right types.
    static TabSnapshot fromJson(const QJsonValue& value);

    bool operator==(const TabSnapshot&) const = default;

private:
    void repairHistory();
    void moveInHistory(int step);
};

} // namespace bramblet
