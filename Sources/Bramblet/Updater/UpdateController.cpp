#include "Bramblet/Updater/UpdateController.h"

#include "Bramblet/Updater/Appcast.h"
#include "Bramblet/Workspace/DialogPresenter.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QWidget>

namespace bramblet {

namespace {

// A feed is a few kilobytes; a stalled server must not keep the check open.
constexpr int transferTimeoutMs = 20000;

const QString okTitle = QStringLiteral("OK");

} // namespace

UpdateController::UpdateController(const QUrl& feed, const QString& currentVersion, DialogPresenter& dialogs,
                                   QObject* parent)
    : QObject(parent)
    , m_feed(feed)
    , m_currentVersion(currentVersion)
    , m_dialogs(dialogs)
    , m_opener([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    m_fetcher = [this](const QUrl& url, auto done) {
        if (!m_network)
            m_network = new QNetworkAccessManager(this);
        QNetworkRequest request(url);
        request.setTransferTimeout(transferTimeoutMs);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = m_network->get(request);
        connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
            reply->deleteLater();
            if (reply->error() != QNetworkReply::NoError)
                done(std::nullopt, reply->errorString());
            else
                done(reply->readAll(), QString());
        });
    };
}

UpdateController::~UpdateController() = default;

QUrl UpdateController::configuredFeed()
{
    return QUrl(QString::fromUtf8(BRAMBLET_UPDATE_FEED_URL));
}

void UpdateController::checkForUpdates(QWidget* window)
{
    if (m_feed.isEmpty()) {
        tell(window, QStringLiteral("This build doesn\u2019t check for updates"),
             QStringLiteral("Bramblet was built without an update feed. To update it, install a newer version the "
                            "way this one was installed: build newer sources and run \u201ccmake --install\u201d "
                            "again, or update the package it came from."));
        return;
    }
    if (m_checking)
        return;
    m_checking = true;
    QPointer<UpdateController> self(this);
    QPointer<QWidget> front(window);
    m_fetcher(m_feed, [self, front](const std::optional<QByteArray>& body, const QString& error) {
        if (self)
            self->finishCheck(front, body, error);
    });
}

void UpdateController::finishCheck(QWidget* window, const std::optional<QByteArray>& body, const QString& error)
{
    m_checking = false;
    const auto items = body ? Appcast::parse(*body) : std::nullopt;
    if (!items) {
        tell(window, QStringLiteral("Update Error"),
             QStringLiteral("Bramblet couldn\u2019t check for updates: %1")
                 .arg(body ? QStringLiteral("the update feed could not be read.") : error));
        return;
    }
    const auto newer = Appcast::newerThan(*items, m_currentVersion);
    if (!newer) {
        tell(window, QStringLiteral("You\u2019re up to date!"),
             QStringLiteral("Bramblet %1 is the newest version available.").arg(m_currentVersion));
        return;
    }
    DialogRequest request;
    request.message = QStringLiteral("A new version of Bramblet is available!");
    request.informativeText = QStringLiteral("Bramblet %1 is now available; you have %2. Open its download page?")
                                  .arg(newer->version, m_currentVersion);
    request.buttons = { QStringLiteral("Download"), QStringLiteral("Later") };
    QPointer<UpdateController> self(this);
    m_dialogs.present(window, request, [self, page = newer->downloadPage](const DialogAnswer& answer) {
        if (self && answer.button == 0 && self->m_opener)
            self->m_opener(page);
    });
}

void UpdateController::tell(QWidget* window, const QString& message, const QString& informativeText)
{
    DialogRequest request;
    request.message = message;
    request.informativeText = informativeText;
    request.buttons = { okTitle };
    m_dialogs.present(window, request, {});
}

} // namespace bramblet
