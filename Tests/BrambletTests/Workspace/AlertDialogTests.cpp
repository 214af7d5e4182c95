#include "Bramblet/Workspace/AlertDialog.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

namespace bramblet {
namespace {

// Whatever the texts, the alert stays on its screen and every button can be reached.
TEST(AlertDialog, StaysInsideTheScreenWithLongNamesPathsAndLists)
{
    const QString longName = QString(251, u'n') + QStringLiteral(".txt");
    const QString longPath = QStringLiteral("/home/user/") + longName;
    QStringList manyPaths;
    for (int index = 0; index < 300; ++index)
        manyPaths.append(QStringLiteral("/home/user/Documents/file-%1.txt").arg(index));
    struct Case {
        const char* what;
        QString message;
        QString informative;
    };
    const Case cases[] = {
        { "long message", QStringLiteral("An item named \u201c%1\u201d already exists.").arg(longName), {} },
        { "long paths", QStringLiteral("Conflict"),
          QStringLiteral("Source: %1\nDestination: %1\n\nReplace moves the existing destination.").arg(longPath) },
        { "long list", QStringLiteral("Drop Stack"), manyPaths.join(u'\n') },
    };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogRequest request;
        request.message = c.message;
        request.informativeText = c.informative;
        request.buttons = { QStringLiteral("Keep Both (_02)"), QStringLiteral("Skip"), QStringLiteral("Replace"),
                            QStringLiteral("Cancel Operation") };
        AlertDialog alert(request, nullptr);
        alert.show();
        EXPECT_LE(alert.frameGeometry().width(), screen.width());
        EXPECT_LE(alert.frameGeometry().height(), screen.height());
        const auto buttons = alert.findChildren<QPushButton*>();
        EXPECT_EQ(buttons.size(), 4);
        for (const QPushButton* button : buttons)
            EXPECT_TRUE(alert.rect().contains(button->geometry())) << button->text().toStdString();
    }
}

} // namespace
} // namespace bramblet
