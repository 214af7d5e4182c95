// Printing: UTF-8 decoding that survives a character split across two reads, the G-set mapping,
// column widths, wide characters, and combining marks and emoji sequences glued to the cell before.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/GraphemeCluster.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Screen/UnicodeUtil.h"
#include "Zentrova/Screen/UnicodeWidthData.h"
#include "Zentrova/Screen/Utf8.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>

namespace zentrova {
namespace {

constexpr char32_t zeroWidthJoiner = 0x200D;
constexpr char32_t textPresentationSelector = 0xFE0E;
constexpr char32_t emojiPresentationSelector = 0xFE0F;

bool isPrintableAscii(uint8_t byte)
{
    return byte >= 0x20 && byte < 0x7F;
}

bool isContinuation(uint8_t byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence a byte starts; 1 for ASCII and for bytes that cannot start one.
int sequenceLength(uint8_t byte)
{
    const uint8_t entry = UnicodeUtil::first[byte];
    return entry >= 0xF0 ? 1 : entry & 0x0F;
}

bool isRegionalIndicator(char32_t scalar)
{
    return scalar >= 0x1F1E6 && scalar <= 0x1F1FF;
}

// Scalars that always join the character before them, whatever their width.
bool alwaysJoins(char32_t scalar, int width)
{
    return width == 0 || scalar == zeroWidthJoiner || (scalar >= 0xFE00 && scalar <= 0xFE0F)
        || (scalar >= 0xE0100 && scalar <= 0xE01EF) || (scalar >= 0x180B && scalar <= 0x180D) || scalar == 0x180F
        || (scalar >= 0x1F3FB && scalar <= 0x1F3FF);
}

bool acceptsPresentationSelector(char32_t scalar)
{
    const auto& table = UnicodeWidthData::emojiVs16Base;
    return UnicodeUtil::bisearch(scalar, table, int(table.size()) - 1);
}

// Width and combining class of the basic and the supplementary multilingual plane (where the emoji
// are), looked up once per process: CJK text and emoji would otherwise search the width tables and
// ask ICU for every character.
struct CommonPlaneProperties {
    static constexpr char32_t end = 0x20000;
    std::array<int8_t, end> widths;
    std::bitset<end> combining; // canonical combining class other than 0
    // Takes a cell of its own after any cell but one that ends in a zero-width joiner.
    std::bitset<end> standalone;

    CommonPlaneProperties()
    {
        for (char32_t scalar = 0; scalar < end; scalar++) {
            const int width = isUnicodeScalar(scalar) ? UnicodeUtil::computeColumnWidth(scalar) : -1;
            widths[scalar] = int8_t(width);
            combining[scalar] = u_getCombiningClass(UChar32(scalar)) != 0;
            standalone[scalar] = width > 0 && !alwaysJoins(scalar, width) && !isRegionalIndicator(scalar)
                && !(scalar >= 0x0300 && combining[scalar]);
        }
    }
};

const CommonPlaneProperties& commonPlanes()
{
    static const CommonPlaneProperties properties;
    return properties;
}

int scalarWidth(char32_t scalar)
{
    if (scalar < 0x2000)
        return UnicodeUtil::lowPlaneWidths()[scalar];
    if (scalar < CommonPlaneProperties::end)
        return commonPlanes().widths[scalar];
    return UnicodeUtil::computeColumnWidth(scalar);
}

bool hasCombiningClass(char32_t scalar)
{
    return scalar < CommonPlaneProperties::end ? commonPlanes().combining[scalar]
                                               : u_getCombiningClass(UChar32(scalar)) != 0;
}

// All bytes are printable ASCII (0x20...0x7E); eight at a time, as most output is. Per byte: the
// high bit is set from 0x80 on, becomes set by adding 1 to 0x7F, and becomes set by subtracting
// 0x20 from a byte below 0x20 (where borrows start, so the first such byte is always flagged).
bool isPrintableAsciiRun(std::span<const uint8_t> bytes)
{
    constexpr uint64_t ones = 0x0101010101010101ULL;
    constexpr uint64_t highBits = ones * 0x80;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if ((word | (word + ones) | ((word - ones * 0x20) & ~word)) & highBits)
            return false;
    }
    return std::all_of(bytes.begin() + std::ptrdiff_t(i), bytes.end(), isPrintableAscii);
}

} // namespace

// A scalar that is no combining mark but still continues the character in the cell: anything after
// a zero-width joiner, and the second regional indicator of a flag.
bool Terminal::continuesSequence(uint32_t targetCode, char32_t scalar) const
{
    if (!InternedCharacters::isInternedCode(targetCode))
        return isRegionalIndicator(scalar) && isRegionalIndicator(targetCode);
    const std::u32string* text = m_interned.cluster(targetCode);
    if (!text)
        return false;
    return text->back() == zeroWidthJoiner
        || (isRegionalIndicator(scalar) && text->size() == 1 && isRegionalIndicator((*text)[0]));
}

void Terminal::handlePrint(std::span<const uint8_t> data)
{
    if (data.empty())
        return;
    Buffer& buffer = *m_buffer;
    buffer.curAttr = curAttr;
    auto& held = m_readingBuffer.putbackBuffer;
    if (!held.empty() && m_readingBuffer.printStateResetCount != m_parser->printStateResetCount())
        held.clear();

    if (!charset && held.empty() && isPrintableAsciiRun(data)) {
        updateRange(buffer.y());
        const int written = buffer.insertAsciiRun(data, curAttr, hyperlinkResolver());
        if (size_t(written) == data.size()) {
            rememberPrinted(data.back(), 1);
            updateRange(buffer.y());
            return;
        }
        // Auto-wrap is off and the run reached the right margin (or insert mode is on): the rest
        // goes cell by cell.
        data = data.subspan(size_t(written));
    }

    updateRange(buffer.y());
    if (held.empty()) {
        printRun(data);
    } else {
        // The start of a character arrived with the previous run.
        std::vector<uint8_t> joined;
        joined.swap(held);
        joined.insert(joined.end(), data.begin(), data.end());
        printRun(joined);
    }
    updateRange(m_buffer->y());
}

void Terminal::printRun(std::span<const uint8_t> run)
{
    const CommonPlaneProperties& planes = commonPlanes();
    // The cell left of the cursor was written by this run and nothing but a combining mark or a
    // joiner-like scalar can join it: with auto-wrap on, a character that takes a cell of its own
    // lands right after it and needs no join checks.
    bool afterPlainCell = false;
    // The link payload of such characters, looked up at the first of them.
    std::optional<TinyAtom> payload;

    const size_t length = run.size();
    size_t i = 0;
    while (i < length) {
        const uint8_t lead = run[i];
        if (lead < 0x80) {
            afterPlainCell = false;
            if (!charset && !m_buffer->insertMode && isPrintableAscii(lead)) {
                // A stretch of plain ASCII inside mixed text: it never joins a cell, so it can go
                // in one run.
                size_t end = i + 1;
                while (end < length && isPrintableAscii(run[end]))
                    end++;
                const size_t written
                    = size_t(m_buffer->insertAsciiRun(run.subspan(i, end - i), curAttr, hyperlinkResolver()));
                if (written > 0)
                    rememberPrinted(run[i + written - 1], 1);
                i += written;
                afterPlainCell = i == end;
                while (i < end)
                    printByte(run[i++]);
                continue;
            }
            printByte(lead);
            i++;
            continue;
        }
        const int needed = sequenceLength(lead);
        size_t read = 1;
        while (read < size_t(needed) && i + read < length && isContinuation(run[i + read]))
            read++;
        if (needed > 1 && read == size_t(needed)) {
            char32_t value = lead & (0xFF >> (needed + 1));
            for (size_t k = 1; k < size_t(needed); k++)
                value = value << 6 | (run[i + k] & 0x3F);
            static constexpr char32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
            i += size_t(needed);
            if (value < smallest[needed] || !isUnicodeScalar(value)) {
                afterPlainCell = false;
                printByte(lead);
                continue;
            }
            const bool standalone = value < 0x10000 && planes.standalone[value];
            if (standalone && afterPlainCell) {
                if (!payload) {
                    const auto resolve = hyperlinkResolver();
                    payload = resolve ? resolve().value_or(TinyAtom {}) : TinyAtom {};
                }
                m_buffer->insertResolvedCharacter(printTemplate().withValue(int32_t(value), planes.widths[value]), *payload);
                rememberPrinted(value, planes.widths[value]);
                continue;
            }
            printScalar(value, scalarWidth(value));
            // With auto-wrap off a wide character may not have found room.
            afterPlainCell = standalone && m_buffer->wraparound;
            continue;
        }
        afterPlainCell = false;
        if (needed > 1 && i + read == length) {
            // The rest of the character is still to come.
            m_readingBuffer.putbackBuffer.assign(run.begin() + std::ptrdiff_t(i), run.end());
            m_readingBuffer.printStateResetCount = m_parser->printStateResetCount();
            return;
        }
        // A byte that cannot start a sequence prints as itself; after a lead byte, a byte that
        // cannot continue the sequence has the lead byte print as itself, the continuation bytes
        // read so far dropped and the offending byte read afresh.
        printByte(lead);
        i += read;
    }
}

void Terminal::printByte(uint8_t byte)
{
    if (charset && byte < 0x7F) {
        if (const auto mapped = charset->find(byte); mapped != charset->end() && !mapped->second.empty()) {
            const std::string& text = mapped->second;
            int32_t offset = 0;
            UChar32 scalar;
            U8_NEXT(text.data(), offset, int32_t(text.size()), scalar);
            if (scalar >= 0) {
                CharData cell = printTemplate();
                cell.setValue(int32_t(code(std::u32string(1, char32_t(scalar)))), 1);
                m_buffer->insertCharacter(cell, hyperlinkResolver());
                rememberPrinted(cell.code(), 1);
            }
            return;
        }
    }
    // Latin-1: bytes that are not UTF-8 print as the code point of the same value.
    const int width = UnicodeUtil::lowPlaneWidths()[byte];
    if (width < 1)
        return;
    CharData cell = printTemplate();
    cell.setValue(byte, width);
    m_buffer->insertCharacter(cell, hyperlinkResolver());
    rememberPrinted(byte, width);
}

void Terminal::printScalar(char32_t scalar, int width)
{
    if (width < 0)
        return;
    if (width == 2 && options.regionalIndicatorWidth == RegionalIndicatorWidth::narrow && isRegionalIndicator(scalar))
        width = 1;

    Buffer& buffer = *m_buffer;
    const int ringRow = buffer.y() + buffer.yBase();
    const BufferLine& row = buffer.line(ringRow);
    const int col = combiningColumn(buffer, row);
    bool joins = alwaysJoins(scalar, width) || (scalar >= 0x0300 && hasCombiningClass(scalar));
    if (!joins && col >= 0)
        joins = continuesSequence(row.data()[col].code(), scalar);
    if (joins && col >= 0 && joinCluster(ringRow, col, scalar))
        return;
    if (width == 0)
        return;
    CharData cell = printTemplate();
    cell.setValue(int32_t(code(std::u32string_view(&scalar, 1))), width);
    buffer.insertCharacter(cell, hyperlinkResolver());
    rememberPrinted(cell.code(), width);
}

// Glues `scalar` to the cell at (ringRow, col); false when the two do not make one character, so
// the scalar takes a cell of its own.
bool Terminal::joinCluster(int ringRow, int col, char32_t scalar)
{
    Buffer& buffer = *m_buffer;
    BufferLine& row = buffer.line(ringRow);
    col = std::min(col, row.count() - 1);
    CharData cell = row[col];
    const bool selector = scalar == textPresentationSelector || scalar == emojiPresentationSelector;
    // Only emoji that have both presentations take a selector; elsewhere it is dropped.
    if (selector && !acceptsPresentationSelector(character(cell.code()).back()))
        return true;
    const uint32_t joined = joinedCode(cell.code(), scalar);
    if (joined == 0)
        return false;

    cell.setValue(int32_t(joined), cell.width());
    if (scalar == textPresentationSelector) {
        if (cell.width() == 2) {
            cell.setValue(int32_t(cell.code()), 1);
            buffer.setX(std::max(buffer.x() - 1, 0));
        }
        row.setCell(col, cell);
    } else if (scalar == emojiPresentationSelector
               || (options.regionalIndicatorWidth == RegionalIndicatorWidth::narrow && isRegionalIndicator(scalar))) {
        widenCell(row, col, cell);
    } else {
        row.setCell(col, cell);
    }
    rememberPrinted(row[col].code(), row[col].width());
    updateRange(ringRow - buffer.yBase());
    return true;
}

// The code of the cell's character followed by `scalar`, or 0 when the two are not one character
// or the cell's character is as long as a cell's may be. Remembered per pair: emoji sequences repeat, and deciding needs the grapheme rules and the table.
uint32_t Terminal::joinedCode(uint32_t targetCode, char32_t scalar)
{
    const uint64_t key = uint64_t(targetCode) << 32 | scalar;
    if (const auto found = m_joinedCodes.find(key))
        return *found;
    std::u32string text = character(targetCode);
    // A full cell takes no more: the scalar is dropped or takes a cell of its own, as after any
    // character it does not belong to.
    if (text.size() >= InternedCharacters::maxClusterLength) {
        rememberCode(key, 0);
        return 0;
    }
    text.push_back(scalar);
    const uint32_t joined = isSingleGraphemeCluster(text) ? code(text) : 0;
    rememberCode(key, joined);
    return joined;
}

void Terminal::rememberCode(uint64_t key, uint32_t code)
{
    if (m_joinedCodes.size() >= InternedCharacters::capacity)
        m_joinedCodes.clear();
    m_joinedCodes.remember(key, code);
}

// Stores `cell` at `col` two columns wide, with a filler after it, and moves the cursor past the
// filler; a cell in the last column stays one wide.
void Terminal::widenCell(BufferLine& row, int col, const CharData& cell)
{
    CharData wide = cell;
    if (wide.width() != 2 && col + 1 < cols) {
        wide.setValue(int32_t(wide.code()), 2);
        row.setCell(col + 1, CharData(wide.attribute(), 0, 0, {}, wide.semanticContentCode()));
        m_buffer->setX(m_buffer->x() + 1);
    }
    row.setCell(col, wide);
}

std::optional<std::pair<int, int>> Terminal::combiningTarget(Buffer& buffer)
{
    const int ringRow = buffer.y() + buffer.yBase();
    const int col = combiningColumn(buffer, buffer.line(ringRow));
    if (col < 0)
        return std::nullopt;
    return std::pair { ringRow, col };
}

// The column of the cell a combining character joins on the cursor's row, or -1. A plain int: the
// print path asks for every character.
int Terminal::combiningColumn(const Buffer& buffer, const BufferLine& row)
{
    if (buffer.x() == 0 || row.count() == 0)
        return -1;
    const CharData* cells = row.data();
    int col = std::min(buffer.x() - 1, row.count() - 1);
    // The right half of a wide character is a filler of width 0: the character is left of it.
    while (col > 0 && cells[col].width() == 0)
        col--;
    const CharData& cell = cells[col];
    return cell.width() <= 0 || cell.code() == 0 ? -1 : col;
}

const CharData& Terminal::printTemplate()
{
    if (!(m_printTemplateAttr == curAttr)) {
        m_printTemplateAttr = curAttr;
        m_printTemplate = CharData(curAttr, 0, 1);
    }
    return m_printTemplate;
}

uint32_t Terminal::code(std::u32string_view character)
{
    if (character.size() == 1 && character[0] <= 0xFFFF)
        return character[0];
    if (character == U"\r\n")
        return '\n';
    if (character.empty())
        return 0;
    // A lone scalar is remembered under the pair (0, scalar): no cell joins code 0.
    if (character.size() == 1) {
        if (const auto found = m_joinedCodes.find(character[0]))
            return *found;
        const uint32_t interned = internOrFallBack(character);
        rememberCode(character[0], interned);
        return interned;
    }
    return internOrFallBack(character);
}

uint32_t Terminal::internOrFallBack(std::u32string_view character)
{
    if (auto interned = m_interned.intern(character))
        return *interned;
    // The table is full. Look for codes no cell holds any more, but not for every new cluster: a
    // screen that really holds that many would be scanned over and over.
    if (m_interned.newClustersSinceCollection() >= InternedCharacters::capacity / 8) {
        collectInternedCharacters();
        if (auto interned = m_interned.intern(character))
            return *interned;
    }
    // No room: the cell keeps the cluster's first scalar.
    return character[0];
}

void Terminal::collectInternedCharacters()
{
    std::vector<bool> live(InternedCharacters::capacity, false);
    for (Buffer* each : { m_normalBuffer.get(), m_altBuffer.get() }) {
        for (int index = 0; index < each->lines().count(); index++) {
            const BufferLine& row = each->line(index);
            const CharData* cells = row.data();
            for (int col = 0; col < row.count(); col++) {
                if (InternedCharacters::isInternedCode(cells[col].code()))
                    live[cells[col].code() - InternedCharacters::firstCode] = true;
            }
        }
    }
    m_interned.retainOnly(live);
    // Freed codes will stand for other characters.
    m_joinedCodes.clear();
}

std::u32string Terminal::character(uint32_t code) const
{
    if (code < InternedCharacters::firstCode && isUnicodeScalar(code))
        return std::u32string(1, char32_t(code));
    if (const auto* cluster = m_interned.cluster(code))
        return *cluster;
    return U" ";
}

std::string Terminal::getCharacter(uint32_t code) const
{
    std::string text;
    for (char32_t scalar : character(code))
        appendUtf8(text, scalar);
    return text;
}

} // namespace zentrova
