#pragma once

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Theme/FileTable.h"
#include "BrambletCore/Models/FileItem.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace bramblet::testing {

inline FileItem makeItem(const QString& folder, const QString& name, bool isDirectory = false, qint64 size = 0)
{
    FileItem item;
    item.url = pathFromString(folder + u'/' + name);
    item.name = name;
    item.isDirectory = isDirectory;
    item.isHidden = name.startsWith(u'.');
    item.size = size;
    return item;
}

// Spins the event loop until `condition` holds or a minute passes: generous, because a
// sanitizer build on a small, busy machine can take seconds to list and sort a folder.
inline ::testing::AssertionResult eventually(const std::function<bool()>& condition)
{
    if (QTest::qWaitFor(condition, 60000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "condition not reached within 60 s";
}

inline QStringList names(const QList<FileItem>& items)
{
    QStringList result;
    for (const auto& item : items)
        result.append(item.name);
    return result;
}

// The names of the rows the list has selected, in row order.
inline QStringList selectedRowNames(const PaneController& pane)
{
    QList<int> rows;
    for (const QModelIndex& index : pane.table()->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList result;
    for (int row : rows)
        result.append(pane.listModel()->items()[row].name);
    return result;
}

// A real folder tree in a fresh temporary folder.
class TempTree {
public:
    QString path() const { return m_dir.path(); }
    QString operator/(const QString& relative) const { return m_dir.filePath(relative); }

    void file(const QString& relative, const QByteArray& content = {}) const
    {
        QDir().mkpath(QFileInfo(m_dir.filePath(relative)).path());
        QFile file(m_dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void folder(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(m_dir.filePath(relative))); }

private:
    QTemporaryDir m_dir;
};

} // namespace bramblet::testing
