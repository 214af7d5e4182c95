#include "Bramblet/Settings/SettingsWindowController.h"

#include "Bramblet/Remote/S3BrowserPane.h"
#include "Bramblet/Remote/TrueNASBrowserPane.h"
#include "Bramblet/Settings/SegmentedControl.h"
#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Theme/ColorView.h"
#include "BrambletCore/Remote/S3Connection.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

namespace bramblet {
namespace {

class SettingsWindowTest : public testing::SandboxedDefaultsTest {
protected:
    std::unique_ptr<SettingsWindowController> make(const QString& choice = "System")
    {
        return std::make_unique<SettingsWindowController>(
            choice, [this](const QString& picked) { choices.append(picked); },
            [this](QWidget* window) { connectWindows.append(window); }, defaults(), dialogs);
    }

    static QStringList toolbarLabels(const SettingsWindowController& settings)
    {
        QStringList labels;
        for (const QAction* item : settings.toolbar()->actions())
            labels << item->data().toString() + '=' + item->text();
        return labels;
    }

    testing::FakeDialogs dialogs;
    QStringList choices;
    QList<QWidget*> connectWindows;
};

TEST_F(SettingsWindowTest, EachTabHasItsTitleSizeAndToolbarSelection)
{
    const auto settings = make();
    EXPECT_EQ(settings->toolbar()->objectName(), "SettingsToolbar");
    EXPECT_EQ(settings->toolbar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(toolbarLabels(*settings),
              QStringList({ "general=General", "s3=S3", "truenas=TrueNAS", "samba=Samba" }));
    EXPECT_EQ(SettingsWindowController::itemIdentifiers(), QStringList({ "general", "s3", "truenas", "samba" }));
    EXPECT_EQ(settings->selectedItemIdentifier(), "general") << "General is shown first";
    EXPECT_EQ(settings->window()->windowTitle(), "General");

    const struct {
        const char* identifier;
        const char* selected;
        const char* title;
        QSize size;
        QWidget* view; // null: a view of the tab's own
    } cases[] = {
        { "s3", "s3", "S3", { 760, 480 }, settings->s3Browser()->contentView() },
        { "truenas", "truenas", "TrueNAS", { 760, 480 }, settings->trueNASBrowser()->contentView() },
        { "samba", "samba", "Samba", { 560, 120 }, nullptr },
        { "general", "general", "General", { 560, 100 }, nullptr },
        { "elsewhere", "general", "General", { 560, 100 }, nullptr },
        { "s3", "s3", "S3", { 760, 480 }, settings->s3Browser()->contentView() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identifier);
        settings->selectTab(QString::fromUtf8(c.identifier));
        EXPECT_EQ(settings->selectedItemIdentifier(), c.selected);
        EXPECT_EQ(settings->window()->windowTitle(), c.title);
        EXPECT_EQ(settings->contentSize(), c.size);
        ASSERT_TRUE(settings->contentView());
        if (c.view) {
            EXPECT_EQ(settings->contentView(), c.view) << "the pane's own view, every time";
        }
        EXPECT_TRUE(settings->window()->isAncestorOf(settings->contentView()));
    }
    EXPECT_EQ(settings->s3Browser()->anchorWindow(), settings->window());
    EXPECT_EQ(settings->trueNASBrowser()->anchorWindow(), settings->window());
}

TEST_F(SettingsWindowTest, ToolbarItemsShowTheirTabs)
{
    const auto settings = make();
    settings->window()->show();
    const auto items = settings->toolbar()->actions();
    ASSERT_EQ(items.size(), 4);
    QTest::mouseClick(settings->toolbar()->widgetForAction(items[2]), Qt::LeftButton);
    EXPECT_EQ(settings->contentView(), settings->trueNASBrowser()->contentView());
    EXPECT_EQ(settings->selectedItemIdentifier(), "truenas");
    QTest::mouseClick(settings->toolbar()->widgetForAction(items[3]), Qt::LeftButton);
    EXPECT_EQ(settings->window()->windowTitle(), "Samba");
    EXPECT_EQ(settings->selectedItemIdentifier(), "samba");
    settings->window()->hide();
}

TEST_F(SettingsWindowTest, TheS3PaneKeepsItsStateAcrossTabs)
{
    QJsonArray connections;
    for (const char* name : { "Backups", "Photos" }) {
        S3Connection connection { QUuid::createUuid(), name, "s3.example.com", "eu-west-1", "bucket", "AKID" };
        connections.append(connection.toJson());
    }
    defaults().setData("s3Connections", QJsonDocument(connections).toJson(QJsonDocument::Compact));
    defaults().setData("trueNASConnection", R"({"address":"nas.local","username":"admin"})");

    const auto settings = make();
    QComboBox* menu = settings->s3Browser()->connectionMenu();
    ASSERT_EQ(menu->count(), 2);
    EXPECT_EQ(menu->itemText(1), "Photos");
    EXPECT_EQ(settings->trueNASBrowser()->addressField()->text(), "nas.local");
    EXPECT_EQ(settings->trueNASBrowser()->usernameField()->text(), "admin");
    EXPECT_TRUE(settings->trueNASBrowser()->apiKeyField()->text().isEmpty());

    settings->selectTab("s3");
    menu->setCurrentIndex(1);
    QWidget* s3View = settings->contentView();
    settings->selectTab("general");
    EXPECT_TRUE(s3View->isHidden());
    settings->selectTab("s3");
    EXPECT_EQ(settings->contentView(), s3View);
    EXPECT_FALSE(s3View->isHidden());
    EXPECT_EQ(settings->s3Browser()->connectionMenu()->currentText(), "Photos");
}

TEST_F(SettingsWindowTest, AppearanceChoiceAndConnectToServerGoBackThroughTheCallbacks)
{
    const auto settings = make("dark"); // not one of the three: shown as System
    SegmentedControl* control = settings->appearanceControl();
    ASSERT_TRUE(control);
    EXPECT_EQ(control->segmentCount(), 3);
    EXPECT_EQ(control->label(2), "Dark");
    EXPECT_EQ(control->selectedSegment(), 0);
    EXPECT_EQ(control->width(), 264);

    settings->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(settings->window()));
    QTest::mouseClick(control->findChildren<QAbstractButton*>()[2], Qt::LeftButton);
    EXPECT_EQ(choices, QStringList({ "Dark" }));
    EXPECT_EQ(settings->appearanceChoice(), "Dark");
    settings->selectTab("samba");
    settings->selectTab("general");
    EXPECT_EQ(settings->appearanceControl()->selectedSegment(), 2) << "the rebuilt tab shows the current choice";

    settings->selectTab("samba");
    auto* button = settings->contentView()->findChild<QPushButton*>();
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), "Connect to Server\u2026");
    button->click();
    EXPECT_EQ(connectWindows, QList<QWidget*>({ settings->window() })) << "the settings window, not the workspace's";
    settings->window()->hide();
}

