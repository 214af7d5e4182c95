// The sweep that removes what killed requests left must never touch the user's own folders,
// whatever they are called.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/RequestExecutor.h"
#include "BrambletCore/Operations/StagingFolder.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

class StagingSweepTest : public OperationsFixture {
protected:
    FileOutcome run(FileAction action, const fs::path& source, const fs::path& destination,
                    ConflictPolicy policy = ConflictPolicy::keepBoth) const
    {
        return RequestExecutor().execute({ action, source, destination, policy }, Cancellation({}));
    }
};

TEST_F(StagingSweepTest, TheUsersOwnFoldersSurviveEveryKindOfRequestIntoTheirFolder)
{
    // Hidden folders of the user's with names like ours, one of them with exactly our form.
    const std::vector<std::string> userFolders = {
        ".bramblet-notes",
        ".bramblet-backup",
        ".bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA427",
        ".bramblet-1b4e28ba-2fa1-11d2-883f-0016d3cca427",
    };
    for (const std::string& name : userFolders)
        writeFile("in/" + name + "/diary.txt", "precious " + name);
    fs::create_directory(at("in/.bramblet-empty"));
    // One arrives the way a user's backup would: copied in by a request.
    fs::create_directory(at("out"));
    for (const std::string& name : userFolders)
        run(FileAction::copy, at("in") / name, at("out") / name, ConflictPolicy::ask);
    const Manifest inBefore = Manifest::of(at("in"));

    // A hundred requests of every kind, into and out of the folder that holds them.
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        const std::string n = std::to_string(i);
        const fs::path file = writeFile("work/f" + n + ".txt", n);
        switch (i % 6) {
        case 0: run(FileAction::copy, file, at("out/f.txt")); break;
        case 1: run(FileAction::move, file, at("out/m" + n + ".txt")); break;
        case 2: run(FileAction::copy, file, at("out/r.txt"), ConflictPolicy::replace); break;
        case 3: run(FileAction::createFolder, {}, at("out/new" + n)); break;
        case 4:
            run(FileAction::rename, at("out/m" + std::to_string(i - 3) + ".txt"), at("out/renamed" + n + ".txt"));
            break;
        case 5: run(FileAction::move, at("out/renamed" + std::to_string(i - 1) + ".txt"), at("work/back" + n)); break;
        }
        if (fs::exists(file))
            run(FileAction::trash, file, {});
    }
    StagingFolder::sweepLeftovers(at("out"));

    for (const std::string& name : userFolders)
        EXPECT_EQ(readFile(at("out") / name / "diary.txt"), "precious " + name) << name;
    EXPECT_EQ(Manifest::of(at("in")), inBefore);
    EXPECT_TRUE(fs::is_directory(at("in/.bramblet-empty")));
    // The fixture takes anything named like a staging folder for one left behind.
    fs::remove_all(at("in"));
    for (const std::string& name : userFolders)
        fs::remove_all(at("out") / name);
}

TEST_F(StagingSweepTest, StagingNamesAreThePrefixAndAnUpperCaseUuid)
{
    struct Case {
        const char* name;
        bool staging;
    };
    const Case cases[] = {
        { ".bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA427", true },
        { ".bramblet-1b4e28ba-2fa1-11d2-883f-0016d3cca427", false },
        { ".bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA42", false },
        { ".bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA4270", false },
        { ".bramblet-1B4E28BA2FA1-11D2-883F-0016D3CCA427-", false },
        { ".bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA42G", false },
        { "bramblet-1B4E28BA-2FA1-11D2-883F-0016D3CCA427", false },
        { ".bramblet-notes", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(StagingFolder::isStagingName(c.name), c.staging) << c.name;
}

} // namespace
} // namespace bramblet
