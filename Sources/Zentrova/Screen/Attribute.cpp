#include "Zentrova/Screen/Attribute.h"

#include <utility>

namespace zentrova {
namespace {

// Palette entries 0-7 and 8-15 have their own short SGR forms (30-37/90-97 and 40-47/100-107).
void appendColor(std::string& out, const Attribute::Color& color, const char* low, const char* bright, const char* extended)
{
    using Kind = Attribute::Color::Kind;
    if (color.kind == Kind::trueColor) {
        out += ';';
        out += extended;
        out += ";2;" + std::to_string(color.red) + ';' + std::to_string(color.green) + ';' + std::to_string(color.blue);
    } else if (color.kind == Kind::ansi256) {
        out += ';';
        if (color.code < 8) {
            out += low + std::to_string(color.code);
        } else if (color.code < 16) {
            out += bright + std::to_string(color.code - 8);
        } else {
            out += extended;
            out += ";5;" + std::to_string(color.code);
        }
    }
}

// FNV-1a over the bytes a value is fed as.
struct Hasher {
    size_t value = 14695981039346656037ull;
    void feed(uint8_t byte) { value = (value ^ byte) * 1099511628211ull; }
    void feed(const Attribute::Color& color)
    {
        feed(uint8_t(color.kind));
        if (color.kind == Attribute::Color::Kind::ansi256) {
            feed(color.code);
        } else if (color.kind == Attribute::Color::Kind::trueColor) {
            feed(color.red);
            feed(color.green);
            feed(color.blue);
        }
    }
};

} // namespace

std::string Attribute::toSgr() const
{
    std::string out = "0";
    const std::pair<CharacterStyle, const char*> flags[] = {
        { CharacterStyle::bold, ";1" },    { CharacterStyle::dim, ";2" },   { CharacterStyle::italic, ";3" },
        { CharacterStyle::underline, "" }, { CharacterStyle::blink, ";5" }, { CharacterStyle::inverse, ";7" },
        { CharacterStyle::invisible, ";8" }, { CharacterStyle::crossedOut, ";9" },
    };
    for (const auto& [flag, code] : flags) {
        if (!style.contains(flag))
            continue;
        if (flag == CharacterStyle::underline) {
            // A plain underline keeps its short form; the other styles need the sub-parameter.
            const bool plain = underlineStyle == UnderlineStyle::none || underlineStyle == UnderlineStyle::single;
            out += plain ? ";4" : ";4:" + std::to_string(int(underlineStyle));
        } else {
            out += code;
        }
    }
    appendColor(out, fg, "3", "9", "38");
    appendColor(out, bg, "4", "10", "48");
    if (underlineColor) {
        // The underline colour has no short palette forms.
        if (underlineColor->kind == Color::Kind::ansi256)
            out += ";58;5;" + std::to_string(underlineColor->code);
        else
            appendColor(out, *underlineColor, "", "", "58");
    }
    return out + "m";
}

} // namespace zentrova

size_t std::hash<zentrova::Attribute::Color>::operator()(const zentrova::Attribute::Color& color) const noexcept
{
    zentrova::Hasher hasher;
    hasher.feed(color);
    return hasher.value;
}

size_t std::hash<zentrova::Attribute>::operator()(const zentrova::Attribute& attribute) const noexcept
{
    zentrova::Hasher hasher;
    hasher.feed(attribute.fg);
    hasher.feed(attribute.bg);
    hasher.feed(attribute.style.rawValue);
    hasher.feed(uint8_t(attribute.underlineStyle));
    hasher.feed(uint8_t(attribute.underlineColor ? 1 : 0));
    if (attribute.underlineColor)
        hasher.feed(*attribute.underlineColor);
    return hasher.value;
}
