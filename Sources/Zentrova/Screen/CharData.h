#pragma once

#include "Zentrova/Screen/Attribute.h"
#include "Zentrova/Screen/SemanticContent.h"
#include "Zentrova/Screen/TinyAtom.h"

#include <any>
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>

namespace zentrova {

// A cell's attribute as the bits the cell stores: equal keys are equal attributes, so a host can key
// what it derives from an attribute by this without unpacking one per cell. A 24-bit underline colour
// is the index of its entry in the process-wide table, which never changes once handed out.
struct AttributeKey {
    uint64_t colorsAndStyle = 0;
    uint16_t underlineColor = 0;

    bool operator==(const AttributeKey&) const = default;
};

// One cell of the grid: the character, its display width, its payload handle, what the shell said it
// holds, and its attribute, packed into two 64-bit words.
//
// The code keeps 24 bits: Unicode scalars and the codes the terminal interns for grapheme clusters
// (0x400001 and up) both fit. Colours take 25 bits each (a 24-bit colour, or a palette index or one of
// the two defaults). The underline colour is rare and does not fit beside two full colours, so a
// 24-bit underline colour is kept in a process-wide table of distinct colours and the cell holds its
// 16-bit index; palette and default underline colours need no table entry.
class CharData {
public:
    // Codes at and above this are interned grapheme clusters, not scalars.
    static constexpr uint32_t firstInternedCode = 0x400000;
    // The largest code a cell can hold; setValue() stores larger ones as U+FFFD.
    static constexpr uint32_t maxCode = 0xFFFFFF;

    // The blank fill cell: code 0, width 1, default foreground and background.
    static const CharData Null;

    constexpr CharData() = default;
    // Inline and built as two whole words: the print path makes a cell whenever the attribute
    // changes, and a cell written field by field in another function stalls the copy that reads
    // it back whole.
    CharData(const Attribute& attribute, uint32_t code, int width, TinyAtom payload = {},
             uint8_t semanticContentCode = 0)
    {
        const uint64_t storedCode = code <= maxCode ? code : 0xFFFD;
        const uint64_t storedWidth = uint8_t(int8_t(width < -128 ? -128 : width > 127 ? 127 : width));
        const uint64_t underline = attribute.underlineColor ? packUnderlineColor(*attribute.underlineColor) : 0;
        const uint64_t first = storedCode | storedWidth << 24 | uint64_t(payload.code) << 32 | underline << 48;
        const uint64_t second = uint64_t(packColor(attribute.fg)) | uint64_t(packColor(attribute.bg)) << 25
            | uint64_t(attribute.style.rawValue) << 50 | uint64_t(uint8_t(attribute.underlineStyle) & 7) << 58
            | uint64_t(semanticContentCode < 7 ? semanticContentCode : 7) << 61;
        *this = std::bit_cast<CharData>(std::array { first, second });
    }

    uint32_t code() const { return m_code; }
    int width() const { return int8_t(m_width); }
    // Stores the code and the display width (-128...127; wider values are clamped). Inline: the
    // print path sets it for every character.
    void setValue(int32_t code, int32_t width)
    {
        m_code = uint32_t(code) <= maxCode ? uint32_t(code) : 0xFFFD;
        m_width = uint8_t(int8_t(width < -128 ? -128 : width > 127 ? 127 : width));
    }

    // A copy holding another code and width, clamped as setValue() does. Built on the cell's first
    // 64 bits as a whole (the code is their low 24 bits, the width the 8 above): setting the fields of
    // a copy leaves it half in memory, and the 16-byte copy into a row then waits for those stores.
    CharData withValue(int32_t code, int32_t width) const
    {
        auto words = std::bit_cast<std::array<uint64_t, 2>>(*this);
        const uint64_t storedCode = uint32_t(code) <= maxCode ? uint32_t(code) : 0xFFFD;
        const uint64_t storedWidth = uint8_t(int8_t(width < -128 ? -128 : width > 127 ? 127 : width));
        words[0] = (words[0] & ~uint64_t(0xFFFFFFFF)) | storedCode | storedWidth << 24;
        return std::bit_cast<CharData>(words);
    }

