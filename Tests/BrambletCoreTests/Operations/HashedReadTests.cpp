#include "BrambletCore/Operations/HashedRead.h"

#include "BrambletCore/Operations/FileDescriptor.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <fcntl.h>

#include <stdexcept>
#include <vector>

namespace bramblet {
namespace {

std::string sha256Hex(const std::string& content)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(content), QCryptographicHash::Sha256).toHex().toStdString();
}

std::string patterned(size_t size)
{
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i)
        content[i] = char((i * 7 + i / 251) & 0xff);
    return content;
}

class HashedReadTest : public OperationsFixture {};

// The buffer is tiny, so the two-thread path turns over many times on small files. The expected
// size is only a hint: a file that grew or shrank since it was looked at is still read whole.
TEST_F(HashedReadTest, HashesAndHandsOverExactlyTheBytesReadWhateverTheSize)
{
    constexpr size_t bufferSize = 64;
    struct Case {
        size_t size;
        off_t expectedSize;
    };
    const Case cases[] = {
        { 0, 0 },
        { 1, 1 },
        { bufferSize, bufferSize },
        { bufferSize + 1, bufferSize + 1 },
        { 10 * bufferSize + 17, 10 * bufferSize + 17 },
        { 1000, 10 },     // grew after it was looked at
        { 10, 1000 },     // shrank
        { 33, 1000 },     // ends inside the first half
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << ", expected " << c.expectedSize);
        const std::string content = patterned(c.size);
        writeFile("file.bin", content);
        const FileDescriptor file(::open(at("file.bin").c_str(), O_RDONLY | O_CLOEXEC));
        std::vector<unsigned char> buffer(bufferSize);
        std::string consumed;
        const std::string digest = readHashing(file.get(), c.expectedSize, buffer, at("file.bin"),
                                               [&](std::span<const unsigned char> chunk) { consumed.append(chunk.begin(), chunk.end()); });
        EXPECT_EQ(consumed, content);
        EXPECT_EQ(digest, sha256Hex(content));
    }
}

TEST_F(HashedReadTest, AFailureWhileConsumingComesThroughAndLeavesNothingRunning)
{
    writeFile("file.bin", patterned(4096));
    const FileDescriptor file(::open(at("file.bin").c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<unsigned char> buffer(64);
    int chunks = 0;
    EXPECT_THROW(readHashing(file.get(), 4096, buffer, at("file.bin"),
                             [&](std::span<const unsigned char>) {
                                 if (++chunks == 5)
                                     throw std::runtime_error("disk full");
                             }),
                 std::runtime_error);
    EXPECT_EQ(chunks, 5);
}

TEST_F(HashedReadTest, AReadFailureNamesTheFile)
{
    // A folder opens but cannot be read.
    const FileDescriptor folder(::open(at("").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<unsigned char> buffer(64);
    try {
        readHashing(folder.get(), 4096, buffer, at("named.bin"));
        FAIL() << "reading a folder must fail";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("named.bin"), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace bramblet
