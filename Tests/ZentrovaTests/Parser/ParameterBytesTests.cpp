#include "Zentrova/Parser/ParameterBytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zentrova {
namespace {

using parameterbytes::appendDigits;
using parameterbytes::longestRun;
using parameterbytes::scanParameters;

constexpr int limit = 65535;

const uint8_t* bytesOf(const std::string& text)
{
    return reinterpret_cast<const uint8_t*>(text.data());
}

// What the word-at-a-time readers must agree with, one byte at a time.
parameterbytes::ParameterRun scanByBytes(const std::string& text)
{
    parameterbytes::ParameterRun run;
    for (; run.length < longestRun; ++run.length) {
        const char code = text[run.length];
        if (code < '0' || code > ';')
            break;
        if (code == ':' || code == ';')
            run.separators |= uint64_t(1) << run.length;
    }
    return run;
}

int appendByBytes(int value, const std::string& digits)
{
    for (char digit : digits)
        value = std::min(value * 10 + (digit - '0'), limit);
    return value;
}

TEST(ParameterBytes, AppendDigitsSaturatesAndIgnoresWhatFollows)
{
    struct Case {
        int value;
        std::string digits;
        int expected;
    };
    const Case cases[] = {
        { 0, "", 0 },
        { 17, "", 17 },
        { 0, "7", 7 },
        { 0, "255", 255 },
        { 0, "0000", 0 },
        { 0, "9999", 9999 },
        { 0, "65535", 65535 },
        { 0, "65536", 65535 },
        { 0, "00012345", 12345 },
        { 0, "99999999", 65535 },
        { 0, "000000000012", 12 },
        { 0, "0000000000065536", 65535 },
        { 12, "34", 1234 },
        { 6553, "5", 65535 },
        { 6553, "6", 65535 },
        { 65535, "0", 65535 },
        { 1, "0000", 10000 },
        { 1, "00000", 65535 },
        { 7, "00000000", 65535 },
        { 0, "1234", 1234 },
    };
    // The readers take whole words: the digits are followed by bytes that must not count, among
    // them ones that borrow when "0" is subtracted.
    for (const std::string& after : { std::string(16, '9'), std::string(16, '\0'), std::string(";m\x1b[1;2\xff\x80/::;;") }) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.digits + " after " + std::to_string(c.value));
            const std::string text = c.digits + after;
            EXPECT_EQ(appendDigits(c.value, bytesOf(text), c.digits.size(), limit), c.expected);
        }
    }
}

// Random stretches of parameter bytes cut by the bytes beside their range (and ones whose addition
// or subtraction carries into the next byte), against the byte-by-byte reading.
TEST(ParameterBytes, WordReadersAgreeWithByteByByteReading)
{
    const std::string others = std::string("/<=?m \x1b\x7f\x80\xb9\xba\xbb\xbc\xff", 14) + std::string(1, '\0');
    std::mt19937 random(20261211);
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        // Mostly parameter bytes, so runs reach the longest stretch read at once.
        while (text.size() < longestRun + 16) {
            const uint32_t pick = random() % 100;
            if (pick < 70)
                text += char('0' + random() % 10);
            else if (pick < 90)
                text += random() % 2 ? ';' : ':';
            else if (pick < 92 || round % 3 == 0)
                text += others[random() % others.size()];
            else
                text += '5';
        }
        SCOPED_TRACE(::testing::PrintToString(text));
        const auto run = scanParameters(bytesOf(text));
        const auto expected = scanByBytes(text);
        ASSERT_EQ(run.length, expected.length);
        ASSERT_EQ(run.separators, expected.separators);

        const size_t start = random() % 8;
        const size_t count = std::min<size_t>(random() % 13, text.size() - start - 8);
        std::string digits = text.substr(start, count);
        for (char& digit : digits)
            digit = char('0' + uint8_t(digit) % 10);
        const std::string digitsText = digits + text.substr(start + count);
        const int value = int(random() % 3 == 0 ? random() % 7000 : 0);
        ASSERT_EQ(appendDigits(value, bytesOf(digitsText), count, limit), appendByBytes(value, digits));
    }
}

} // namespace
} // namespace zentrova
