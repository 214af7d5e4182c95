#include "LocalProcessFixture.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace zentrova {

void RecordingProcessDelegate::processTerminated(LocalProcess&, std::optional<int32_t> exitCode)
{
    exits.push_back(exitCode);
    outputSizeAtExit = output.size();
}

void RecordingProcessDelegate::dataReceived(std::span<const uint8_t> slice)
{
    output.append(slice.begin(), slice.end());
    if (onData)
        onData(slice);
}

void terminateAndReap(LocalProcess& process)
{
    if (!process.running())
        return;
    const pid_t pid = process.shellPid();
    process.terminate();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

void LocalProcessTest::TearDown()
{
    terminateAndReap(process);
}

void LocalProcessTest::start(const std::string& script, const std::optional<std::vector<std::string>>& environment)
{
    process.startProcess("/bin/sh", { "-c", script }, environment);
    ASSERT_TRUE(process.running());
}

bool LocalProcessTest::pumpUntilExit()
{
    return queue.pumpUntil([this] { return !delegate.exits.empty(); });
}

bool LocalProcessTest::pumpUntilOutputContains(std::string_view text)
{
    return queue.pumpUntil([&] { return delegate.output.find(text) != std::string::npos; });
}

void LocalProcessTest::sendText(std::string_view text)
{
    process.send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zentrova-process-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_path = std::filesystem::canonical(pattern).string();
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

std::size_t openDescriptorCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace zentrova
