#pragma once

#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "BrambletCore/Models/TabSnapshot.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace bramblet::testing {

// A settings store of its own in a temporary folder, so no test sees the user's or another test's.
class SandboxedDefaultsTest : public ::testing::Test {
protected:
    QString settingsFile() const { return fileIn(QStringLiteral("settings.ini")); }
    // Another settings file in the same sandbox.
    QString fileIn(const QString& name) const { return m_folder.filePath(name); }
    WorkspaceDefaults& defaults() { return *m_defaults; }

    void store(const QString& key, const QJsonObject& object)
    {
        m_defaults->setData(key, QJsonDocument(object).toJson(QJsonDocument::Compact));
    }

    static TabSnapshot tab(const QString& path) { return TabSnapshot(path, PaneMode::list); }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<WorkspaceDefaults> m_defaults = std::make_unique<WorkspaceDefaults>(settingsFile());
};

} // namespace bramblet::testing
