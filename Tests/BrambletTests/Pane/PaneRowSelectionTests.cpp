// How a selected row of the list and of the tree looks, as rendered in each appearance.

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Theme/Theme.h"
#include "Pane/PaneTestSupport.h"
#include "Theme/ThemeTestSupport.h"

#include <QVBoxLayout>

namespace bramblet {
namespace {

using testing::eventually;
using testing::inkContrast;
using testing::pixelAt;
using testing::render;
using testing::sameColor;

// `ground` with `ink` over it at `alpha`.
QColor blended(const QColor& ground, const QColor& ink, qreal alpha)
{
    return QColor::fromRgbF(float(ground.redF() * (1 - alpha) + ink.redF() * alpha),
                            float(ground.greenF() * (1 - alpha) + ink.greenF() * alpha),
                            float(ground.blueF() * (1 - alpha) + ink.blueF() * alpha));
}

class PaneRowSelectionTest : public testing::AppearanceTest {
protected:
    void SetUp() override
    {
        tree.file("alpha.txt");
        tree.file("beta.txt");
        tree.folder("gamma");
        pane = new PaneController(tree.path(), PaneMode::list);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(pane);
        window.resize(700, 400);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        pane->refresh();
        ASSERT_TRUE(eventually([this] { return pane->visible().size() == 3; }));
    }

    testing::TempTree tree;
    QWidget window;
    PaneController* pane = nullptr;
};

TEST_F(PaneRowSelectionTest, SelectedRowsAreThePaleRoundedBandWithReadableNames)
{
    for (const PaneMode mode : { PaneMode::list, PaneMode::tree }) {
        pane->setMode(mode);
        pane->selectWhere([](const FileItem& item) { return item.name == "beta.txt"; });
        QAbstractItemView* view = mode == PaneMode::list ? static_cast<QAbstractItemView*>(pane->table()) : pane->tree();
        ASSERT_TRUE(eventually([view] { return view->selectionModel()->selectedRows().size() == 1; }));
        const QModelIndex selected = view->selectionModel()->selectedRows().first();
        for (const Appearance appearance : { Appearance::light, Appearance::dark }) {
            SCOPED_TRACE(::testing::Message() << (mode == PaneMode::list ? "list " : "tree ")
                                              << (appearance == Appearance::dark ? "dark" : "light"));
            ApplicationAppearance::shared().setAppearance(appearance);
            QCoreApplication::processEvents();
            const QImage image = render(*pane);
            const QRect cell = view->visualRect(selected);
            const QPoint origin = view->viewport()->mapTo(pane, QPoint());
            const QRect row(origin.x(), origin.y() + cell.top(), view->viewport()->width(), cell.height());

            const QColor paneColor = Theme::pane().resolved();
            const qreal alpha = view->hasFocus() && view->isActiveWindow() ? 0.18 : 0.10;
            const QColor band = blended(paneColor, Theme::cyan().resolved(), alpha);
            // Right of the name, where only the band is drawn, and 2 pixels in from either end,
            // where the band does not reach.
            EXPECT_TRUE(sameColor(pixelAt(image, row.right() - 12, row.center().y()), band));
            EXPECT_TRUE(sameColor(pixelAt(image, row.left(), row.center().y()), paneColor));
            EXPECT_TRUE(sameColor(pixelAt(image, row.right(), row.center().y()), paneColor));
            // Rounded: the band's corner is not filled.
            EXPECT_FALSE(sameColor(pixelAt(image, row.left() + 2, row.top() + 1), band));
            // The name past its icon.
            const QRect name(origin.x() + cell.left() + 30, row.top(), 80, row.height());
            EXPECT_GE(inkContrast(image, name), 4.5);
        }
    }
}

} // namespace
} // namespace bramblet
