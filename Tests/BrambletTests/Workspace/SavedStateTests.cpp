#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/SavedWorkspace.h"
#include "Bramblet/Workspace/SyncConfig.h"
#include "BrambletCore/Models/JsonDecoding.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <limits>

namespace bramblet {
namespace {

TabSnapshot tab(const QString& path)
{
    TabSnapshot snapshot(path, PaneMode::list);
    snapshot.navigate(path + QStringLiteral("/sub"));
    snapshot.filter = QStringLiteral("*.txt");
    snapshot.selectedPaths = { path + QStringLiteral("/sub/a.txt") };
    snapshot.scroll = 42.5;
    return snapshot;
}

QJsonObject parse(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

TEST(SavedState, RoundTripsThroughJsonWithTheRecordFieldNames)
{
    SavedState state;
    state.left = { tab("/l1"), tab("/l2") };
    state.right = { tab("/r") };
    state.leftIndex = 1;
    state.favorites = { "/fav", "/fav" };
    state.widths = { 208, 472.5, 472.5, 288 };
    state.active = 1;

    const auto json = state.toJson();
    EXPECT_EQ(QStringList(json.keys()),
              QStringList({ "active", "favorites", "left", "leftIndex", "right", "rightIndex", "widths" }));
    const auto text = QJsonDocument(json).toJson(QJsonDocument::Compact);
    EXPECT_EQ(SavedState::fromJson(QJsonDocument::fromJson(text).object()), state);
}

TEST(SavedState, RefusesToEncodeNumbersJsonCannotHold)
{
    SavedState state;
    state.left = { tab("/l") };
    state.right = { tab("/r") };
    state.widths = { 208, std::numeric_limits<double>::quiet_NaN(), 1, 2 };
    EXPECT_THROW(state.toJson(), JsonEncodeError);

    state.widths = { 208, 1, 2, 3 };
    state.right[0].scroll = std::numeric_limits<double>::infinity();
    EXPECT_THROW(state.toJson(), JsonEncodeError);
}

TEST(SavedState, AnyMissingOrMistypedPartMakesTheWholeValueUnreadable)
{
    const char* goodTab = R"({"path":"/a","history":["/a"],"historyIndex":0,"mode":"list","sort":"name",)"
                          R"("descending":false,"filter":"","selectedPaths":[],"scroll":0})";
    const auto document = [&](const QString& left, const QString& widths, const QString& active) {
        return QStringLiteral(R"({"left":%1,"right":[%2],"leftIndex":0,"rightIndex":0,"favorites":[],)"
                              R"("widths":%3,"active":%4})")
            .arg(left, QString::fromUtf8(goodTab), widths, active)
            .toUtf8();
    };
    struct Case {
        const char* name;
        QByteArray json;
        bool readable;
    };
    const QString good = QStringLiteral("[%1]").arg(QString::fromUtf8(goodTab));
    const Case cases[] = {
        { "complete", document(good, "[1,2,3,4]", "0"), true },
        { "empty lists are still readable", document("[]", "[]", "1"), true },
        { "active is not an integer", document(good, "[]", "0.5"), false },
        { "a width is text", document(good, R"([1,"2"])", "0"), false },
        { "a tab names an unknown mode",
          document(QString(good).replace("\"list\"", "\"columns\""), "[]", "0"), false },
        { "a tab lacks its scroll", document(QString(good).replace(",\"scroll\":0", ""), "[]", "0"), false },
        { "no favourites", QByteArray(R"({"left":[],"right":[],"leftIndex":0,"rightIndex":0,"widths":[],"active":0})"),
          false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto value = QJsonDocument::fromJson(c.json).object();
        if (c.readable)
            EXPECT_NO_THROW(SavedState::fromJson(value));
        else
            EXPECT_THROW(SavedState::fromJson(value), JsonDecodeError);
    }
}

TEST(SavedWorkspace, RoundTripsAndCarriesNoFavouritesOrWidths)
{
    SavedWorkspace workspace { "Photos", { tab("/p") }, { tab("/q"), tab("/r") }, 0, 1, 1 };
    const auto json = workspace.toJson();
    EXPECT_EQ(QStringList(json.keys()),
              QStringList({ "active", "left", "leftIndex", "name", "right", "rightIndex" }));
    EXPECT_EQ(SavedWorkspace::fromJson(json), workspace);
    EXPECT_THROW(SavedWorkspace::fromJson(parse(R"({"name":"x","left":[],"right":[],"leftIndex":0,"rightIndex":0})")),
                 JsonDecodeError);
}

TEST(SyncConfig, RoundTripsAndNeedsAllThreeStrings)
{
    const SyncConfig config { "Backup", "/src", "/dst" };
    EXPECT_EQ(SyncConfig::fromJson(config.toJson()), config);
    EXPECT_THROW(SyncConfig::fromJson(parse(R"({"name":"x","source":"/a"})")), JsonDecodeError);
    EXPECT_THROW(SyncConfig::fromJson(parse(R"({"name":"x","source":"/a","destination":7})")), JsonDecodeError);
}

} // namespace
} // namespace bramblet
