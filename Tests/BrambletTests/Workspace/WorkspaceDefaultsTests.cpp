#include "Bramblet/Workspace/SyncConfig.h"

#include "Workspace/WorkspaceTestSupport.h"

#include <QSettings>

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

} // namespace
} // namespace bramblet
