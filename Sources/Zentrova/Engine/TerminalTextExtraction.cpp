#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/Utf8.h"

#include <algorithm>

namespace zentrova {
namespace {

// The right half of a wide character: it holds no character of its own.
bool isWideCharacterHalf(const BufferLine& line, int col)
{
    return col > 0 && line[col].code() == 0 && line[col - 1].width() == 2;
}

// Never written: no character and no attribute in any cell.
bool isBlankRow(const BufferLine& line)
{
    return !line.hasAnyContent();
}

struct RowText {
    std::string text;
    int characterCount = 0;
};

// Columns start up to end (-1: the row's end) of a row, trailing blanks dropped: one character per
// cell, interned clusters as their scalars, unwritten cells as spaces.
RowText rowText(const Terminal& terminal, const BufferLine& line, int start, int end)
{
    RowText result;
    const int limit = std::min({ line.getTrimmedLength(), end == -1 ? line.count() : end, line.count() });
    for (int col = std::max(start, 0); col < limit; col++) {
        if (isWideCharacterHalf(line, col))
            continue;
        for (char32_t scalar : terminal.character(line[col].code()))
            appendUtf8(result.text, scalar == U'\0' ? U' ' : scalar);
        result.characterCount++;
    }
    return result;
}

// Appends a scalar in the encoding; false when the encoding has no byte sequence for it.
bool appendEncoded(std::vector<uint8_t>& bytes, char32_t scalar, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::utf8: {
        std::string utf8;
        appendUtf8(utf8, scalar);
        bytes.insert(bytes.end(), utf8.begin(), utf8.end());
        return true;
    }
    case TextEncoding::ascii:
    case TextEncoding::isoLatin1:
        if (scalar > (encoding == TextEncoding::ascii ? 0x7Fu : 0xFFu))
            return false;
        bytes.push_back(uint8_t(scalar));
        return true;
    }
    return false;
}

} // namespace

std::vector<uint8_t> Terminal::getBufferAsData(BufferKind kind, TextEncoding encoding)
{
    Buffer& buffer = kind == BufferKind::normal ? *m_normalBuffer : kind == BufferKind::alt ? *m_altBuffer : *m_buffer;
    std::vector<uint8_t> data;
    std::vector<uint8_t> rowBytes;
    for (int row = 0; row < buffer.lines().count(); row++) {
        const BufferLine& line = buffer.line(row);
        // Unlike extracted text, a row keeps its unwritten cells (as U+0000) up to its last written one.
        int used = 0;
        for (int col = line.count() - 1; col >= 0; col--) {
            if (line[col].code() != 0) {
                used = std::min(col + line[col].width(), line.count());
                break;
            }
        }
        rowBytes.clear();
        bool encoded = true;
        for (int col = 0; col < used && encoded; col++) {
            if (isWideCharacterHalf(line, col))
                continue;
            for (char32_t scalar : character(line[col].code()))
                encoded = encoded && appendEncoded(rowBytes, scalar, encoding);
        }
        if (!encoded)
            continue;
        data.insert(data.end(), rowBytes.begin(), rowBytes.end());
        data.push_back('\n');
    }
    return data;
}

std::string Terminal::translateBufferLineToString(Buffer& buffer, int line, int start, int end)
{
    if (line < 0 || line >= buffer.lines().count())
        return {};
    return rowText(*this, buffer.line(line), start, end).text;
}

std::vector<Line> Terminal::getSelectedLines(const Position& start, const Position& end, Buffer& buffer)
{
    std::vector<Line> lines(1);
    const int rowCount = buffer.lines().count();
    if (start.row < 0 || start.row >= rowCount)
        return lines;
    const int lastRow = std::min(end.row, rowCount - 1);
    auto fragment = [&](int row, int startCol, int endCol) {
        auto [text, count] = rowText(*this, buffer.line(row), startCol, endCol);
        return LineFragment { std::move(text), row, startCol, count };
    };
    // A row that is not a soft-wrapped continuation starts a new line after a newline.
    auto addRow = [&](int row, LineFragment text) {
        if (!buffer.line(row).isWrapped()) {
            lines.back().add(LineFragment { "\n", row - 1, -1, 1 });
            lines.emplace_back();
        }
        lines.back().add(std::move(text));
    };
    // Blank rows count only between rows with text, so their fragments wait for the next such row.
    std::vector<LineFragment> pending;
    auto addPending = [&] {
        for (size_t i = 0; i < pending.size(); i++) {
            if (i > 0 && pending[i].line != pending[i - 1].line)
                lines.emplace_back();
            lines.back().add(std::move(pending[i]));
        }
        pending.clear();
    };

    if (!isBlankRow(buffer.line(start.row)))
        lines.back().add(fragment(start.row, start.col, start.row == lastRow ? end.col : -1));
    for (int row = start.row + 1; row < lastRow; row++) {
        if (isBlankRow(buffer.line(row))) {
            if (!buffer.line(row).isWrapped())
                pending.push_back(LineFragment { "\n", row - 1, -1, 1 });
            pending.push_back(fragment(row, 0, -1));
            continue;
        }
        addPending();
        addRow(row, fragment(row, 0, -1));
    }
    if (lastRow > start.row && !isBlankRow(buffer.line(lastRow))) {
        addPending();
        addRow(lastRow, fragment(lastRow, 0, end.col));
    }
    return lines;
}

std::string Terminal::getText(const Position& start, const Position& end)
{
    const bool inOrder = Position::compare(start, end) != Position::CompareResult::after;
    const Position& first = inOrder ? start : end;
    const Position& last = inOrder ? end : start;
    if (first == last)
        return {};
    std::string text;
    for (const auto& line : getSelectedLines(first, last, *m_buffer)) {
        for (const auto& fragment : line.fragments())
            text += fragment.text.value_or("");
    }
    return text;
}

} // namespace zentrova
