#include "Bramblet/Workspace/ArchiveExtraction.h"
#include "Bramblet/Workspace/ArchiveRunFolder.h"

#include "Bramblet/App/AppDelegate.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Models/FileFailure.h"
#include "Pane/PaneTestSupport.h"
#include "Sidebar/SidebarTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <archive.h>
#include <archive_entry.h>

#include <sys/stat.h>

namespace bramblet {
namespace {

using testing::eventually;
using testing::names;

// One entry of a zip written by the tests: a file with contents, a folder, or a symbolic link.
struct ZipEntry {
    enum class Type { file, folder, link };
    std::string name;
    Type type = Type::file;
    std::string data; // a file's contents or a link's target
};

void writeZip(const QString& path, const std::vector<ZipEntry>& entries)
{
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    ASSERT_EQ(archive_write_open_filename(writer, QFile::encodeName(path).constData()), ARCHIVE_OK);
    for (const auto& entry : entries) {
        archive_entry* header = archive_entry_new();
        archive_entry_set_pathname(header, entry.name.c_str());
        switch (entry.type) {
        case ZipEntry::Type::file:
            archive_entry_set_filetype(header, AE_IFREG);
            archive_entry_set_perm(header, 0644);
            archive_entry_set_size(header, la_int64_t(entry.data.size()));
            break;
        case ZipEntry::Type::folder:
            archive_entry_set_filetype(header, AE_IFDIR);
            archive_entry_set_perm(header, 0755);
            break;
        case ZipEntry::Type::link:
            archive_entry_set_filetype(header, AE_IFLNK);
            archive_entry_set_perm(header, 0777);
            archive_entry_set_symlink(header, entry.data.c_str());
            break;
        }
        EXPECT_EQ(archive_write_header(writer, header), ARCHIVE_OK) << archive_error_string(writer);
        if (entry.type == ZipEntry::Type::file)
            archive_write_data(writer, entry.data.data(), entry.data.size());
        archive_entry_free(header);
    }
    archive_write_close(writer);
    archive_write_free(writer);
}

// A runtime folder of the test's own (so the archives root is private to the test) and a folder
// for the archives themselves.
class ArchiveTest : public testing::SandboxedDefaultsTest {
protected:
    QString files() const { return m_files.path(); }
    QString file(const QString& name) const { return m_files.filePath(name); }
    std::filesystem::path path(const QString& name) const { return pathFromString(file(name)); }
    QString runtime() const { return m_runtime.path(); }
    std::filesystem::path root() const { return archivesRoot(); }

    // What the extraction folder of `archive` holds, as sorted relative paths.
    static QStringList contents(const std::filesystem::path& folder)
    {
        QStringList found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            found.append(QString::fromStdString(entry.path().lexically_relative(folder).string()));
        found.sort();
        return found;
    }

