// The keychain store against a real Secret Service (GNOME Keyring on a private session bus,
// started by scripts/with-test-services.sh). Compiled with QT_NO_KEYWORDS to reach libsecret
// directly, for what the store itself never does: count items and plant a value that is not text.

#include "BrambletCore/Remote/Keychain.h"

#include "BrambletCore/Remote/KeychainError.h"

#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QUuid>

#include <libsecret/secret.h>

namespace bramblet {
namespace {

// The schema name the store files its items under.
constexpr const char* schemaName = "Bramblet.Secret";

GHashTable* attributesOf(const QByteArray& service, const QByteArray& account)
{
    GHashTable* attributes = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    g_hash_table_insert(attributes, g_strdup("service"), g_strdup(service.constData()));
    g_hash_table_insert(attributes, g_strdup("account"), g_strdup(account.constData()));
    g_hash_table_insert(attributes, g_strdup("xdg:schema"), g_strdup(schemaName));
    return attributes;
}

int itemCount(const QString& service, const QString& account)
{
    GHashTable* attributes = attributesOf(service.toUtf8(), account.toUtf8());
    GError* error = nullptr;
    GList* items = secret_service_search_sync(nullptr, nullptr, attributes, SECRET_SEARCH_ALL, nullptr, &error);
    g_hash_table_unref(attributes);
    if (error) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return -1;
    }
    const int count = int(g_list_length(items));
    g_list_free_full(items, g_object_unref);
    return count;
}

class KeychainTest : public ::testing::Test {
protected:
    void SetUp() override { BRAMBLET_REQUIRE_SERVICE(testing::hasSessionBus(), "A session bus with a Secret Service"); }
    void TearDown() override
    {
        Keychain::deleteItem(Keychain::s3Service, account);
        Keychain::deleteItem(Keychain::trueNASService, account);
    }

    // Tests run at the same time against one keyring, each with accounts of its own.
    const QString account = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
};

TEST_F(KeychainTest, SavesReadsReplacesAndDeletes)
{
    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), std::nullopt);
    Keychain::save(QStringLiteral("first secret"), Keychain::s3Service, account);
    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), QStringLiteral("first secret"));

    // Replacing is one step: exactly one item, holding the second value.
    Keychain::save(QStringLiteral("second secret"), Keychain::s3Service, account);
    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), QStringLiteral("second secret"));
    EXPECT_EQ(itemCount(Keychain::s3Service, account), 1);

    Keychain::deleteItem(Keychain::s3Service, account);
    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), std::nullopt);
    EXPECT_EQ(itemCount(Keychain::s3Service, account), 0);
    EXPECT_NO_THROW(Keychain::deleteItem(Keychain::s3Service, account));
}

TEST_F(KeychainTest, ServiceAndAccountTextNameDifferentItems)
{
    const QString address = QStringLiteral("https://nas-") + account + QStringLiteral(".local");
    Keychain::save(QStringLiteral("for s3"), Keychain::s3Service, account);
    Keychain::save(QStringLiteral("for truenas"), Keychain::trueNASService, account);
    Keychain::save(QStringLiteral("bare"), Keychain::trueNASService, address);
    Keychain::save(QStringLiteral("slash"), Keychain::trueNASService, address + u'/');

    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), QStringLiteral("for s3"));
    EXPECT_EQ(Keychain::read(Keychain::trueNASService, account), QStringLiteral("for truenas"));
    EXPECT_EQ(Keychain::read(Keychain::trueNASService, address), QStringLiteral("bare"));
    EXPECT_EQ(Keychain::read(Keychain::trueNASService, address + u'/'), QStringLiteral("slash"));
    EXPECT_EQ(Keychain::read(Keychain::trueNASService, account.toLower()), std::nullopt);

    Keychain::deleteItem(Keychain::trueNASService, address);
    Keychain::deleteItem(Keychain::trueNASService, address + u'/');
    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), QStringLiteral("for s3"));
}

TEST_F(KeychainTest, ValuesKeepEveryCharacter)
{
    const QString values[] = { QStringLiteral("pässwörd 🔑 日本"), QStringLiteral(" spaces \n newline "),
                               QStringLiteral("nul\u0000inside"), QString() };
    for (const auto& value : values) {
        SCOPED_TRACE(value.toStdString());
        Keychain::save(value, Keychain::s3Service, account);
        EXPECT_EQ(Keychain::read(Keychain::s3Service, account), value);
    }
}

TEST_F(KeychainTest, ValueThatIsNotUtf8ReadsAsMissing)
{
    const QByteArray accountText = account.toUtf8();
    GHashTable* attributes = attributesOf(Keychain::s3Service, accountText);
    SecretValue* value = secret_value_new("\xff\xfe\x80", 3, "text/plain");
    GError* error = nullptr;
    const gboolean stored = secret_service_store_sync(nullptr, nullptr, attributes, SECRET_COLLECTION_DEFAULT,
                                                      "planted", value, nullptr, &error);
    secret_value_unref(value);
    g_hash_table_unref(attributes);
    ASSERT_TRUE(stored) << (error ? error->message : "");

    EXPECT_EQ(itemCount(Keychain::s3Service, account), 1);
    EXPECT_EQ(Keychain::read(Keychain::s3Service, account), std::nullopt);
}

// Without any Secret Service reads look like missing secrets, and saving says why it failed
// instead of losing the secret in silence.
TEST(KeychainWithoutService, ReadsAnswerMissingAndSavingReportsTheFailure)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    environment.remove(QStringLiteral("DISPLAY"));
    const auto run = [&](const QStringList& arguments) {
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(BRAMBLET_KEYCHAIN_PROBE), arguments);
        EXPECT_TRUE(probe.waitForFinished(30'000));
        EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().constData();
        return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    };

    EXPECT_EQ(run({ "read", Keychain::s3Service, "account" }), "missing");
    EXPECT_EQ(run({ "delete", Keychain::s3Service, "account" }), "deleted");
    const QString saved = run({ "save", "secret", Keychain::s3Service, "account" });
    EXPECT_TRUE(saved.startsWith("error: The secret could not be saved in the keyring (")) << saved.toStdString();
    EXPECT_TRUE(saved.endsWith("Check that a Secret Service such as GNOME Keyring or KWallet is running and unlocked."))
        << saved.toStdString();
}

} // namespace
} // namespace bramblet
