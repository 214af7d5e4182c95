// Select graphic rendition: the attribute every later printed character and every erase cell's
// background takes. Both the semicolon and the colon forms of the extended colours are understood.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Parser/EscapeSequenceParser.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <cstdio>

namespace zentrova {
namespace {

using CellColor = Attribute::Color;

uint8_t capped(int value)
{
    return uint8_t(std::clamp(value, 0, 255));
}

// The attribute arguments of one SGR sequence and the separator that stood before each of them.
class SgrParameters {
public:
    SgrParameters(std::span<const int> pars, std::span<const uint8_t> separators)
        : m_pars(pars)
        , m_separators(separators)
    {
    }

    int count() const { return int(m_pars.size()); }
    int operator[](int index) const { return m_pars[size_t(index)]; }
    bool followedByColon(int index) const
    {
        return index + 1 < count() && size_t(index) < m_separators.size() && m_separators[size_t(index)] == ':';
    }

    struct ExtendedRead {
        int consumed = 0;
        bool found = false;
    };

    // Reads the colour after a 38, 48 or 58 at start - 1 into `color`, when the parameters hold one,
    // and says how many parameters it took. The colour is written in place: handed back in a struct
    // beside the count it is put together in memory byte by byte and then read back whole, which
    // stalls on every colour change.
    ExtendedRead readExtendedColor(int start, bool usesColon, CellColor& color) const
    {
        if (start >= count())
            return {};
        const int mode = m_pars[size_t(start)];
        if (usesColon) {
            int length = 1;
            while (followedByColon(start + length - 1))
                length++;
            if (mode == 5 && length >= 2) {
                color = CellColor::ansi256(capped((*this)[start + 1]));
                return { length, true };
            }
            // 2:colour-space:r:g:b, or 2:r:g:b without the colour space.
            const int red = length >= 5 ? start + 2 : start + 1;
            if (mode == 2 && length >= 4) {
                color = CellColor::trueColor(capped((*this)[red]), capped((*this)[red + 1]), capped((*this)[red + 2]));
                return { length, true };
            }
            return { length, false };
        }
        if (mode == 5) {
            if (start + 1 >= count())
                return { 1, false };
            color = CellColor::ansi256(capped((*this)[start + 1]));
            return { 2, true };
        }
        if (mode == 2) {
            if (start + 3 >= count())
                return { 1, false };
            color = CellColor::trueColor(capped((*this)[start + 1]), capped((*this)[start + 2]), capped((*this)[start + 3]));
            return { 4, true };
        }
        return { 1, false };
    }

private:
    std::span<const int> m_pars;
    std::span<const uint8_t> m_separators;
};

void resetAttribute(Attribute& attribute)
{
    static const Attribute defaults = CharData::Null.attribute();
    attribute = defaults;
}

void setUnderline(Attribute& attribute, UnderlineStyle style)
{
    if (style == UnderlineStyle::none)
        attribute.style.remove(CharacterStyle::underline);
    else
        attribute.style.insert(CharacterStyle::underline);
    attribute.underlineStyle = style;
}

UnderlineStyle underlineStyle(int value)
{
    switch (value) {
    case 0:
        return UnderlineStyle::none;
    case 2:
        return UnderlineStyle::double_;
    case 3:
        return UnderlineStyle::curly;
    case 4:
        return UnderlineStyle::dotted;
    case 5:
        return UnderlineStyle::dashed;
    default:
        return UnderlineStyle::single;
    }
}

} // namespace

void Terminal::cmdCsiM(std::span<const int> pars, std::span<const uint8_t> collect)
{
    // Private and intermediate forms (CSI > 4 ; 1 m sets key modifiers elsewhere) change nothing here.
    if (!collect.empty())
        return;
    cmdCharAttributes(pars);
}

void Terminal::cmdCharAttributes(std::span<const int> pars)
{
    if (pars.size() == 1 && pars[0] == 0) {
        resetAttribute(curAttr);
        return;
    }
    const SgrParameters parameters(pars, m_parser->parsTxt());
    Attribute& attribute = curAttr;
    for (int i = 0; i < parameters.count(); i++) {
        const int value = parameters[i];
        if (value >= 30 && value <= 37) {
            attribute.fg = CellColor::ansi256(uint8_t(value - 30));
        } else if (value >= 40 && value <= 47) {
            attribute.bg = CellColor::ansi256(uint8_t(value - 40));
        } else if (value >= 90 && value <= 97) {
            attribute.fg = CellColor::ansi256(uint8_t(value - 82));
        } else if (value >= 100 && value <= 107) {
            attribute.bg = CellColor::ansi256(uint8_t(value - 92));
        } else if (value == 38 || value == 48) {
            CellColor& color = value == 38 ? attribute.fg : attribute.bg;
            const bool usesColon = parameters.followedByColon(i);
            if (!usesColon && i + 4 < parameters.count() && parameters[i + 1] == 2) {
                // The semicolon true-colour form, what colour-heavy programs send before nearly
                // every cell, without the general reader's call.
                color = CellColor::trueColor(capped(parameters[i + 2]), capped(parameters[i + 3]), capped(parameters[i + 4]));
                i += 4;
            } else {
                i += parameters.readExtendedColor(i + 1, usesColon, color).consumed;
            }
        } else if (value == 58) {
            CellColor color;
            const auto read = parameters.readExtendedColor(i + 1, parameters.followedByColon(i), color);
            i += read.consumed;
            if (read.found)
                attribute.underlineColor = color;
        } else {
            switch (value) {
            case 0:
                resetAttribute(attribute);
                break;
            case 1:
                attribute.style.insert(CharacterStyle::bold);
                break;
            case 2:
                attribute.style.insert(CharacterStyle::dim);
                break;
            case 3:
                attribute.style.insert(CharacterStyle::italic);
                break;
            case 4:
                if (parameters.followedByColon(i))
                    setUnderline(attribute, underlineStyle(parameters[++i]));
                else
                    setUnderline(attribute, UnderlineStyle::single);
                break;
            case 5:
                attribute.style.insert(CharacterStyle::blink);
                break;
            case 7:
                attribute.style.insert(CharacterStyle::inverse);
                break;
            case 8:
                attribute.style.insert(CharacterStyle::invisible);
                break;
            case 9:
                attribute.style.insert(CharacterStyle::crossedOut);
                break;
            case 21:
                setUnderline(attribute, UnderlineStyle::double_);
                break;
            case 22:
                attribute.style.remove(CharacterStyle::bold | CharacterStyle::dim);
                break;
            case 23:
                attribute.style.remove(CharacterStyle::italic);
                break;
            case 24:
                setUnderline(attribute, UnderlineStyle::none);
                break;
            case 25:
                attribute.style.remove(CharacterStyle::blink);
                break;
            case 27:
                attribute.style.remove(CharacterStyle::inverse);
                break;
            case 28:
                attribute.style.remove(CharacterStyle::invisible);
                break;
            case 29:
                attribute.style.remove(CharacterStyle::crossedOut);
                break;
            case 39:
                attribute.fg = CellColor::defaultColor;
                break;
            case 49:
                attribute.bg = CellColor::defaultColor;
                break;
            case 59:
                attribute.underlineColor.reset();
                break;
            default:
                if (!silentLog)
                    writeLog(fmt::format("Unknown SGR attribute: {} {}", value, pars));
                break;
            }
        }
    }
}

} // namespace zentrova
