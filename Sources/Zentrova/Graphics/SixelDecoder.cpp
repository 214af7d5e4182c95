#include "Zentrova/Graphics/SixelDecoder.h"

#include "Zentrova/Screen/Color.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace zentrova {
namespace {

// Numbers in the stream saturate here: anything larger is far beyond any image side already.
constexpr int maxNumber = 1'000'000'000;

// Splits a sixel payload into its commands. The measuring and drawing passes both read the stream
// through it, so they cannot disagree about where a command ends.
class SixelTokenizer {
public:
    enum class Kind { colour, repeat, carriageReturn, nextBand, sixel, end };

    struct Token {
        Kind kind = Kind::end;
        uint8_t bits = 0; // sixel: the column of six pixels, bit 0 at the top
        int count = 0;    // repeat: the count; colour: how many parameters were given
    };

    explicit SixelTokenizer(std::span<const uint8_t> data)
        : m_data(data)
    {
        const auto first = std::find(data.begin(), data.end(), uint8_t('#'));
        m_position = size_t(first - data.begin());
    }

    Token next()
    {
        while (m_position < m_data.size()) {
            const uint8_t byte = m_data[m_position++];
            if (byte >= '?' && byte <= '~')
                return { Kind::sixel, uint8_t(byte - '?'), 0 };
            switch (byte) {
            case '#':
                return colour();
            case '!':
                if (!isDigit())
                    continue; // a repeat without a count is ignored
                return { Kind::repeat, 0, number() };
            case '$':
                return { Kind::carriageReturn, 0, 0 };
            case '-':
                return { Kind::nextBand, 0, 0 };
            default:
                continue; // raster attributes, line breaks and anything else
            }
        }
        return {};
    }

    // The first parameters of the last colour command; count says how many were given in all.
    int parameter(size_t index) const { return m_parameters[index]; }

private:
    // "#" followed by decimal numbers separated by ";". Without a number the stream ends here.
    Token colour()
    {
        if (!isDigit())
            return {};
        int count = 0;
        m_parameters.fill(0);
        for (;;) {
            const int value = number();
            if (size_t(count) < m_parameters.size())
                m_parameters[size_t(count)] = value;
            ++count;
            if (m_position >= m_data.size() || m_data[m_position] != ';')
                break;
            ++m_position;
        }
        return { Kind::colour, 0, count };
    }

    bool isDigit() const { return m_position < m_data.size() && m_data[m_position] >= '0' && m_data[m_position] <= '9'; }

    int number()
    {
        int value = 0;
        while (isDigit()) {
            const int digit = m_data[m_position++] - '0';
            value = value > (maxNumber - digit) / 10 ? maxNumber : value * 10 + digit;
        }
        return value;
    }

    std::span<const uint8_t> m_data;
    size_t m_position = 0;
    std::array<int, 5> m_parameters {};
};

using Kind = SixelTokenizer::Kind;

struct Size {
    int64_t width = 0;
    int64_t height = 0;
};

// The first pass: the bitmap's size. Stops as soon as it is known to be too large.
std::optional<Size> measure(std::span<const uint8_t> data)
{
    SixelTokenizer tokens(data);
    int64_t x = 0;
    int64_t y = 0;
    int64_t repeat = 1;
    Size size;
    for (auto token = tokens.next(); token.kind != Kind::end; token = tokens.next()) {
        switch (token.kind) {
        case Kind::colour:
        case Kind::end:
            break;
        case Kind::repeat:
            repeat = token.count;
            break;
        case Kind::carriageReturn:
            size.width = std::max(size.width, x);
            x = 0;
            break;
        case Kind::nextBand:
            size.width = std::max(size.width, x);
            x = 0;
            y += 6;
            break;
        case Kind::sixel:
            if (token.bits) {
                const int topmostBit = 7 - std::countl_zero(token.bits);
                size.height = std::max(size.height, y + topmostBit + 1);
            }
            x += repeat;
            repeat = 1;
            break;
        }
        if (x > maxSixelImageSide || size.height > maxSixelImageSide)
            return std::nullopt;
    }
    size.width = std::max(size.width, x);
    return size;
}

uint32_t opaque(uint32_t rgb)
{
    return rgb << 8 | 0xFF;
}

// A 16-bit palette channel to 8 bits, rounded: the exact inverse of the 8-to-16-bit widening (x * 257).
uint32_t channel8(uint16_t value)
{
    return (uint32_t(value) + 128) / 257;
}

uint32_t percentTo8(int percent)
{
    return uint32_t(std::clamp(percent, 0, 100) * 255 / 100);
}

class SixelPainter {
public:
    SixelPainter(Size size, std::span<const Color> defaultPalette)
        : m_defaultPalette(defaultPalette)
    {
        m_bitmap.width = int(size.width);
        m_bitmap.height = int(size.height);
        m_bitmap.pixels.assign(size_t(size.width) * size_t(size.height) * 4, 0);
    }

