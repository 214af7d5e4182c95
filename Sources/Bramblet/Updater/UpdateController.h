#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QWidget;

namespace bramblet {

class DialogPresenter;

// "Check for Updates…": reads the appcast feed the build names (see Appcast), compares its newest
// release with the running version and offers the release's download page in the browser. A
// build without a feed says so, and that a newer version is installed the way this one was.
//
// It also holds what the quit rules ask of an update: whether one is being installed. Nothing is
// installed by the check itself, and a check in flight is no installation: quitting during a check
// follows the ordinary rules. Main thread only.
class UpdateController : public QObject {
    Q_OBJECT

public:
    // Fetches `url` and calls `done` once with the body, or with none and the reason.
    using Fetcher = std::function<void(const QUrl& url,
                                       std::function<void(const std::optional<QByteArray>& body, const QString& error)> done)>;
    // Hands a web address to the desktop's browser; false when none took it.
    using Opener = std::function<bool(const QUrl& url)>;

    // `feed` empty: no feed. `dialogs` outlives the controller.
    UpdateController(const QUrl& feed, const QString& currentVersion, DialogPresenter& dialogs,
                     QObject* parent = nullptr);
    ~UpdateController() override;

    // The feed this build was configured with; empty when none.
    static QUrl configuredFeed();

    // Network and browser by default; tests set fakes.
    void setFetcher(Fetcher fetcher) { m_fetcher = std::move(fetcher); }
    void setOpener(Opener opener) { m_opener = std::move(opener); }

    // Checks the feed and tells the outcome in a sheet on `window`, the window in front. A request
    // while a check runs is ignored: its answer is on its way.
    void checkForUpdates(QWidget* window);
    bool isChecking() const { return m_checking; }

    // An installation has been committed to (it then runs at quit); never cleared.
    bool isInstallingUpdate() const { return m_isInstallingUpdate; }
    // Whether an update session holds the application: only while an installation is committed,
    // never merely while a check is in flight.
    bool sessionInProgress() const { return m_isInstallingUpdate; }
    // Told by whatever installs a release once it is about to install or relaunch.
    void willInstallUpdate() { m_isInstallingUpdate = true; }

private:
    void finishCheck(QWidget* window, const std::optional<QByteArray>& body, const QString& error);
    void tell(QWidget* window, const QString& message, const QString& informativeText);

    QUrl m_feed;
    QString m_currentVersion;
    DialogPresenter& m_dialogs;
    QNetworkAccessManager* m_network = nullptr; // made on the first check
    Fetcher m_fetcher;
    Opener m_opener;
    bool m_checking = false;
    bool m_isInstallingUpdate = false;
};

} // namespace bramblet
