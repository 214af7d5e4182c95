#include "Gpu/FakeGpuDevices.h"
#include "ZentrovaView/Gpu/BufferPool.h"
#include "ZentrovaView/Gpu/GpuCompletionQueue.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(BufferPool, LengthsComeInPowerOfTwoClassesFrom4096)
{
    struct Case {
        size_t bytes, length;
    };
    for (Case c : { Case { 1, 4096 }, Case { 1000, 4096 }, Case { 4096, 4096 }, Case { 4097, 8192 }, Case { 5000, 8192 },
                    Case { 8192, 8192 }, Case { 8193, 16384 }, Case { 100000, 131072 } })
        EXPECT_EQ(BufferPool::sizeClass(c.bytes), c.length) << c.bytes;
}

TEST(BufferPool, RecordsAreCopiedIntoAPooledBufferListedWithTheFrame)
{
    FakeBufferDevice device;
    auto pool = BufferPool::make(device);
    pool->beginFrame();
    const std::vector<float> records(1250, 1.5f); // 5000 bytes
    auto buffer = pool->makeBuffer(std::span<const float>(records));
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->length(), 8192u);
    float first;
    std::memcpy(&first, static_cast<FakeBuffer&>(*buffer).bytes.data() + 4996, sizeof first);
    EXPECT_EQ(first, 1.5f);
    EXPECT_EQ(pool->frameBuffers(), (std::vector<std::shared_ptr<GpuBuffer>> { buffer }));

    EXPECT_FALSE(pool->makeBuffer(std::span<const float>())) << "no records, no buffer";
    device.failing = true;
    EXPECT_FALSE(pool->makeBuffer(std::span<const float>(records)));
    EXPECT_EQ(pool->frameBuffers().size(), 1u);
}

TEST(BufferPool, AtMostFourFreeBuffersAreKeptPerLength)
{
    FakeBufferDevice device;
    auto pool = BufferPool::make(device);
    std::vector<std::shared_ptr<GpuBuffer>> buffers;
    for (int i = 0; i < 6; ++i)
        buffers.push_back(pool->dequeue(4096));
    buffers.push_back(pool->dequeue(8192));
    pool->recycle(buffers);
    EXPECT_EQ(pool->freeCount(4096), 4u);
    EXPECT_EQ(pool->freeCount(8192), 1u);

    // Free buffers are handed out again, the last recycled first, before any new one is made.
    const int made = device.made;
    EXPECT_EQ(pool->dequeue(4096), buffers[3]);
    EXPECT_EQ(pool->dequeue(8192), buffers[6]);
    EXPECT_EQ(device.made, made);
    EXPECT_TRUE(pool->dequeue(16384));
    EXPECT_EQ(device.made, made + 1);
}

TEST(BufferPool, AFramesBuffersComeBackOnlyOnceItsFenceHasSignalled)
{
    FakeBufferDevice device;
    auto pool = BufferPool::make(device);
    GpuCompletionQueue completions;
    const std::vector<uint8_t> bytes(100, 1);

    auto fence1 = std::make_shared<FakeFence>();
    pool->beginFrame();
    auto first = pool->makeBuffer(std::span<const uint8_t>(bytes));
    pool->commitFrame(completions, fence1);

    auto fence2 = std::make_shared<FakeFence>();
    pool->beginFrame();
    EXPECT_TRUE(pool->frameBuffers().empty());
    auto second = pool->makeBuffer(std::span<const uint8_t>(bytes));
    EXPECT_NE(second, first) << "the first frame is still on the GPU";
    pool->commitFrame(completions, fence2);

    // The GPU finishes in order: a signalled later fence waits for the earlier one.
    fence2->signaled = true;
    completions.poll();
    EXPECT_EQ(pool->freeCount(4096), 0u);
    fence1->signaled = true;
    completions.poll();
    EXPECT_EQ(pool->freeCount(4096), 2u);
    EXPECT_TRUE(completions.empty());

    // A warm pool: steady frames make no new buffers.
    const int made = device.made;
    for (int frame = 0; frame < 10; ++frame) {
        auto fence = std::make_shared<FakeFence>();
        pool->beginFrame();
        pool->makeBuffer(std::span<const uint8_t>(bytes));
        pool->commitFrame(completions, fence);
        fence->signaled = true;
        completions.poll();
    }
    EXPECT_EQ(device.made, made);
}

TEST(BufferPool, ACompletionAfterThePoolIsGoneIsHarmless)
{
    FakeBufferDevice device;
    GpuCompletionQueue completions;
    auto fence = std::make_shared<FakeFence>();
    std::weak_ptr<GpuBuffer> buffer;
    {
        auto pool = BufferPool::make(device);
        pool->beginFrame();
        const std::vector<uint8_t> bytes(10, 1);
        buffer = pool->makeBuffer(std::span<const uint8_t>(bytes));
        pool->commitFrame(completions, fence);
    }
    EXPECT_FALSE(buffer.expired()) << "the pending frame holds its buffers";
    fence->signaled = true;
    completions.poll();
    EXPECT_TRUE(buffer.expired());
}

} // namespace
} // namespace zentrova
