#include "KittyGraphicsFixture.h"

#include "Zentrova/Engine/Base64.h"
#include "Zentrova/Graphics/KittyGraphicsControl.h"

#include <functional>

namespace zentrova {
namespace {

using KittyCommands = KittyGraphicsFixture;

std::span<const uint8_t> bytesOf(std::string_view text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

TEST(KittyGraphicsControlTests, ParsesKeysAndFallsBackOnBadValues)
{
    struct Case {
        const char* name;
        const char* content;
        std::function<void(const KittyGraphicsControl&)> check;
        std::string_view payload;
    };
    const Case cases[] = {
        { "defaults", "", [](const auto& c) { EXPECT_EQ(c, KittyGraphicsControl()); }, "" },
        { "keys and payload", "a=T,f=100,i=7,p=2,q=1;QUJD",
          [](const auto& c) {
              EXPECT_EQ(c.action, 'T');
              EXPECT_EQ(c.format, 100);
              EXPECT_EQ(c.imageId, 7u);
              EXPECT_EQ(c.placementId, 2u);
              EXPECT_EQ(c.suppressResponses, 1);
          },
          "QUJD" },
        { "later duplicates win, signs parse", "z=5,z=-3,H=+4", [](const auto& c) {
              EXPECT_EQ(c.zIndex, -3);
              EXPECT_EQ(c.offsetH, 4);
          } , "" },
        { "id 0, overflow and garbage are absent", "i=0,I=4294967296,p=x,P=+9",
          [](const auto& c) {
              EXPECT_FALSE(c.imageId);
              EXPECT_FALSE(c.imageNumber);
              EXPECT_FALSE(c.placementId);
              EXPECT_EQ(c.parentImageId, 9u);
          },
          "" },
        { "largest id", "i=4294967295", [](const auto& c) { EXPECT_EQ(c.imageId, 4294967295u); }, "" },
        { "unparsable integers keep defaults", "f=abc,s=99999999999999999999,c=",
          [](const auto& c) {
              EXPECT_EQ(c.format, 32);
              EXPECT_EQ(c.width, 0);
              EXPECT_EQ(c.columns, 0);
          },
          "" },
        { "pieces without = and unknown keys are skipped", "junk,k=1,ab=2,s=3", [](const auto& c) { EXPECT_EQ(c.width, 3); }, "" },
        { "m kept only for direct transmissions", "t=f,m=1", [](const auto& c) { EXPECT_EQ(c.more, 0); }, "" },
        { "m for direct", "m=1", [](const auto& c) { EXPECT_EQ(c.more, 1); }, "" },
        { "only the first ; splits", "a=q;AB;CD", [](const auto& c) { EXPECT_EQ(c.action, 'q'); }, "AB;CD" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = KittyGraphicsControl::parse(bytesOf(c.content));
        c.check(parsed.control);
        EXPECT_EQ(std::string(parsed.payload.begin(), parsed.payload.end()), c.payload);
    }
}

TEST_F(KittyCommands, RepliesIn7And8BitFormUnderEachQuietKey)
{
    const std::string pixel = Base64::encode(pixels(1, 1));
    struct Case {
        const char* name;
        std::string request; // keys before ",q=N"
        std::string payload;
        std::string text;    // the reply's text; empty when none
        bool isError;
    };
    const Case cases[] = {
        { "transmit with placement", "a=t,f=32,s=1,v=1,i=7,p=2", pixel, "Gi=7,p=2;OK", false },
        { "put of a missing image", "a=p,i=5", "", "Gi=5;ENOENT: image not found", true },
        { "both ids", "a=t,i=3,I=4,s=1,v=1", pixel, "Gi=3;EINVAL: i and I are mutually exclusive", true },
        { "query from the protocol document", "i=31,s=1,v=1,a=q,t=d,f=24", "AAAA", "Gi=31;OK", false },
        { "unknown action", "a=x,i=5", "", "Gi=5;EINVAL: unsupported action", true },
        { "bad payload", "a=t,i=9,s=1,v=1", "AAAA", "Gi=9;EINVAL: bad payload", true },
        { "unknown medium", "a=t,i=9,t=x,s=1,v=1", pixel, "Gi=9;ENOTSUP: unsupported transmission", true },
        { "number only error", "a=p,I=6", "", "GI=6;ENOENT: image not found", true },
        { "transmit with i=0 stores nothing and answers nothing", "a=t,i=0,s=1,v=1", pixel, "", false },
        { "display without id answers nothing", "a=T,s=1,v=1", pixel, "", false },
        { "missing delete key", "a=d,d=i", "", "G;EINVAL: missing image id", true },
    };
    for (const auto& c : cases) {
        for (int quiet : { 0, 1, 2 }) {
            SCOPED_TRACE(std::string(c.name) + " q=" + std::to_string(quiet));
            const std::string request = apc(c.request + ",q=" + std::to_string(quiet), c.payload);
            const bool sent = !c.text.empty() && (quiet == 0 || (quiet == 1 && c.isError));
            EXPECT_EQ(reply(request), sent ? "\x1B_" + c.text + "\x1B\\" : "");
            terminal.feed("\x1B G");
            EXPECT_EQ(reply(request), sent ? "\x9F" + c.text + "\x9C" : "");
            terminal.feed("\x1B F");
        }
    }
}

TEST_F(KittyCommands, ImageNumbersTakeFreshIdsThatSkipIdsInUse)
{
    transmit(1);
    const std::string pixel = Base64::encode(pixels(1, 1));
    EXPECT_EQ(reply(apc("a=t,s=1,v=1,I=13", pixel)), framed("i=2,I=13;OK"));
    EXPECT_EQ(reply(apc("a=t,s=1,v=1,I=13", pixel)), framed("i=3,I=13;OK"));
    // The number names the newer image; the older one stays.
    EXPECT_EQ(state().imageNumbers.at(13), 3u);
    EXPECT_TRUE(state().imagesById.contains(2));

    // A wrap skips 0 and the ids in use.
    state().nextImageId = UINT32_MAX;
    EXPECT_EQ(reply(apc("a=t,s=1,v=1,I=1", pixel)), framed("i=4294967295,I=1;OK"));
    EXPECT_EQ(reply(apc("a=t,s=1,v=1,I=1", pixel)), framed("i=4,I=1;OK"));
}

TEST_F(KittyCommands, ChunkedTransfers)
{
    const std::string data = Base64::encode(pixels(2, 2)); // 24 letters
    struct Case {
        const char* name;
        std::vector<std::string> commands;
        std::string expectedReply;
        bool stored;
    };
    const Case cases[] = {
        { "later keys are ignored",
          { apc("a=t,i=5,f=32,s=2,v=2,m=1", data.substr(0, 8)), apc("i=6,f=24,s=9,m=1", data.substr(8, 8)),
            apc("m=0,i=8", data.substr(16)) },
          framed("i=5;OK"), true },
        { "pieces split inside groups of four",
          { apc("a=t,i=5,s=2,v=2,m=1", data.substr(0, 5)), apc("m=1", data.substr(5, 6)), apc("m=0", data.substr(11)) },
          framed("i=5;OK"), true },
        { "m=2 ends a transfer", { apc("a=t,i=5,s=2,v=2,m=1", data.substr(0, 12)), apc("m=2", data.substr(12)) },
          framed("i=5;OK"), true },
        { "a delete discards the collected chunks",
          { apc("a=t,i=5,s=2,v=2,m=1", data.substr(0, 12)), apc("a=d,d=i,i=77"), apc("m=0", data.substr(12)) },
          framed(";EINVAL: bad payload"), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        std::string replies;
        for (const auto& command : c.commands)
            replies += reply(command);
        EXPECT_EQ(replies, c.expectedReply);
        EXPECT_EQ(state().imagesById.contains(5), c.stored);
        if (c.stored) {
            EXPECT_EQ(state().imagesById.at(5).payload.bytes, pixels(2, 2));
        }
        EXPECT_FALSE(state().imagesById.contains(6));
        EXPECT_FALSE(state().pending);
    }
}

TEST_F(KittyCommands, EndlessChunksAreDroppedAtTheCapAndTheLastAnswersBadPayload)
{
    TerminalOptions small = options();
    small.kittyImageCacheLimitBytes = 0; // the smallest cap: 4096 letters of base64
    Terminal capped(&delegate, small);
    const std::string chunk(1000, 'A');
    delegate.sent.clear();
    capped.feed(apc("a=t,i=5,s=100,v=100,m=1", chunk));
    for (int index = 0; index < 200; index++)
        capped.feed(apc("m=1", chunk));
    ASSERT_TRUE(capped.kittyGraphicsState().pending);
    EXPECT_TRUE(capped.kittyGraphicsState().pending->dropped());
    EXPECT_EQ(capped.kittyGraphicsState().pending->size(), 0u);
    capped.feed(apc("m=0", chunk));
    EXPECT_EQ(delegate.sent, framed("i=5;EINVAL: bad payload"));
    EXPECT_FALSE(capped.kittyGraphicsState().pending);
    EXPECT_TRUE(capped.kittyGraphicsState().imagesById.empty());
    // The next transfer starts afresh.
    delegate.sent.clear();
    capped.feed(apcWithData("a=t,i=6,s=1,v=1", pixels(1, 1)));
    EXPECT_EQ(delegate.sent, framed("i=6;OK"));
}

TEST_F(KittyCommands, OneApcStringCarriesNoMoreThanTheStoreAccepts)
{
    TerminalOptions small = options();
    small.kittyImageCacheLimitBytes = 0; // the floor: 4096 letters of base64 and 4096 bytes of keys
    Terminal capped(&delegate, small);
    const std::vector<uint8_t> fits = pixels(32, 24); // 3072 bytes: 4096 letters
    delegate.sent.clear();
    capped.feed(apcWithData("a=t,i=1,s=32,v=24", fits));
    EXPECT_EQ(delegate.sent, framed("i=1;OK"));
    // Past the cap the string is dropped whole: no reply, nothing stored.
    delegate.sent.clear();
    capped.feed(apcWithData("a=t,i=2,s=64,v=48", pixels(64, 48)));
    EXPECT_EQ(delegate.sent, "");
    EXPECT_FALSE(capped.kittyGraphicsState().imagesById.contains(2));
}

TEST_F(KittyCommands, DeleteModesWithoutTheirKeyAnswerAndFreeNothing)
{
    const std::pair<const char*, const char*> cases[] = {
        { "d=i", "EINVAL: missing image id" },       { "d=I", "EINVAL: missing image id" },
        { "d=n", "EINVAL: missing image number" },   { "d=p,x=1", "EINVAL: missing cell position" },
        { "d=q,y=2", "EINVAL: missing cell position" }, { "d=x", "EINVAL: missing column" },
        { "d=Y", "EINVAL: missing row" },            { "d=r,x=1", "EINVAL: missing id range" },
    };
    for (const auto& [keys, message] : cases) {
        SCOPED_TRACE(keys);
        transmit(1);
        EXPECT_EQ(reply(apc(std::string("a=d,") + keys)), framed(std::string(";") + message));
        EXPECT_TRUE(state().imagesById.contains(1));
    }
}

TEST_F(KittyCommands, UpperCaseDeletesFreeUnplacedImages)
{
    struct Case {
        const char* keys;
        std::string reply;
        bool freed;
    };
    const Case cases[] = {
        { "d=a", "", false },
        { "d=A", "", true },
        { "d=W", framed(";EINVAL: unsupported delete"), true },
        { "d=%", framed(";EINVAL: unsupported delete"), true }, // no case: counts as upper
        { "d=w", framed(";EINVAL: unsupported delete"), false },
        { "d=x", framed(";EINVAL: missing column"), false },
        { "d=X", framed(";EINVAL: missing column"), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        transmit(1);
        EXPECT_EQ(reply(apc(std::string("a=d,") + c.keys)), c.reply);
        EXPECT_EQ(state().imagesById.contains(1), !c.freed);
    }
}

TEST_F(KittyCommands, EachDeleteModeSelectsItsPlacements)
{
    // Image 1: p=1 at cell (1,1) 2x1, p=2 at (6,3) 2x2 z=3; image 2: p=1 at (11,5) 2x1 z=-1.
    const auto setUp = [&] {
        terminal.resetToInitialState();
        transmit(1);
        transmit(2);
        terminal.feed(apc("a=p,q=2,i=1,p=1,c=2,r=1"));
        terminal.feed("\x1B[3;6H" + apc("a=p,q=2,i=1,p=2,c=2,r=2,z=3"));
        terminal.feed("\x1B[5;11H" + apc("a=p,q=2,i=2,p=1,c=2,r=1,z=-1"));
    };
    const KittyPlacementKey a { 1, 1 }, b { 1, 2 }, c { 2, 1 };
    struct Case {
        const char* name;
        std::string command;
        std::set<KittyPlacementKey> left;
    };
    const Case cases[] = {
        { "visible on screen", apc("a=d"), {} },
        { "by image id", apc("a=d,d=i,i=1"), { c } },
        { "by image and placement id", apc("a=d,d=i,i=1,p=2"), { a, c } },
        { "at the cursor", "\x1B[4;7H" + apc("a=d,d=c"), { a, c } },
        { "at a cell", apc("a=d,d=p,x=2,y=1"), { b, c } },
        { "at a cell with a z-index", apc("a=d,d=q,x=7,y=4,z=3"), { a, c } },
        { "at a cell with another z-index", apc("a=d,d=q,x=7,y=4,z=0"), { a, b, c } },
        { "in a column", apc("a=d,d=x,x=12"), { a, b } },
        { "in a row", apc("a=d,d=y,y=4"), { a, c } },
        { "with a z-index", apc("a=d,d=z,z=-1"), { a, b } },
        { "by id range, bounds past 32 bits clamp", apc("a=d,d=r,x=99999999999,y=2"), { a, b } },
        { "by image number", apc("a=d,d=n,I=42"), { c } },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        setUp();
        state().imageNumbers[42] = 1;
        EXPECT_EQ(reply(each.command), "");
        EXPECT_EQ(recordKeys(), each.left);
        std::set<KittyPlacementKey> onLines;
        for (const auto& [key, row] : stripsOnLines())
            onLines.insert(key);
        EXPECT_EQ(onLines, each.left);
    }
}

TEST_F(KittyCommands, EvictionUnderTheBudget)
{
    const auto image = [](int bytes) { return KittyGraphicsPayload::rgba(std::vector<uint8_t>(size_t(bytes)), 1, 1); };
    const auto ids = [&] {
        std::set<uint32_t> held;
        for (const auto& [id, stored] : state().imagesById)
            held.insert(id);
        return held;
    };
    struct Case {
        const char* name;
        int64_t limit;
        std::function<void()> run;
        std::set<uint32_t> left;
        int64_t total;
    };
    const Case cases[] = {
        { "unplaced images go by access tick", 100,
          [&] {
              terminal.storeKittyImage(image(40), 1, std::nullopt);
              terminal.storeKittyImage(image(40), 2, 7);
              terminal.updateKittyImageAccess(1);
              terminal.storeKittyImage(image(40), 3, std::nullopt);
          },
          { 1, 3 }, 80 },
        { "placed images stay while unplaced ones can go", 100,
          [&] {
              terminal.storeKittyImage(image(40), 1, std::nullopt);
              terminal.feed(apc("a=p,q=2,i=1,p=1"));
              terminal.storeKittyImage(image(40), 2, std::nullopt);
              terminal.storeKittyImage(image(40), 3, std::nullopt);
          },
          { 1, 3 }, 80 },
        { "a limit of 0 empties the store, placed images too", 0,
          [&] {
              terminal.options.kittyImageCacheLimitBytes = 1000;
              terminal.storeKittyImage(image(40), 1, std::nullopt);
              terminal.feed(apc("a=p,q=2,i=1,p=1"));
              terminal.options.kittyImageCacheLimitBytes = 0;
              terminal.storeKittyImage(image(40), 2, std::nullopt);
          },
          {}, 0 },
        { "replacing keeps the total at the newer size", 1000,
          [&] {
              terminal.storeKittyImage(image(400), 1, std::nullopt);
              terminal.storeKittyImage(image(40), 1, std::nullopt);
          },
          { 1 }, 40 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        terminal.options.kittyImageCacheLimitBytes = c.limit;
        c.run();
        EXPECT_EQ(ids(), c.left);
        EXPECT_EQ(state().totalImageBytes, c.total);
        EXPECT_FALSE(state().imageNumbers.contains(7));
    }
    terminal.options.kittyImageCacheLimitBytes = int64_t(1) << 40;
    EXPECT_EQ(terminal.kittyImageCacheLimit(), int64_t(1) << 32);
}

TEST_F(KittyCommands, RetransmittingAnIdGivesItANewGeneration)
{
    transmit(1);
    const uint64_t first = state().imagesById.at(1).generation;
    transmit(1);
    EXPECT_NE(state().imagesById.at(1).generation, first);
}

TEST_F(KittyCommands, VirtualPlacements)
{
    transmit(1);
    EXPECT_EQ(reply(apc("a=p,i=1,U=1")), framed("i=1;OK"));
    EXPECT_EQ(reply(apc("a=p,i=1,U=1")), framed("i=1;OK"));
    EXPECT_EQ(recordKeys(), (std::set<KittyPlacementKey> { { 1, 1 }, { 1, 2 } }));
    // Automatic ids skip the ones in use.
    state().nextPlacementId = 1;
    terminal.feed(apc("a=p,i=1,U=1,q=2"));
    EXPECT_TRUE(recordKeys().contains({ 1, 3 }));
    EXPECT_EQ(reply(apc("a=p,i=1,U=1,P=1,Q=1")), framed("i=1;EINVAL: virtual placement cannot refer to parent"));
    EXPECT_EQ(delegate.imagesCreated, 0);
}

TEST_F(KittyCommands, ErasingAndResettingClearImagesButKeepCountersAndPendingTransfers)
{
    transmit(1);
    terminal.feed(apc("a=p,q=2,i=1,p=1"));
    terminal.feed("\x1B[?1049h");
    transmit(2);
    terminal.feed(apc("a=p,q=2,i=2,p=1"));
    // Erasing the alternate screen clears its own images only: the main screen keeps its image.
    terminal.feed("\x1B[2J");
    EXPECT_EQ(recordKeys(), (std::set<KittyPlacementKey> { { 1, 1 } }));
    EXPECT_TRUE(state().imagesById.contains(1));
    EXPECT_FALSE(state().imagesById.contains(2));
    EXPECT_TRUE(terminal.normalBuffer().hasAnyImages());
    EXPECT_FALSE(terminal.altBuffer().hasAnyImages());

    // Erasing the main screen clears every image.
    terminal.feed("\x1B[?1049l\x1B[2J");
    EXPECT_TRUE(state().imagesById.empty());
    EXPECT_TRUE(state().placementsByKey.empty());
    EXPECT_FALSE(terminal.normalBuffer().hasAnyImages());

    state().nextImageId = 40;
    terminal.feed(apc("a=t,i=3,s=1,v=1,m=1", "AAAA"));
    terminal.feed("\x1B" "c");
    EXPECT_EQ(state().nextImageId, 40u);
    ASSERT_TRUE(state().pending);
    EXPECT_EQ(reply(apc("m=0", "AA==")), framed("i=3;OK"));
}

TEST_F(KittyCommands, SwitchingScreensDropsTheAlternateScreensPlacementsAndUnplacedImages)
{
    transmit(1);
    transmit(2);
    terminal.feed(apc("a=p,q=2,i=1,p=1"));
    terminal.feed("\x1B[?1049h");
    EXPECT_EQ(recordKeys(), (std::set<KittyPlacementKey> { { 1, 1 } }));
    EXPECT_FALSE(state().imagesById.contains(2));
    transmit(3);
    terminal.feed(apc("a=p,q=2,i=3,p=1"));
    terminal.feed("\x1B[?1049l");
    EXPECT_EQ(recordKeys(), (std::set<KittyPlacementKey> { { 1, 1 } }));
    EXPECT_FALSE(state().imagesById.contains(3));
    EXPECT_TRUE(state().imagesById.contains(1));
}

TEST_F(KittyCommands, HostileNumbersAreBounded)
{
    transmit(1);
    delegate.cellSize = std::pair { 10, 20 };
    const char* commands[] = {
        "a=p,i=1,c=9223372036854775807,r=9223372036854775807",
        "a=p,i=1,c=-9223372036854775808,r=3,X=9223372036854775807,Y=-9223372036854775808",
        "a=p,i=1,H=9223372036854775807,V=9223372036854775807,z=-9223372036854775808",
        "a=p,i=1,x=9223372036854775807,y=9223372036854775807,w=-1,h=9223372036854775807",
        "a=p,i=1,x=-9223372036854775808,w=9223372036854775807",
        "a=d,d=p,x=9223372036854775807,y=9223372036854775807",
        "a=d,d=r,x=1,y=9223372036854775807",
        "a=t,i=4294967295,s=10000,v=10000,S=9223372036854775807,O=9223372036854775807",
    };
    for (const char* keys : commands) {
        SCOPED_TRACE(keys);
        terminal.feed(apc(keys));
        EXPECT_GE(terminal.buffer().x(), 0);
        EXPECT_LE(terminal.buffer().x(), terminal.cols);
        EXPECT_GE(terminal.buffer().y(), 0);
        EXPECT_LT(terminal.buffer().y(), terminal.rows);
    }
    // Cells that would make an image wider than 10000 pixels are refused before the host is asked.
    const int created = delegate.imagesCreated;
    EXPECT_EQ(reply(apc("a=p,i=1,c=1001")), framed("i=1;EINVAL: placement out of range"));
    EXPECT_EQ(delegate.imagesCreated, created);
}

} // namespace
} // namespace zentrova
