#pragma once

#include <QObject>
#include <QString>

namespace zentrova {

class TerminalView;

// The process-wide centre terminal views post their notifications to; observers connect to its
// signal and look at the name, as hosts of the design observe the default notification centre.
// Main thread only.
class TerminalViewNotificationCenter : public QObject {
    Q_OBJECT

public:
    // Posted with the view, after every change of its GPU renderer's status.
    static inline const QString metalRendererStatusDidChange = QStringLiteral("Zentrova.TerminalView.metalRendererStatusDidChange");

    static TerminalViewNotificationCenter& defaultCenter();
    void post(const QString& name, TerminalView* view) { Q_EMIT notification(name, view); }

Q_SIGNALS:
    void notification(const QString& name, zentrova::TerminalView* view);
};

} // namespace zentrova
