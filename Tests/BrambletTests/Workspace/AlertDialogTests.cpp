#include "Bramblet/Workspace/AlertDialog.h"

#include <QGuiApplication>
#include <QLineEdit>
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

// A form answers with every field's text in order, and hides what is typed into a secure field.
TEST(AlertDialog, FormFieldsAnswerInOrderAndHideSecureText)
{
    DialogRequest request;
    request.message = QStringLiteral("Form");
    request.buttons = { QStringLiteral("Save"), QStringLiteral("Cancel") };
    request.accessory = DialogRequest::Accessory::form;
    request.fields = { { QStringLiteral("First"), false }, { QStringLiteral("Secret"), true }, { QStringLiteral("Last"), false } };
    AlertDialog alert(request, nullptr);
    const auto& fields = alert.formFields();
    ASSERT_EQ(fields.size(), 3);
    const QString typed[] = { QStringLiteral("one"), QStringLiteral(" two "), QString() };
    for (int index = 0; index < 3; ++index) {
        EXPECT_EQ(fields[index]->placeholderText(), request.fields[index].placeholder);
        EXPECT_EQ(fields[index]->echoMode(), request.fields[index].secure ? QLineEdit::Password : QLineEdit::Normal);
        fields[index]->setText(typed[index]);
    }
    alert.findChildren<QPushButton*>().constFirst()->click();
    const DialogAnswer answer = alert.answer();
    EXPECT_EQ(answer.texts, QStringList({ QStringLiteral("one"), QStringLiteral(" two "), QString() }));
    EXPECT_GE(answer.button, 0);
}

} // namespace
} // namespace bramblet
