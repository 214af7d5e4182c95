#pragma once

// Typical terminal output for the throughput benchmarks, so the parser alone and the whole
// terminal are measured on the same bytes. Each workload is about 4 MiB, built once.

#include <cstddef>
#include <random>
#include <string>

namespace terminalworkloads {

inline constexpr size_t workloadSize = 4 * 1024 * 1024;
// Output reaches the terminal in reads of at most this much.
inline constexpr size_t readSize = 128 * 1024;

// Repeats `piece(i)` until the workload is full.
template <typename Piece>
std::string workload(Piece piece)
{
    std::string data;
    data.reserve(workloadSize + 4096);
    for (int i = 0; data.size() < workloadSize; ++i)
        data += piece(i);
    return data;
}

inline const std::string& plainAsciiLines()
{
    static const std::string data = workload([](int i) {
        std::string line = std::to_string(i) + " ";
        while (line.size() < 79)
            line += "lorem ipsum dolor sit amet ";
        line.resize(79);
        return line + "\r\n";
    });
    return data;
}

// A service's log: a time stamp, the level in its colour, and plain text for the rest.
inline const std::string& colouredLogLines()
{
    static const std::string data = workload([](int i) {
        static constexpr const char* levels[] = { "\x1b[32mINFO\x1b[0m ", "\x1b[32mINFO\x1b[0m ",
                                                  "\x1b[33mWARN\x1b[0m ", "\x1b[1;31mERROR\x1b[0m" };
        const std::string seconds = std::to_string(10 + i / 100 % 50);
        return "2026-12-11 03:04:" + seconds + "." + std::to_string(100 + i % 900) + " " + levels[i % 4]
            + " \x1b[36m[worker-" + std::to_string(i % 8) + "]\x1b[0m request " + std::to_string(i)
            + " handled in " + std::to_string(i % 97) + " ms\r\n";
    });
    return data;
}

inline const std::string& denseSgrColours()
{
    static const std::string data = workload([](int i) {
        std::string line;
        for (int column = 0; column < 40; ++column)
            line += "\x1b[38;5;" + std::to_string((i + column) % 256) + "m" + char('a' + column % 26);
        return line + "\x1b[m\r\n";
    });
    return data;
}

inline const std::string& trueColourPerCell()
{
    static const std::string data = workload([](int i) {
        std::mt19937 random { uint32_t(i) };
        std::string line;
        const auto channel = [&] { return std::to_string(random() % 256); };
        for (int column = 0; column < 40; ++column) {
            line += "\x1b[38;2;" + channel() + ";" + channel() + ";" + channel();
            line += ";48;2;" + channel() + ";" + channel() + ";" + channel() + "m#";
        }
        return line + "\x1b[m\r\n";
    });
    return data;
}

inline const std::string& cjkText()
{
    static const std::string data = workload([](int) {
        // 26 ideographs of three bytes each: a 52-column line.
        return std::string("漢字仮名交じり文は日本語の表記に用いられる文字体系でありこの") + "\r\n";
    });
    return data;
}

inline const std::string& cursorMotion()
{
    static const std::string data = workload([](int i) {
        return "\x1b[" + std::to_string(i % 50 + 1) + ";" + std::to_string(i % 80 + 1) + "H\x1b[Kitem "
            + std::to_string(i) + "\x1b[2C\x1b[1A\x1b[?25l\x1b[" + std::to_string(i % 80 + 1) + "G";
    });
    return data;
}

} // namespace terminalworkloads
