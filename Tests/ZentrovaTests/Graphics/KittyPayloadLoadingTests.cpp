#include "KittyGraphicsFixture.h"

#include "Zentrova/Engine/Base64.h"
#include "Zentrova/Graphics/KittyPayloadLoading.h"
#include "Zentrova/Graphics/KittyPng.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace zentrova {
namespace {

namespace fs = std::filesystem;
using KittyLoading = KittyGraphicsFixture;

std::vector<uint8_t> pngOf(int width, int height, const std::vector<uint8_t>& rgba)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    EXPECT_NE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr), 0);
    std::vector<uint8_t> data(size);
    EXPECT_NE(png_image_write_to_memory(&image, data.data(), &size, 0, rgba.data(), 0, nullptr), 0);
    data.resize(size);
    return data;
}

std::vector<uint8_t> zlibOf(const std::vector<uint8_t>& data)
{
    uLongf size = compressBound(uLong(data.size()));
    std::vector<uint8_t> compressed(size);
    EXPECT_EQ(compress2(compressed.data(), &size, data.data(), uLong(data.size()), 6), Z_OK);
    compressed.resize(size);
    return compressed;
}

std::string encoded(std::string_view text)
{
    return Base64::encode(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& data)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// A fresh folder that goes with the test.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& parent)
    {
        std::string pattern = parent + "/zentrova-kitty-XXXXXX";
        path = ::mkdtemp(pattern.data());
    }
    ~ScratchFolder() { fs::remove_all(path); }
    fs::path path;
};

TEST_F(KittyLoading, RawFormatsNeedTheirExactSize)
{
    struct Case {
        const char* keys;
        size_t bytes;
        bool accepted;
    };
    const Case cases[] = {
        { "f=24,s=2,v=1", 6, true },   { "f=24,s=2,v=1", 5, false },     { "f=32,s=2,v=1", 8, true },
        { "f=32,s=2,v=1", 7, false },  { "f=32,s=2,v=1", 9, false },     { "f=32,s=0,v=1", 0, false },
        { "f=32,s=10001,v=1", 40004, false }, { "f=16,s=1,v=1", 2, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keys) + " with " + std::to_string(c.bytes) + " bytes");
        std::vector<uint8_t> data(c.bytes, 7);
        EXPECT_EQ(reply(apcWithData(std::string("a=t,i=1,") + c.keys, data)),
                  framed(c.accepted ? "i=1;OK" : "i=1;EINVAL: bad payload"));
    }
    terminal.feed(apcWithData("a=t,i=2,f=24,s=2,v=1", std::vector<uint8_t> { 1, 2, 3, 4, 5, 6 }));
    EXPECT_EQ(state().imagesById.at(2).payload, KittyGraphicsPayload::rgba({ 1, 2, 3, 255, 4, 5, 6, 255 }, 2, 1));
}

TEST_F(KittyLoading, Base64SkipsBytesOutsideItsAlphabet)
{
    const std::string text = Base64::encode(pixels(1, 1));
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1", text.substr(0, 3) + "\n*" + text.substr(3, 3))), framed("i=1;OK"));
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1", "A")), framed("i=1;EINVAL: bad payload"));
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1", "")), framed("i=1;EINVAL: bad payload"));
}