    SixelBitmap draw(std::span<const uint8_t> data)
    {
        SixelTokenizer tokens(data);
        for (auto token = tokens.next(); token.kind != Kind::end; token = tokens.next()) {
            switch (token.kind) {
            case Kind::colour:
                selectColour(tokens, token.count);
                break;
            case Kind::repeat:
                m_repeat = token.count;
                break;
            case Kind::carriageReturn:
                m_x = 0;
                break;
            case Kind::nextBand:
                m_x = 0;
                m_y += 6;
                break;
            case Kind::sixel:
                paint(token.bits);
                break;
            case Kind::end:
                break;
            }
        }
        return std::move(m_bitmap);
    }

private:
    void selectColour(const SixelTokenizer& tokens, int count)
    {
        const int index = tokens.parameter(0);
        if (count >= 5)
            updatePaletteEntry(index, tokens.parameter(1), tokens.parameter(2), tokens.parameter(3), tokens.parameter(4));
        if (const auto defined = m_palette.find(index); defined != m_palette.end()) {
            m_colour = defined->second;
        } else if (size_t(index) < m_defaultPalette.size()) {
            const Color& colour = m_defaultPalette[size_t(index)];
            m_colour = channel8(colour.red) << 24 | channel8(colour.green) << 16 | channel8(colour.blue) << 8 | 0xFF;
        } else {
            m_colour = 0;
        }
    }

    // Pu 2 is RGB in percent, Pu 1 is HLS; other colour systems leave the register as it was.
    void updatePaletteEntry(int index, int system, int x, int y, int z)
    {
        if (system == 2)
            m_palette[index] = opaque(percentTo8(x) << 16 | percentTo8(y) << 8 | percentTo8(z));
        else if (system == 1)
            m_palette[index] = opaque(hlsToRgb(std::min(x, 360), std::min(y, 100), std::min(z, 100)));
    }

    void paint(uint8_t bits)
    {
        const int64_t repeat = m_repeat;
        m_repeat = 1;
        const int64_t from = m_x;
        m_x = std::min<int64_t>(m_x + repeat, maxNumber);
        const int64_t to = std::min<int64_t>(m_x, m_bitmap.width);
        if (from >= to)
            return;
        uint8_t colour[4] = { uint8_t(m_colour >> 24), uint8_t(m_colour >> 16), uint8_t(m_colour >> 8), uint8_t(m_colour) };
        for (int bit = 0; bit < 6; ++bit) {
            const int64_t row = m_y + bit;
            if (!(bits & (1 << bit)) || row >= m_bitmap.height)
                continue;
            uint8_t* pixel = m_bitmap.pixels.data() + (size_t(row) * size_t(m_bitmap.width) + size_t(from)) * 4;
            for (int64_t column = from; column < to; ++column, pixel += 4)
                std::memcpy(pixel, colour, 4);
        }
    }

    std::span<const Color> m_defaultPalette;
    std::unordered_map<int, uint32_t> m_palette;
    SixelBitmap m_bitmap;
    uint32_t m_colour = 0; // red << 24 | green << 16 | blue << 8 | alpha
    int64_t m_x = 0;
    int64_t m_y = 0;
    int m_repeat = 1;
};

} // namespace

uint32_t hlsToRgb(int hue, int lightness, int saturation)
{
    if (saturation == 0) {
        const uint32_t grey = percentTo8(lightness);
        return grey << 16 | grey << 8 | grey;
    }
    const double h = (hue + 240) % 360;
    const double lum = lightness;
    const double c = (1.0 - std::abs(2.0 * lum / 100.0 - 1.0)) * saturation * 0.5;
    const double max = lum + c;
    const double min = lum - c;
    const double d = max - min;
    double red = min;
    double green = min;
    double blue = min;
    switch (int(h) / 60) {
    case 0: red = max; green = min + h / 60 * d; break;
    case 1: green = max; red = min + (120 - h) / 60 * d; break;
    case 2: green = max; blue = min + (h - 120) / 60 * d; break;
    case 3: blue = max; green = min + (240 - h) / 60 * d; break;
    case 4: blue = max; red = min + (h - 240) / 60 * d; break;
    default: red = max; blue = min + (360 - h) / 60 * d; break;
    }
    return percentTo8(int(red)) << 16 | percentTo8(int(green)) << 8 | percentTo8(int(blue));
}

std::optional<SixelBitmap> decodeSixel(std::span<const uint8_t> data, std::span<const Color> defaultPalette)
{
    const auto size = measure(data);
    if (!size)
        return std::nullopt;
    return SixelPainter(*size, defaultPalette).draw(data);
}

} // namespace zentrova
