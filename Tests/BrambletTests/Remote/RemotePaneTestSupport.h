#pragma once

#include "Bramblet/Inspector/ThemedLabel.h"
#include "BrambletCore/Remote/Keychain.h"
#include "BrambletCore/Remote/S3Connection.h"

#include "Support/Remote/TestServices.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QSettings>
#include <QWidget>

#include <gtest/gtest.h>

namespace bramblet::testing {

// A sandboxed settings file, the fake dialogs, a window for the panes' sheets, and keychain items
// that are removed again when the test ends.
class RemotePaneTest : public SandboxedDefaultsTest {
protected:
    ~RemotePaneTest() override
    {
        for (const auto& [service, account] : m_secrets)
            Keychain::deleteItem(service, account);
    }

    void saveSecret(const QString& value, const QString& service, const QString& account)
    {
        forgetSecretLater(service, account);
        Keychain::save(value, service, account);
    }

    void forgetSecretLater(const QString& service, const QString& account) { m_secrets.append({ service, account }); }

    // Every key and value of the settings file (as it is or is about to be written), for checks
    // that no secret ever lands there.
    QString settingsText() const
    {
        QSettings settings(settingsFile(), QSettings::IniFormat);
        QString text;
        for (const QString& key : settings.allKeys())
            text += key + u'=' + settings.value(key).toString() + u'\n';
        return text;
    }

    static QString textOf(const ThemedLabel* label) { return label->fullText(); }

    FakeDialogs dialogs;
    QWidget window;

private:
    QList<std::pair<QString, QString>> m_secrets;
};

} // namespace bramblet::testing
