#include "Zentrova/Screen/CharSets.h"

#include <array>
#include <string_view>

namespace zentrova {
namespace {

// The bytes the national sets replace, in the order their tables below list replacements.
constexpr std::string_view nationalBytes = "#@[\\]^_`{|}~";

// One replacement per byte of nationalBytes; an empty text leaves that byte alone.
CharSets::CharSet national(const std::array<std::string_view, 12>& replacements)
{
    CharSets::CharSet set;
    for (size_t i = 0; i < nationalBytes.size(); i++) {
        if (!replacements[i].empty())
            set.emplace(uint8_t(nationalBytes[i]), std::string(replacements[i]));
    }
    return set;
}

CharSets::CharSet decSpecialGraphics()
{
    // 0x60 to 0x7E in order.
    static constexpr std::array<std::string_view, 31> replacements {
        "◆", "▒", "␉", "␌", "␍", "␊", "°", "±", "␤", "␋", "┘", "┐", "┌", "└", "┼", "⎺",
        "⎻", "─", "⎼", "⎽", "├", "┤", "┴", "┬", "│", "≤", "≥", "π", "≠", "£", "·",
    };
    CharSets::CharSet set;
    for (size_t i = 0; i < replacements.size(); i++)
        set.emplace(uint8_t(0x60 + i), std::string(replacements[i]));
    return set;
}

std::map<uint8_t, CharSets::CharSet> makeAll()
{
    //                           #     @     [     \     ]     ^     _     `     {     |     }     ~
    auto dutch = national({ "£", "¾", "ĳ", "½", "|", "", "", "", "¨", "f", "¼", "´" });
    auto finnish = national({ "", "", "Ä", "Ö", "Å", "Ü", "", "é", "ä", "ö", "å", "ü" });
    auto french = national({ "£", "à", "°", "ç", "§", "", "", "", "é", "ù", "è", "¨" });
    auto frenchCanadian = national({ "", "à", "â", "ç", "ê", "î", "", "ô", "é", "ù", "è", "û" });
    auto german = national({ "", "§", "Ä", "Ö", "Ü", "", "", "", "ä", "ö", "ü", "ß" });
    auto italian = national({ "£", "§", "°", "ç", "é", "", "", "ù", "à", "ò", "è", "ì" });
    auto norwegian = national({ "", "Ä", "Æ", "Ø", "Å", "Ü", "", "ä", "æ", "ø", "å", "ü" });
    auto spanish = national({ "£", "§", "¡", "Ñ", "¿", "", "", "", "°", "ñ", "ç", "" });
    auto swedish = national({ "", "É", "Ä", "Ö", "Å", "Ü", "", "é", "ä", "ö", "å", "ü" });
    auto swiss = national({ "ù", "à", "é", "ç", "ê", "î", "è", "ô", "ä", "ö", "ü", "û" });
    auto graphics = decSpecialGraphics();
    return {
        { '0', graphics },       { '2', graphics },      { 'A', national({ "£" }) }, { 'B', {} },
        { '4', dutch },          { 'C', finnish },       { '5', finnish },           { 'R', french },
        { 'Q', frenchCanadian }, { 'K', german },        { 'Y', italian },           { 'E', norwegian },
        { '6', norwegian },      { 'Z', spanish },       { 'H', swedish },           { '7', swedish },
        { '=', swiss },
    };
}

} // namespace

const std::map<uint8_t, CharSets::CharSet>& CharSets::all()
{
    static const auto sets = makeAll();
    return sets;
}

} // namespace zentrova