TEST_F(SettingsWindowTest, PanesOutliveOrFollowTheirViews)
{
    {
        const auto settings = make();
        settings->selectTab("s3");
    } // the window goes first with the pane's view inside it; the pane must not delete it again
    QPointer<ColorView> view;
    {
        S3BrowserPane pane(defaults(), dialogs);
        view = pane.contentView();
        ASSERT_TRUE(view);
        EXPECT_FALSE(view->parent()) << "the pane's view waits for a window to borrow it";
    }
    EXPECT_FALSE(view) << "a view nobody borrowed goes with its pane";
}

TEST_F(SettingsWindowTest, ToolbarSymbolsFollowTheAppearance)
{
    const auto settings = make();
    const QAction* general = settings->toolbar()->actions().first();
    // The lightness of the symbol's ink: every opaque pixel has the tint colour.
    const auto ink = [general] {
        const QImage image = general->icon().pixmap(24, 24).toImage();
        int lightness = 255;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 200)
                    lightness = std::min(lightness, pixel.lightness());
            }
        }
        return lightness;
    };
    ApplicationAppearance::shared().setAppearance(Appearance::light);
    const int light = ink();
    ApplicationAppearance::shared().setAppearance(Appearance::dark);
    const int dark = ink();
    ApplicationAppearance::shared().setAppearance(std::nullopt);
    EXPECT_LT(light, 100) << "dark ink on a light toolbar";
    EXPECT_GT(dark, 150) << "light ink on a dark toolbar";
}

} // namespace
} // namespace bramblet