TEST_F(KittyLoading, PngImages)
{
    std::vector<uint8_t> rgba = pixels(2, 3);
    rgba[3] = 128; // half transparent: the colour must stay as sent
    const std::vector<uint8_t> png = pngOf(2, 3, rgba);
    EXPECT_EQ(kittyPngPixelSize(png), (std::pair { 2, 3 }));
    const auto decoded = decodePngToRgba(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->bytes, rgba);

    EXPECT_EQ(reply(apcWithData("a=t,i=1,f=100", png)), framed("i=1;OK"));
    EXPECT_TRUE(state().imagesById.at(1).payload.isPng());
    EXPECT_EQ(reply(apcWithData("a=t,i=2,f=100,o=z", zlibOf(png))), framed("i=2;OK"));
    const std::vector<uint8_t> wide = pngOf(10001, 1, std::vector<uint8_t>(10001 * 4, 255));
    EXPECT_FALSE(kittyPngPixelSize(wide) == std::nullopt);
    EXPECT_EQ(reply(apcWithData("a=t,i=3,f=100", wide)), framed("i=3;EINVAL: bad payload"));
    EXPECT_EQ(reply(apcWithData("a=t,i=4,f=100", "not a png")), framed("i=4;EINVAL: bad payload"));
    // Cropping a PNG decodes it; the host gets the pixels.
    EXPECT_EQ(reply(apc("a=p,i=1,x=1,w=1,h=1")), framed("i=1;OK"));
    EXPECT_EQ(delegate.lastBitmap, std::vector<uint8_t>(rgba.begin() + 4, rgba.begin() + 8));
}

TEST_F(KittyLoading, ZlibStreams)
{
    const std::vector<uint8_t> data = pixels(4, 4);
    const std::vector<uint8_t> compressed = zlibOf(data);
    EXPECT_EQ(decompressZlib(compressed), data);
    EXPECT_EQ(decompressZlib(compressed, size_t(1)), data); // a wrong hint only costs growth
    struct Case {
        const char* name;
        std::vector<uint8_t> stream;
        std::string keys;
        std::string expected;
    };
    const Case cases[] = {
        { "a whole stream", compressed, "o=z", "i=1;OK" },
        { "cut before its end", std::vector<uint8_t>(compressed.begin(), compressed.end() - 5), "o=z", "i=1;EINVAL: bad payload" },
        { "without its header", std::vector<uint8_t>(compressed.begin() + 2, compressed.end()), "o=z", "i=1;EINVAL: bad payload" },
        { "a damaged checksum", [&] { auto bad = compressed; bad.back() ^= 1; return bad; }(), "o=z", "i=1;EINVAL: bad payload" },
        { "an unknown compression", compressed, "o=x", "i=1;EINVAL: bad payload" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reply(apcWithData("a=t,i=1,s=4,v=4," + c.keys, c.stream)), framed(c.expected));
    }
}

