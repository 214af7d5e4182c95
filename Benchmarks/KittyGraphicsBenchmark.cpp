// How fast kitty images get from the bytes of their APC strings into the image store: a 4 MiB RGBA
// image sent in 4096-byte chunks of base64, the inflation of zlib payloads, and the memory a
// transfer needs at its peak compared with the image.

#include "Zentrova/Engine/Base64.h"
#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Graphics/KittyPayloadLoading.h"

#include "AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <zlib.h>

#include <string>
#include <vector>

namespace {

using zentrova::Terminal;

constexpr int side = 1024; // 1024 x 1024 x 4 bytes = 4 MiB
constexpr size_t chunkSize = 4096;

class SilentHost : public zentrova::TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override { }
};

// A photograph-like image: smooth gradients, with noise in the low bits when asked.
std::vector<uint8_t> image(bool noisy = true)
{
    std::vector<uint8_t> pixels(size_t(side) * side * 4);
    uint32_t noise = 12345;
    for (int y = 0; y < side; y++) {
        for (int x = 0; x < side; x++) {
            noise = noisy ? noise * 1103515245 + 12345 : 0;
            uint8_t* pixel = &pixels[(size_t(y) * side + size_t(x)) * 4];
            pixel[0] = uint8_t(x / 4 + (noise >> 29));
            pixel[1] = uint8_t(y / 4 + (noise >> 26 & 7));
            pixel[2] = uint8_t((x + y) / 8);
            pixel[3] = 255;
        }
    }
    return pixels;
}

// The APC strings that send `pixels` as image 1, base64 cut into chunks.
std::string chunkedTransfer(const std::vector<uint8_t>& pixels)
{
    const std::string text = zentrova::Base64::encode(pixels);
    std::string bytes;
    bytes.reserve(text.size() + text.size() / chunkSize * 16 + 64);
    for (size_t at = 0; at < text.size(); at += chunkSize) {
        const bool last = at + chunkSize >= text.size();
        bytes += at == 0 ? "\x1B_Ga=t,q=2,f=32,i=1,s=" + std::to_string(side) + ",v=" + std::to_string(side) + ",m=1;"
                         : std::string(last ? "\x1B_Gm=0;" : "\x1B_Gm=1;");
        bytes.append(text, at, chunkSize);
        bytes += "\x1B\\";
    }
    return bytes;
}

void BM_KittyChunkedTransmit(benchmark::State& state)
{
    const std::vector<uint8_t> pixels = image();
    const std::string bytes = chunkedTransfer(pixels);
    SilentHost host;
    Terminal terminal(&host);
    for (auto _ : state) {
        terminal.feed(bytes);
        benchmark::DoNotOptimize(terminal.kittyGraphicsState().totalImageBytes);
    }
    if (terminal.kittyGraphicsState().totalImageBytes != int64_t(pixels.size()))
        state.SkipWithError("the image was not stored");
    // Throughput in base64 letters, as they arrive.
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t((pixels.size() + 2) / 3 * 4));
}
BENCHMARK(BM_KittyChunkedTransmit)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> zlibOf(const std::vector<uint8_t>& data)
{
    uLongf size = compressBound(uLong(data.size()));
    std::vector<uint8_t> compressed(size);
    compress2(compressed.data(), &size, data.data(), uLong(data.size()), Z_DEFAULT_COMPRESSION);
    compressed.resize(size);
    return compressed;
}

// Argument 1: the noisy photograph-like image; 0: the same without noise, as screenshots and
// drawings compress.
void BM_KittyZlibInflate(benchmark::State& state)
{
    const std::vector<uint8_t> pixels = image(state.range(0) != 0);
    const std::vector<uint8_t> compressed = zlibOf(pixels);
    for (auto _ : state) {
        auto inflated = zentrova::decompressZlib(compressed, pixels.size());
        benchmark::DoNotOptimize(inflated);
    }
    state.counters["compressed_ratio"] = double(compressed.size()) / double(pixels.size());
    // Throughput in inflated bytes.
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}
BENCHMARK(BM_KittyZlibInflate)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// zlib's own one-call inflation into a buffer made once: the floor the figures above compare with.
void BM_ZlibUncompressBaseline(benchmark::State& state)
{
    const std::vector<uint8_t> pixels = image(state.range(0) != 0);
    const std::vector<uint8_t> compressed = zlibOf(pixels);
    std::vector<uint8_t> out(pixels.size());
    for (auto _ : state) {
        uLongf outSize = uLongf(out.size());
        uncompress(out.data(), &outSize, compressed.data(), uLong(compressed.size()));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels.size()));
}
BENCHMARK(BM_ZlibUncompressBaseline)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The memory a whole chunked transfer holds at its peak, over the image's size: every allocation
// the terminal makes from the first APC byte to the stored image (the bytes fed are the caller's).
void BM_KittyTransferPeakMemory(benchmark::State& state)
{
    const std::vector<uint8_t> pixels = image();
    const std::string bytes = chunkedTransfer(pixels);
    double ratio = 0;
    for (auto _ : state) {
        SilentHost host;
        Terminal terminal(&host);
        const size_t before = allocationcounter::liveBytes();
        allocationcounter::resetPeak();
        terminal.feed(bytes);
        ratio = double(allocationcounter::peakBytes() - before) / double(pixels.size());
    }
    state.counters["peak_over_image"] = ratio;
}
BENCHMARK(BM_KittyTransferPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
