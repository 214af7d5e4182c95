#include "Bramblet/Updater/UpdateController.h"

#include "Workspace/FakeDialogs.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace bramblet {
namespace {

const QByteArray releaseFeed = R"(<rss><channel><item><version>0.2.0</version>
    <link>https://example.com/releases/0.2.0</link></item></channel></rss>)";

// The feed is answered by the test: each fetch waits in `pending` until answered.
class UpdateControllerTest : public ::testing::Test {
protected:
    std::unique_ptr<UpdateController> make(const QUrl& feed)
    {
        auto updater = std::make_unique<UpdateController>(feed, "0.1.0", dialogs);
        updater->setFetcher([this](const QUrl& url, auto done) {
            fetched.append(url);
            pending.append(std::move(done));
        });
        updater->setOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
        return updater;
    }

    testing::FakeDialogs dialogs;
    QWidget window;
    QList<QUrl> fetched;
    QList<std::function<void(const std::optional<QByteArray>&, const QString&)>> pending;
    QList<QUrl> opened;
};

TEST_F(UpdateControllerTest, WithoutAFeedTheCheckTellsHowThisBuildIsUpdated)
{
    EXPECT_TRUE(UpdateController::configuredFeed().isEmpty()) << "no feed unless the build names one";
    const auto updater = make(QUrl());
    updater->checkForUpdates(&window);
    EXPECT_TRUE(fetched.isEmpty());
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].window, &window);
    EXPECT_EQ(dialogs.presented[0].request.message, "This build doesn\u2019t check for updates");
    EXPECT_TRUE(dialogs.presented[0].request.informativeText.contains("\u201ccmake --install\u201d"))
        << "it names the way this build was installed";
    EXPECT_FALSE(updater->isChecking());
}

TEST_F(UpdateControllerTest, TheAnswerOfTheFeedDecidesTheSheet)
{
    const struct {
        const char* name;
        std::optional<QByteArray> body;
        QString error;
        const char* message;
        const char* informative;
    } cases[] = {
        { "newer", releaseFeed, {}, "A new version of Bramblet is available!",
          "Bramblet 0.2.0 is now available; you have 0.1.0. Open its download page?" },
        { "same", QByteArray(R"(<rss><item><version>0.1.0</version><link>https://example.com/a</link></item></rss>)"), {},
          "You\u2019re up to date!", "Bramblet 0.1.0 is the newest version available." },
        { "unreadable", QByteArray("<rss><item>"), {}, "Update Error",
          "Bramblet couldn\u2019t check for updates: the update feed could not be read." },
        { "network failure", std::nullopt, "Host example.com not found", "Update Error",
          "Bramblet couldn\u2019t check for updates: Host example.com not found" },
    };
    const auto updater = make(QUrl("https://example.com/appcast.xml"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        updater->checkForUpdates(&window);
        EXPECT_TRUE(updater->isChecking());
        EXPECT_FALSE(updater->sessionInProgress()) << "a check in flight is no update session";
        updater->checkForUpdates(&window);
        ASSERT_EQ(pending.size(), 1) << "a second request while checking starts nothing";
        const auto before = dialogs.presented.size();
        pending.takeFirst()(c.body, c.error);
        EXPECT_FALSE(updater->isChecking());
        ASSERT_EQ(dialogs.presented.size(), before + 1);
        EXPECT_EQ(dialogs.presented.last().request.message, c.message);
        EXPECT_EQ(dialogs.presented.last().request.informativeText.toStdString(), c.informative);
        EXPECT_EQ(dialogs.presented.last().window, &window);
    }
    EXPECT_EQ(fetched, QList<QUrl>(4, QUrl("https://example.com/appcast.xml")));
    EXPECT_FALSE(updater->isInstallingUpdate());
}

TEST_F(UpdateControllerTest, DownloadOpensTheReleasePageAndLaterDoesNot)
{
    const auto updater = make(QUrl("https://example.com/appcast.xml"));
    for (const int button : { 1, 0 }) {
        updater->checkForUpdates(&window);
        pending.takeFirst()(releaseFeed, {});
        EXPECT_EQ(dialogs.presented.last().request.buttons, QStringList({ "Download", "Later" }));
        dialogs.answer(button);
    }
    EXPECT_EQ(opened, QList<QUrl>({ QUrl("https://example.com/releases/0.2.0") }));
}

TEST_F(UpdateControllerTest, AnAnswerAfterTheWindowWentGoesNowhereHarmful)
{
    const auto updater = make(QUrl("https://example.com/appcast.xml"));
    auto* transientWindow = new QWidget;
    updater->checkForUpdates(transientWindow);
    delete transientWindow;
    pending.takeFirst()(releaseFeed, {});
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].window, nullptr) << "the sheet goes without a window, not to a dead one";
}

} // namespace
} // namespace bramblet