TEST_F(KittyLoading, FileAndTemporaryFileRules)
{
    // These cases need a folder that is not a temporary one: the build folder, unless the tree
    // itself was checked out in one.
    if (isKittyTempPath((fs::current_path() / "probe").string()))
        GTEST_SKIP() << "the build folder lies in a temporary folder";
    ScratchFolder tmp("/tmp");
    ScratchFolder shm("/dev/shm");
    ScratchFolder elsewhere(fs::current_path().string());
    const std::vector<uint8_t> image = pixels(1, 1);
    const auto make = [&](const fs::path& path) {
        writeFile(path, image);
        return path;
    };
    const fs::path marked = tmp.path / "tty-graphics-protocol-a.rgba";
    const fs::path unmarked = tmp.path / "x.png";
    const fs::path inShm = shm.path / "tty-graphics-protocol-1";
    const fs::path outside = elsewhere.path / "tty-graphics-protocol-out";
    const fs::path linkToOutside = tmp.path / "tty-graphics-protocol-link";
    const fs::path linkToMarked = tmp.path / "link-to-marked";
    const fs::path fifo = tmp.path / "tty-graphics-protocol-fifo";

    struct Case {
        const char* name;
        std::function<fs::path()> prepare;
        char medium;
        std::string expected;
        bool fileRemains;
    };
    const Case cases[] = {
        { "temporary file with the marker is read and deleted", [&] { return make(marked); }, 't', "i=1;OK", false },
        { "temporary file without the marker", [&] { return make(unmarked); }, 't', "i=1;EINVAL: bad temp path", true },
        { "temporary file in /dev/shm", [&] { return make(inShm); }, 't', "i=1;OK", false },
        { "temporary file outside the temporary folders", [&] { return make(outside); }, 't', "i=1;EINVAL: bad temp path", true },
        { "a link is judged by where it leads",
          [&] {
              make(outside);
              fs::create_symlink(outside, linkToOutside);
              return linkToOutside;
          },
          't', "i=1;EINVAL: bad temp path", true },
        { "a link to a marked file reads and deletes the file",
          [&] {
              fs::remove(linkToMarked);
              fs::create_symlink(make(marked), linkToMarked);
              return linkToMarked;
          },
          't', "i=1;OK", true },
        { "a plain file is never deleted", [&] { return make(tmp.path / "tty-graphics-protocol-plain"); }, 'f', "i=1;OK", true },
        { "a FIFO does not block and is left alone",
          [&] {
              ::mkfifo(fifo.c_str(), 0600);
              return fifo;
          },
          't', "i=1;EINVAL: bad payload", true },
        { "the null device", [] { return fs::path("/dev/null"); }, 'f', "i=1;EINVAL: bad path", true },
        { "proc", [] { return fs::path("/proc/self/status"); }, 'f', "i=1;EINVAL: bad path", true },
        { "sys", [] { return fs::path("/sys/kernel/notes"); }, 'f', "i=1;EINVAL: bad path", true },
        { "a missing file", [&] { return tmp.path / "missing"; }, 'f', "i=1;EINVAL: bad path", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = c.prepare();
        const std::string keys = std::string("a=t,i=1,s=1,v=1,t=") + c.medium;
        EXPECT_EQ(reply(apc(keys, encoded(path.string()))), framed(c.expected));
        EXPECT_EQ(fs::exists(fs::symlink_status(path)), c.fileRemains);
    }
    EXPECT_FALSE(fs::exists(marked));
    EXPECT_EQ(reply(apc("a=t,i=1,t=f", "")), framed("i=1;EINVAL: bad payload"));
    EXPECT_EQ(reply(apc("a=t,i=1,t=f", encoded(std::string("/tmp/a\0b", 8)))), framed("i=1;EINVAL: bad payload"));
    EXPECT_EQ(reply(apc("a=t,i=1,t=f", encoded("/tmp/\xFF"))), framed("i=1;EINVAL: bad path"));
}

TEST_F(KittyLoading, TemporaryFoldersMatchWholePathComponents)
{
    // These cases need a folder that is not a temporary one: the build folder, unless the tree
    // itself was checked out in one.
    if (isKittyTempPath((fs::current_path() / "probe").string()))
        GTEST_SKIP() << "the build folder lies in a temporary folder";
    ScratchFolder custom(fs::current_path().string());
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("TMPDIR", custom.path.c_str(), 1);
    const std::pair<std::string, bool> cases[] = {
        { "/tmp/tty-graphics-protocol-1", true },
        { "/tmp", true },
        { "/tmpx/tty-graphics-protocol-1", false },
        { "/dev/shm/a", true },
        { "/dev/shmx/a", false },
        { custom.path.string() + "/tty-graphics-protocol-1", true },
        { custom.path.string() + "x/tty-graphics-protocol-1", false },
        { "/var/tty-graphics-protocol-1", false },
    };
    for (const auto& [path, temporary] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(isKittyTempPath(path), temporary);
    }
    // A file in $TMPDIR is read and deleted like one in /tmp.
    const fs::path file = custom.path / "tty-graphics-protocol-2";
    writeFile(file, pixels(1, 1));
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1,t=t", encoded(file.string()))), framed("i=1;OK"));
    EXPECT_FALSE(fs::exists(file));
    if (saved)
        ::setenv("TMPDIR", savedValue.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST_F(KittyLoading, OffsetsAndSizesWithinFiles)
{
    ScratchFolder tmp("/tmp");
    const fs::path file = tmp.path / "data";
    std::vector<uint8_t> data(10, 0);
    const std::vector<uint8_t> image = pixels(1, 1);
    std::copy(image.begin(), image.end(), data.begin() + 3);
    writeFile(file, data);
    const std::string name = encoded(file.string());
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1,t=f,O=3,S=4", name)), framed("i=1;OK"));
    EXPECT_EQ(state().imagesById.at(1).payload.bytes, image);
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1,t=f,O=6", name)), framed("i=1;OK")); // S=0: the rest
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1,t=f,O=11", name)), framed("i=1;EINVAL: bad payload"));
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1,t=f,O=-1", name)), framed("i=1;EINVAL: bad payload"));
    EXPECT_EQ(reply(apc("a=t,i=1,s=1,v=1,t=f,O=9223372036854775807,S=9223372036854775807", name)),
              framed("i=1;EINVAL: bad payload"));
}

TEST_F(KittyLoading, ProbesLoadThroughTheirMedium)
{
    ScratchFolder tmp("/tmp");
    const fs::path plain = tmp.path / "probe";
    const fs::path temporary = tmp.path / "tty-graphics-protocol-probe";
    writeFile(plain, pixels(1, 1));
    writeFile(temporary, pixels(1, 1));
    EXPECT_EQ(reply(apc("a=q,i=31,s=1,v=1,t=f", encoded(plain.string()))), framed("i=31;OK"));
    EXPECT_TRUE(fs::exists(plain));
    EXPECT_EQ(reply(apc("a=q,i=31,s=1,v=1,t=t", encoded(temporary.string()))), framed("i=31;OK"));
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(reply(apc("a=q,i=31,s=1,v=1,t=f", encoded((tmp.path / "none").string()))), framed("i=31;EINVAL: bad path"));
    EXPECT_TRUE(state().imagesById.empty());
}

class SharedMemoryObject {
public:
    SharedMemoryObject(std::string name, const std::vector<uint8_t>& data)
        : m_name(std::move(name))
    {
        const int fd = ::shm_open(m_name.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::write(fd, data.data(), data.size()), ssize_t(data.size()));
        ::close(fd);
    }
    ~SharedMemoryObject() { ::shm_unlink(m_name.c_str()); }
    bool exists() const
    {
        const int fd = ::shm_open(m_name.c_str(), O_RDONLY, 0);
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    }

private:
    std::string m_name;
};

TEST_F(KittyLoading, SharedMemory)
{
    const std::string name = "/zentrova-kitty-" + std::to_string(::getpid());
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        std::string keys;
        std::string sentName;
        std::string expected;
        bool unlinked;
    };
    const std::vector<uint8_t> image = pixels(2, 2);
    std::vector<uint8_t> padded(4, 9);
    padded.insert(padded.end(), image.begin(), image.end());
    const Case cases[] = {
        { "a whole object", image, "s=2,v=2", name, "i=1;OK", true },
        { "an offset into it", padded, "s=2,v=2,O=4", name, "i=1;OK", true },
        { "too small for its pixels", std::vector<uint8_t>(image.begin(), image.end() - 1), "s=2,v=2", name,
          "i=1;EINVAL: bad payload", true },
        { "a huge offset", image, "s=2,v=2,O=9223372036854775807,S=9223372036854775807", name, "i=1;EINVAL: bad payload", true },
        { "compressed", zlibOf(image), "s=2,v=2,o=z", name, "i=1;OK", true },
        { "PNG data", pngOf(2, 2, image), "f=100", name, "i=1;OK", true },
        { "a name without its slash", image, "s=2,v=2", name.substr(1), "i=1;EINVAL: bad payload", false },
        { "a name with a second slash", image, "s=2,v=2", name + "/x", "i=1;EINVAL: bad payload", false },
        { "no size for raw pixels", image, "f=32", name, "i=1;EINVAL: bad payload", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SharedMemoryObject object(name, c.data);
        EXPECT_EQ(reply(apc("a=t,i=1,t=s," + c.keys, encoded(c.sentName))), framed(c.expected));
        EXPECT_EQ(object.exists(), !c.unlinked);
    }
}

} // namespace
} // namespace zentrova