    TinyAtom payload() const { return { m_payload }; }
    void setPayload(TinyAtom atom) { m_payload = atom.code; }
    bool hasPayload() const { return m_payload != 0; }
    // The payload's value; empty without a payload or once its code was released.
    std::any getPayload() const { return payload().target(); }

    uint8_t semanticContentCode() const { return m_semanticContentCode; }
    // Codes above 7 are stored as 7: all of them read as no content.
    void setSemanticContentCode(uint8_t code) { m_semanticContentCode = code > 7 ? 7 : code; }
    SemanticContent semanticContent() const { return SemanticContent::fromCode(m_semanticContentCode); }

    Attribute attribute() const;
    void setAttribute(const Attribute& attribute);
    // The attribute's packed form, without the cell's semantic content.
    AttributeKey attributeKey() const
    {
        constexpr uint64_t semanticContentBits = uint64_t(7) << 61;
        return { std::bit_cast<std::array<uint64_t, 2>>(*this)[1] & ~semanticContentBits, m_underlineColor };
    }
    // The attribute has default colours, no style, no underline style and no underline colour.
    bool hasDefaultAttribute() const;

    // The scalar, or a space for an interned code, a surrogate or a code beyond U+10FFFF.
    char32_t getCharacter() const;
    bool isSimpleRune() const { return m_code < firstInternedCode; }

    // "CharData: <code> <character>", "?" standing for a code that is not a scalar.
    std::string debugDescription() const;

    bool operator==(const CharData&) const = default;

private:
    // A colour in 25 bits: 0-255 palette index, 256 default, 257 inverted default, bit 24 plus RGB
    // for a 24-bit colour.
    static constexpr uint32_t defaultCode = 256;
    static constexpr uint32_t defaultInvertedCode = 257;
    static constexpr uint32_t trueColorBit = 1u << 24;

    static uint32_t packColor(const Attribute::Color& color)
    {
        switch (color.kind) {
        case Attribute::Color::Kind::ansi256:
            return color.code;
        case Attribute::Color::Kind::trueColor:
            return trueColorBit | uint32_t(color.red) << 16 | uint32_t(color.green) << 8 | color.blue;
        case Attribute::Color::Kind::defaultColor:
            break;
        case Attribute::Color::Kind::defaultInvertedColor:
            return defaultInvertedCode;
        }
        return defaultCode;
    }
    static Attribute::Color unpackColor(uint32_t packed);
    // The underline colour's code in a cell (never 0, which stands for none).
    static uint16_t packUnderlineColor(const Attribute::Color& color);

    uint32_t m_code : 24 = 0;
    uint32_t m_width : 8 = 1;
    uint16_t m_payload = 0;
    uint16_t m_underlineColor = 0;
    uint64_t m_fg : 25 = 256;
    uint64_t m_bg : 25 = 256;
    uint64_t m_style : 8 = 0;
    uint64_t m_underlineStyle : 3 = 0;
    uint64_t m_semanticContentCode : 3 = 0;
};

// Rows keep their cells in one block that is filled, shifted and copied with plain memory moves, and a
// screen with 10,000 rows of scrollback at 200 columns holds two million cells: every byte of a cell
// costs 2 MB there. Keep it a plain value of at most 16 bytes.
static_assert(sizeof(CharData) <= 16, "a cell must stay within 16 bytes");
static_assert(std::is_trivially_copyable_v<CharData>, "cells are copied as plain memory");

inline constexpr CharData CharData::Null {};

} // namespace zentrova

template <>
struct std::hash<zentrova::AttributeKey> {
    size_t operator()(const zentrova::AttributeKey& key) const noexcept
    {
        // Palette and default colours sit in the low bits; a multiply spreads them over the word.
        return size_t((key.colorsAndStyle ^ uint64_t(key.underlineColor) << 48) * 0x9E3779B97F4A7C15ull >> 16);
    }
};
