// What a user sees of a side's header in each appearance: every symbol and every text measured
// against the ground it is drawn on, as rendered.

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Pane/PathControl.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Pane/PaneTestSupport.h"
#include "Theme/ThemeTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>

namespace bramblet {
namespace {

using testing::eventually;
using testing::inkContrast;
using testing::render;

// Icons must stand out at 3:1 and text at 4.5:1 from their ground.
constexpr double iconContrast = 3.0;
constexpr double textContrast = 4.5;

class SideHeaderContrastTest : public testing::AppearanceTest {
protected:
    void SetUp() override
    {
        for (const char* name : { "a", "b" })
            ASSERT_TRUE(QDir(m_folder.path()).mkpath(name));
        files = new PaneController(m_folder.path(), PaneMode::list);
        side = new TerminalPaneController(files);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(side);
        window.resize(900, 400);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        // Every header button enabled: a second tab to close, and in it a way back and forward.
        files->addTab();
        files->navigate(pathFromString(m_folder.filePath("a")));
        files->navigate(pathFromString(m_folder.filePath("b")));
        files->back();
        ASSERT_TRUE(files->backButton()->isEnabled() && files->forwardButton()->isEnabled());
        // The path's folder buttons show once the event loop has run.
        ASSERT_TRUE(eventually([this] {
            const auto folders = files->pathControl()->findChildren<QAbstractButton*>();
            return !folders.isEmpty() && std::all_of(folders.begin(), folders.end(), [](auto* each) { return each->isVisible(); });
        }));
    }

    // The button of the side whose accessible name or text is `name`.
    QAbstractButton* button(const QString& name) const
    {
        for (QAbstractButton* each : side->findChildren<QAbstractButton*>()) {
            if (each->accessibleName() == name || each->text() == name)
                return each;
        }
        return nullptr;
    }

    QRect areaOf(const QWidget* widget) const { return QRect(widget->mapTo(side, QPoint()), widget->size()); }

    QTemporaryDir m_folder;
    QWidget window;
    PaneController* files = nullptr;
    TerminalPaneController* side = nullptr;
};

TEST_F(SideHeaderContrastTest, EverySymbolAndTextStandsOutInBothAppearances)
{
    struct Control {
        const char* name;
        double minimum;
    };
    const Control controls[] = {
        { "Back", iconContrast },      { "Forward", iconContrast },   { "Parent folder", iconContrast },
        { "New tab", iconContrast },   { "Close tab", iconContrast }, { "List", iconContrast },
        { "Grid", iconContrast },      { "Tree", iconContrast },      { "Files", textContrast },
        { "Terminal", textContrast },
    };
    for (const Appearance appearance : { Appearance::light, Appearance::dark }) {
        // Switched while the side is on screen: nothing is rebuilt for the new look.
        ApplicationAppearance::shared().setAppearance(appearance);
        QCoreApplication::processEvents();
        const QImage image = render(*side, 2);
        for (const Control& control : controls) {
            SCOPED_TRACE(::testing::Message() << control.name << (appearance == Appearance::dark ? " dark" : " light"));
            const QAbstractButton* shown = button(QString::fromUtf8(control.name));
            ASSERT_TRUE(shown);
            ASSERT_TRUE(shown->isEnabled());
            EXPECT_GE(inkContrast(image, areaOf(shown)), control.minimum);
        }
        // The texts around them: the path's folder names and the item count.
        QList<const QWidget*> texts;
        for (const QAbstractButton* folder : files->pathControl()->findChildren<QAbstractButton*>())
            texts.append(folder);
        for (const QLabel* label : files->findChildren<QLabel*>()) {
            if (label->isVisible() && !label->text().isEmpty()
                && label->mapTo(side, QPoint()).y() < areaOf(files->table()).top())
                texts.append(label);
        }
        ASSERT_GE(texts.size(), 3);
        for (const QWidget* text : texts) {
            SCOPED_TRACE(text->property("text").toString().toStdString());
            EXPECT_GE(inkContrast(image, areaOf(text)), textContrast);
        }
    }
}

} // namespace
} // namespace bramblet
