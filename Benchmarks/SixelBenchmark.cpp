// How long a sixel string takes to decode: a 1000 x 1000 photograph-like picture encoded by the
// desktop's sixel encoder (img2sixel, 256 colours with dithering), the kind of stream programs send.

#include "Zentrova/Graphics/SixelDecoder.h"
#include "Zentrova/Screen/Color.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int side = 1000;

// Writes a gradient picture with noise as a binary PPM and returns img2sixel's output for it, the
// string's payload only (from "q" to the terminator, both left out).
std::string encodedPicture()
{
    char path[] = "/tmp/zentrova-sixel-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return {};
    close(fd);
    {
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << side << ' ' << side << "\n255\n";
        uint32_t noise = 12345;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                noise = noise * 1103515245 + 12345;
                out.put(char(x / 4 + (noise >> 29))).put(char(y / 4 + (noise >> 26 & 7))).put(char((x + y) / 8));
            }
    }
    std::string stream;
    if (FILE* pipe = popen(("img2sixel '" + std::string(path) + "'").c_str(), "r")) {
        char chunk[65536];
        while (const size_t got = fread(chunk, 1, sizeof chunk, pipe))
            stream.append(chunk, got);
        if (pclose(pipe) != 0)
            stream.clear();
    }
    std::remove(path);
    const size_t start = stream.find('q');
    const size_t end = stream.rfind("\x1B\\");
    if (start == std::string::npos || end == std::string::npos || end < start)
        return {};
    return stream.substr(start + 1, end - start - 1);
}

void BM_SixelDecodePicture(benchmark::State& state)
{
    const std::string payload = encodedPicture();
    if (payload.empty()) {
        state.SkipWithError("img2sixel (libsixel-bin) is needed");
        return;
    }
    const std::vector<zentrova::Color> palette(16);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    for (auto _ : state) {
        auto image = zentrova::decodeSixel(bytes, palette);
        benchmark::DoNotOptimize(image);
        if (!image || image->width != side || image->height != side) {
            state.SkipWithError("the picture did not decode to its size");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(payload.size()));
    state.counters["payload_MB"] = double(payload.size()) / 1e6;
}
BENCHMARK(BM_SixelDecodePicture)->Unit(benchmark::kMillisecond);

} // namespace
