#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace zentrova {

// The replacement tables behind the VT character-set designations: DEC special graphics (line
// drawing) and the national replacement sets. A byte without an entry prints as itself.
class CharSets {
public:
    using CharSet = std::map<uint8_t, std::string>; // byte -> replacement character (UTF-8)

    CharSets() = delete;

    // Every set by designator (the final byte of the designation sequence), built once.
    static const std::map<uint8_t, CharSet>& all();
};

} // namespace zentrova
