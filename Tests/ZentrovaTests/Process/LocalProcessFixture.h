#pragma once

#include "PumpedMainQueue.h"

#include "Zentrova/Process/LocalProcess.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

// Keeps what a process hands to its delegate.
class RecordingProcessDelegate : public LocalProcessDelegate {
public:
    winsize size { 25, 80, 0, 0 };
    std::string output;
    std::vector<std::optional<int32_t>> exits;
    std::size_t outputSizeAtExit = 0;
    std::function<void(std::span<const uint8_t>)> onData;

    void processTerminated(LocalProcess& source, std::optional<int32_t> exitCode) override;
    void dataReceived(std::span<const uint8_t> slice) override;
    winsize getWindowSize() override { return size; }
};

// Ends a child that still runs, the way a host that gives up on it would, and reaps it.
void terminateAndReap(LocalProcess& process);

// A process whose main queue the test pumps. A child still running at the end is terminated and reaped.
class LocalProcessTest : public ::testing::Test {
protected:
    void TearDown() override;

    void start(const std::string& script, const std::optional<std::vector<std::string>>& environment = std::nullopt);
    bool pumpUntilExit();
    bool pumpUntilOutputContains(std::string_view text);
    void sendText(std::string_view text);

    PumpedMainQueue queue;
    RecordingProcessDelegate delegate;
    LocalProcess process { &delegate, queue };
};

// A fresh folder under the temporary folder, removed with its contents at the end of the scope.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The descriptors this test process has open.
std::size_t openDescriptorCount();

} // namespace zentrova
