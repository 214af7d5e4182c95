#include "Bramblet/Workspace/SyncConfig.h"

#include "Workspace/WorkspaceTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

namespace bramblet {
namespace {

using WorkspaceDefaultsTest = testing::SandboxedDefaultsTest;

bool readableConfigs(const QByteArray& json)
{
    return decodeList<SyncConfig>(json).has_value();
}

TEST_F(WorkspaceDefaultsTest, JsonIsStoredAsPlainUtf8Text)
{
    const QList<SyncConfig> configs { { "Fotos \u00e4", "/s", "/d" } };
    defaults().setData(WorkspaceDefaults::syncConfigsKey, encodeList(configs));
    defaults().setString(WorkspaceDefaults::appearanceKey, "Dark");

    // Another reader of the same file sees text, not a byte-array wrapper.
    QSettings reader(settingsFile(), QSettings::IniFormat);
    EXPECT_EQ(reader.value(WorkspaceDefaults::syncConfigsKey).toString(),
              QString::fromUtf8(R"([{"destination":"/d","name":"Fotos ä","source":"/s"}])"));
    EXPECT_EQ(reader.value(WorkspaceDefaults::appearanceKey).toString(), "Dark");
    EXPECT_EQ(decodeList<SyncConfig>(*defaults().data(WorkspaceDefaults::syncConfigsKey)), configs);
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::workspacesKey));
}

TEST_F(WorkspaceDefaultsTest, AnUnreadableListIsKeptAsideBeforeItIsReplaced)
{
    const QByteArray fresh = encodeList(QList<SyncConfig> { { "new", "/a", "/b" } });
    const auto unreadable = WorkspaceDefaults::unreadableKey(WorkspaceDefaults::syncConfigsKey);
    EXPECT_EQ(unreadable, "syncConfigs.unreadable");
    struct Case {
        const char* name;
        std::optional<QByteArray> before;
        bool keptAside;
    };
    const Case cases[] = {
        { "absent", std::nullopt, false },
        { "readable", encodeList(QList<SyncConfig> { { "old", "/x", "/y" } }), false },
        { "written by a newer version", R"([{"name":"old","source":"/x","destination":"/y","mirror":true},{"name":2}])",
          true },
        { "damaged", R"([{"name":"old","sou)", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkspaceDefaults store(fileIn(QString::fromUtf8(c.name) + ".ini"));
        if (c.before)
            store.setData(WorkspaceDefaults::syncConfigsKey, *c.before);

        store.replaceKeepingUnreadable(WorkspaceDefaults::syncConfigsKey, fresh, readableConfigs);

        EXPECT_EQ(store.data(WorkspaceDefaults::syncConfigsKey), fresh);
        if (c.keptAside)
            EXPECT_EQ(store.data(unreadable), c.before);
        else
            EXPECT_FALSE(store.data(unreadable));
    }
}

TEST_F(WorkspaceDefaultsTest, ASettingsFileOverTheLimitIsMovedAsideUnreadWithALogLine)
{
    struct Case {
        const char* name;
        qint64 size;
        bool read;
    };
    const Case cases[] = {
        { "a file of a few kilobytes", 4096, true },
        { "one byte over", WorkspaceDefaults::maximumFileSize + 1, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = fileIn(QString::fromUtf8(c.name) + ".ini");
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            const QByteArray head = "[General]\nappearance=Dark\nfiller=";
            ASSERT_EQ(file.write(head), head.size());
            ASSERT_EQ(file.write(QByteArray(c.size - head.size() - 1, 'x')), c.size - head.size() - 1);
            ASSERT_TRUE(file.putChar('\n'));
        }
        static QStringList logged;
        logged.clear();
        const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            logged.append(text);
        });
        WorkspaceDefaults store(path);
        const auto appearance = store.string(WorkspaceDefaults::appearanceKey);
        qInstallMessageHandler(previous);

        if (c.read) {
            EXPECT_EQ(appearance, "Dark");
            EXPECT_TRUE(logged.isEmpty()) << logged.join('\n').toStdString();
            continue;
        }
        EXPECT_FALSE(appearance);
        EXPECT_EQ(QFileInfo(path + ".unreadable").size(), c.size) << "kept whole beside it";
        ASSERT_EQ(logged.size(), 1);
        EXPECT_TRUE(logged[0].contains(path) && logged[0].contains(QString::number(c.size))) << logged[0].toStdString();
        store.setString(WorkspaceDefaults::appearanceKey, "Light");
        QTest::qWait(10);
        EXPECT_EQ(WorkspaceDefaults(path).string(WorkspaceDefaults::appearanceKey), "Light") << "the store works on";
    }
}

TEST_F(WorkspaceDefaultsTest, ACopySetAsideByAnEarlierRunIsNeverReplaced)
{
    const QString path = fileIn("settings.ini");
    QFile earlier(path + ".unreadable");
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    ASSERT_EQ(earlier.write("earlier"), 7);
    earlier.close();
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::resize(path, WorkspaceDefaults::maximumFileSize + 1));

    WorkspaceDefaults store(path);
    EXPECT_FALSE(store.string(WorkspaceDefaults::appearanceKey));
    EXPECT_EQ(QFileInfo(path + ".unreadable").size(), 7);
    EXPECT_EQ(QFileInfo(path + ".unreadable-2").size(), WorkspaceDefaults::maximumFileSize + 1);
}

TEST_F(WorkspaceDefaultsTest, AFileThatCannotBeWrittenIsReportedOnce)
{
    ASSERT_TRUE(QDir().mkpath(fileIn("a folder.ini")));
    struct Case {
        const char* name;
        QString path;
        QStringList reports;
    };
    const Case cases[] = {
        { "a folder in the file's place", fileIn("a folder.ini"), { fileIn("a folder.ini") } },
        { "a writable file", fileIn("plain.ini"), {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkspaceDefaults store(c.path);
        QStringList reports;
        store.writeFailed = [&reports](const QString& file) { reports.append(file); };
        for (int burst = 0; burst < 3; ++burst) {
            store.setData(WorkspaceDefaults::syncConfigsKey, "[]");
            store.setString(WorkspaceDefaults::appearanceKey, "Dark");
            QTest::qWait(10);
        }
        EXPECT_EQ(reports, c.reports);
    }
}

} // namespace
} // namespace bramblet