    // Everything in the runtime folder, at any depth.
    QStringList everythingUnderRuntime() const { return contents(runtime().toStdString()); }

private:
    QTemporaryDir m_runtime;
    testing::ScopedEnvironment m_runtimeVariable { "XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()) };
    QTemporaryDir m_files;
};

TEST_F(ArchiveTest, UnpacksIntoAPrivateFolderThatStaysTheSameDuringTheRun)
{
    writeZip(file("photos.zip"), { { "album", ZipEntry::Type::folder, {} },
                                   { "album/one.txt", ZipEntry::Type::file, "one" },
                                   { "album/link", ZipEntry::Type::link, "one.txt" } });
    EXPECT_EQ(root(), pathFromString(runtime() + "/BrambletArchives"));
    const auto folder = extractionFolder(root(), path("photos.zip"));
    EXPECT_EQ(folder, extractionFolder(root(), path("photos.zip")));
    EXPECT_NE(folder, extractionFolder(root(), path("other.zip")));
    EXPECT_EQ(folder.parent_path(), root());

    extractArchive(path("photos.zip"), folder);
    EXPECT_EQ(contents(folder), QStringList({ "album", "album/link", "album/one.txt" }));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "album/link"));
    struct stat status {};
    ASSERT_EQ(::stat(root().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(contents(root()).filter(QRegularExpression("^\\.")), QStringList()) << "no unpacking folder left";
}

TEST_F(ArchiveTest, ARootThatIsNotPrivatelyOursIsRefused)
{
    writeZip(file("a.zip"), { { "a.txt", ZipEntry::Type::file, "a" } });
    // A link where the root should be: whoever made it could read or swap what is unpacked.
    ASSERT_TRUE(QDir(runtime()).mkdir("elsewhere"));
    ASSERT_EQ(::symlink("elsewhere", (runtime() + "/BrambletArchives").toUtf8().constData()), 0);
    EXPECT_THROW(extractArchive(path("a.zip"), extractionFolder(root(), path("a.zip"))), FileFailure);
    EXPECT_TRUE(QDir(runtime() + "/elsewhere").isEmpty());

    // A root of ours that others may enter is closed before use.
    ASSERT_TRUE(QFile::remove(runtime() + "/BrambletArchives"));
    ASSERT_TRUE(QDir(runtime()).mkdir("BrambletArchives"));
    ASSERT_EQ(::chmod(root().c_str(), 0777), 0);
    extractArchive(path("a.zip"), extractionFolder(root(), path("a.zip")));
    struct stat status {};
    ASSERT_EQ(::stat(root().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(ArchiveTest, HostileEntriesWriteNothingOutsideAndLeaveNoFolder)
{
    const QString outside = runtime() + "/outside";
    ASSERT_TRUE(QDir().mkpath(outside));
    struct Case {
        const char* name;
        std::vector<ZipEntry> entries;
    };
    const Case cases[] = {
        { "dot-dot", { { "ok.txt", ZipEntry::Type::file, "ok" }, { "../../outside/evil.txt", ZipEntry::Type::file, "x" } } },
        { "absolute", { { (outside + "/evil.txt").toStdString(), ZipEntry::Type::file, "x" } } },
        { "through a link", { { "escape", ZipEntry::Type::link, outside.toStdString() },
                              { "escape/evil.txt", ZipEntry::Type::file, "x" } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString archive = file(QString::fromUtf8(c.name) + ".zip");
        writeZip(archive, c.entries);
        const auto folder = extractionFolder(root(), pathFromString(archive));
        try {
            extractArchive(pathFromString(archive), folder);
            ADD_FAILURE() << "extracted";
        } catch (const FileFailure& failure) {
            EXPECT_EQ(failure.kind(), FileFailure::Kind::system);
            EXPECT_STRNE(failure.what(), "");
        }
        EXPECT_FALSE(std::filesystem::exists(folder));
        EXPECT_TRUE(QDir(outside).isEmpty());
        EXPECT_EQ(everythingUnderRuntime(), QStringList({ "BrambletArchives", "outside" }));
    }
}

TEST_F(ArchiveTest, TheSweepRemovesOnlyMarkedRunFoldersThatNoRunHolds)
{
    // A run that crashed: its marker is there and free. What it unpacked may be read-only.
    const auto crashed = root() / "run-crashed";
    ASSERT_TRUE(QDir().mkpath(pathString(crashed / "album")));
    QFile(pathString(crashed / ArchiveRunFolder::markerName)).open(QIODevice::WriteOnly);
    QFile(pathString(crashed / "album/one.txt")).open(QIODevice::WriteOnly);
    ASSERT_EQ(::chmod((crashed / "album").c_str(), 0500), 0);
    // A folder of the same name pattern that is not ours, and a marked folder by another name.
    ASSERT_TRUE(QDir().mkpath(pathString(root() / "run-unmarked")));
    ASSERT_TRUE(QDir().mkpath(pathString(root() / "other")));
    QFile(pathString(root() / "other" / ArchiveRunFolder::markerName)).open(QIODevice::WriteOnly);
    // A run that is going on (another window's).
    const ArchiveRunFolder running(root());
    writeZip(file("a.zip"), { { "a.txt", ZipEntry::Type::file, "a" } });
    extractArchive(path("a.zip"), extractionFolder(running.path(), path("a.zip")));

    ArchiveRunFolder::sweepLeftovers(root());
    QStringList left = contents(root()).filter(QRegularExpression("^[^/]*$"));
    EXPECT_EQ(left, QStringList({ "other", QString::fromStdString(running.path().filename().string()), "run-unmarked" }));
    EXPECT_TRUE(std::filesystem::exists(extractionFolder(running.path(), path("a.zip")) / "a.txt"));
}

TEST_F(ArchiveTest, ARunFolderGoesWithEverythingInItWhenItsRunEnds)
{
    std::filesystem::path folder;
    {
        const ArchiveRunFolder run(root());
        folder = run.path();
        EXPECT_EQ(folder.parent_path(), root());
        EXPECT_TRUE(QString::fromStdString(folder.filename().string()).startsWith("run-"));
        EXPECT_EQ(contents(folder), QStringList { ".bramblet-extractions" });
        ArchiveRunFolder::sweepLeftovers(root());
        EXPECT_TRUE(std::filesystem::exists(folder)) << "a living run is never swept";
        ASSERT_TRUE(QDir().mkpath(pathString(folder / "x/read-only")));
        ASSERT_EQ(::chmod((folder / "x").c_str(), 0500), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_TRUE(contents(root()).isEmpty());
}

TEST_F(ArchiveTest, TheLaunchSweepsTheRunsThatEndedWithoutQuitting)
{
    const auto crashed = root() / "run-crashed";
    ASSERT_TRUE(QDir().mkpath(pathString(crashed / "photos")));
    QFile(pathString(crashed / ArchiveRunFolder::markerName)).open(QIODevice::WriteOnly);
    testing::FakeDialogs dialogs;
    AppDelegate delegate(defaults(), dialogs);
    delegate.applicationDidFinishLaunching({ "bramblet", "--temporary", "--left", files(), "--right", files() });
    EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(crashed); }));
    delegate.workspace()->window()->hide();
}

// A workspace whose left pane shows the folder of archives; files it opens go to a fake.
class WorkspaceArchiveTest : public ArchiveTest {
protected:
    void SetUp() override
    {
        writeZip(file("Photos.ZIP"), { { "inside.txt", ZipEntry::Type::file, "inside" } });
        QFile corrupt(file("broken.zip"));
        ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("PK\x03\x04 this is not really a zip archive");
        corrupt.close();
        workspace = std::make_unique<WorkspaceController>(files(), files(), true, defaults(), dialogs);
        workspace->setOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
    }

    // The folder of this run's extractions; none before the first archive.
    std::optional<std::filesystem::path> runFolder() const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(root(), error)) {
            if (entry.path().filename().string().starts_with("run-"))
                return entry.path();
        }
        return std::nullopt;
    }

    testing::FakeDialogs dialogs;
    std::unique_ptr<WorkspaceController> workspace;
    QList<QUrl> opened;
};

TEST_F(WorkspaceArchiveTest, AnUpperCaseZipOpensInThePaneAndOtherFilesInTheirApplication)
{
    workspace->left()->openFile(path("notes.txt"));
    EXPECT_EQ(opened, QList<QUrl> { QUrl::fromLocalFile(file("notes.txt")) });

    // Opened in the right pane, it shows in the right pane.
    workspace->right()->openFile(path("Photos.ZIP"));
    ASSERT_TRUE(eventually([this] { return runFolder().has_value(); }));
    const auto folder = extractionFolder(*runFolder(), path("Photos.ZIP"));
    ASSERT_TRUE(eventually([&] { return workspace->right()->activeTab().path == pathString(folder); }));
    ASSERT_TRUE(eventually([this] { return names(workspace->right()->visible()) == QStringList { "inside.txt" }; }));
    EXPECT_EQ(opened.size(), 1);

    // A second open in this run goes straight to the first extraction, even with the archive gone.
    ASSERT_TRUE(QFile::remove(file("Photos.ZIP")));
    workspace->left()->openFile(path("Photos.ZIP"));
    EXPECT_EQ(workspace->left()->activeTab().path, pathString(folder)) << "no extraction to wait for";
    EXPECT_TRUE(dialogs.presented.isEmpty());
}

TEST_F(WorkspaceArchiveTest, ACorruptArchiveShowsTheReasonAndLeavesNoFolder)
{
    const QString before = workspace->left()->activeTab().path;
    workspace->left()->openFile(path("broken.zip"));
    ASSERT_TRUE(eventually([this] { return !dialogs.presented.isEmpty(); }));
    const auto& shown = dialogs.presented.first().request;
    EXPECT_EQ(shown.message, "Bramblet couldn\u2019t complete that action");
    EXPECT_TRUE(shown.informativeText.startsWith("Could not open this archive. ")) << shown.informativeText.toStdString();
    EXPECT_GT(shown.informativeText.size(), QString("Could not open this archive. ").size());
    ASSERT_TRUE(runFolder());
    EXPECT_EQ(contents(*runFolder()), QStringList { ".bramblet-extractions" }) << "nothing but the run's marker";
    EXPECT_EQ(workspace->left()->activeTab().path, before);
}

TEST_F(WorkspaceArchiveTest, NoExtractionIsLeftOnceTheWorkspaceIsGone)
{
    for (const char* name : { "one.zip", "two.zip", "three.zip" })
        writeZip(file(name), { { std::string(name) + ".txt", ZipEntry::Type::file, name } });
    for (const char* name : { "one.zip", "two.zip", "three.zip" }) {
        SCOPED_TRACE(name);
        workspace->left()->openFile(path(name));
        ASSERT_TRUE(eventually([&] {
            return names(workspace->left()->visible()) == QStringList { QString(name) + ".txt" };
        }));
    }
    ASSERT_TRUE(runFolder());
    EXPECT_EQ(contents(*runFolder()).filter(QRegularExpression("^[^/]*$")).size(), 4) << "the marker and three folders";

    workspace.reset();
    // The last extraction task lets go of the folder a moment after its result is in.
    EXPECT_TRUE(eventually([this] { return contents(root()).isEmpty(); })) << contents(root()).join(", ").toStdString();
}

TEST_F(WorkspaceArchiveTest, TheExtractionsGoAsTheEventLoopEndsEvenIfTheWorkspaceStays)
{
    workspace->left()->openFile(path("Photos.ZIP"));
    ASSERT_TRUE(eventually([this] { return names(workspace->left()->visible()) == QStringList { "inside.txt" }; }));
    ASSERT_TRUE(runFolder());
    // Quitting leaves the event loop; whatever the teardown after it does, the folder is gone.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_TRUE(eventually([this] { return contents(root()).isEmpty(); })) << contents(root()).join(", ").toStdString();
}

// The extraction goes when the program quits, so a tab inside it is kept as the archive's folder.
TEST_F(WorkspaceArchiveTest, ATabInsideAnArchiveIsKeptAsTheArchivesFolder)
{
    workspace = std::make_unique<WorkspaceController>(files(), files(), false, defaults(), dialogs);
    workspace->left()->openFile(path("Photos.ZIP"));
    ASSERT_TRUE(eventually([this] { return names(workspace->left()->visible()) == QStringList { "inside.txt" }; }));
    const auto stored = defaults().data(WorkspaceDefaults::workspaceKey);
    ASSERT_TRUE(stored);
    const SavedState kept = SavedState::fromJson(QJsonDocument::fromJson(*stored).object());
    ASSERT_FALSE(kept.left.isEmpty());
    EXPECT_EQ(kept.left.first().path, files());
    EXPECT_TRUE(kept.left.first().selectedPaths.isEmpty());
    for (const QString& visited : kept.left.first().history)
        EXPECT_EQ(visited, files());
    EXPECT_NE(workspace->left()->activeTab().path, files()) << "the pane itself stays inside the archive";
}

} // namespace
} // namespace bramblet
