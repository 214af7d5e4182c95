#include "Zentrova/Parser/EscapeSequences.h"

#include <array>
#include <mutex>

namespace zentrova {

namespace {

struct SequenceTable {
#define ZENTROVA_DEFINE_FIELD(name, setter, ...) EscapeSequences::Bytes name { __VA_ARGS__ };
    ZENTROVA_ESCAPE_SEQUENCES(ZENTROVA_DEFINE_FIELD)
#undef ZENTROVA_DEFINE_FIELD

    // Note the gaps: there is no 16 and no 22 in the function-key numbering.
    std::array<EscapeSequences::Bytes, EscapeSequences::functionKeyCount> functionKeys {{
        { 0x1B, 'O', 'P' },
        { 0x1B, 'O', 'Q' },
        { 0x1B, 'O', 'R' },
        { 0x1B, 'O', 'S' },
        { 0x1B, '[', '1', '5', '~' },
        { 0x1B, '[', '1', '7', '~' },
        { 0x1B, '[', '1', '8', '~' },
        { 0x1B, '[', '1', '9', '~' },
        { 0x1B, '[', '2', '0', '~' },
        { 0x1B, '[', '2', '1', '~' },
        { 0x1B, '[', '2', '3', '~' },
        { 0x1B, '[', '2', '4', '~' },
    }};
};

std::mutex tableMutex;

SequenceTable& table()
{
    static SequenceTable instance;
    return instance;
}

} // namespace

#define ZENTROVA_DEFINE_ACCESSORS(name, setter, ...)     \
    EscapeSequences::Bytes EscapeSequences::name()      \
    {                                                    \
        std::lock_guard lock(tableMutex);                \
        return table().name;                             \
    }                                                    \
    void EscapeSequences::setter(Bytes bytes)            \
    {                                                    \
        std::lock_guard lock(tableMutex);                \
        table().name = std::move(bytes);                 \
    }
ZENTROVA_ESCAPE_SEQUENCES(ZENTROVA_DEFINE_ACCESSORS)
#undef ZENTROVA_DEFINE_ACCESSORS

EscapeSequences::Bytes EscapeSequences::cmdF(int index)
{
    if (index < 0 || index >= functionKeyCount)
        return {};
    std::lock_guard lock(tableMutex);
    return table().functionKeys[static_cast<size_t>(index)];
}

void EscapeSequences::setCmdF(int index, Bytes bytes)
{
    if (index < 0 || index >= functionKeyCount)
        return;
    std::lock_guard lock(tableMutex);
    table().functionKeys[static_cast<size_t>(index)] = std::move(bytes);
}

} // namespace zentrova
