#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"

#include <vector>

namespace zentrova {
namespace {

// Joins the rows, dropping trailing `blank` characters of each row and the empty rows at the end.
std::string joinRows(std::vector<std::string> rows, char blank)
{
    for (auto& row : rows) {
        while (!row.empty() && row.back() == blank)
            row.pop_back();
    }
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    std::string text;
    for (size_t i = 0; i < rows.size(); i++)
        text += (i == 0 ? "" : "|") + rows[i];
    return text;
}

} // namespace

std::string screenText(Terminal& terminal)
{
    std::vector<std::string> rows;
    for (int y = 0; y < terminal.rows; y++) {
        std::string row;
        const BufferLine* line = terminal.getLine(y);
        for (int x = 0; line && x < line->count(); x++) {
            const CharData& cell = (*line)[x];
            if (cell.code() != 0)
                row += terminal.getCharacter(cell.code());
            else if (cell.width() != 0)
                row += ' ';
        }
        rows.push_back(row);
    }
    return joinRows(rows, ' ');
}

std::string screenAttributes(Terminal& terminal)
{
    std::vector<Attribute> seen;
    std::vector<std::string> rows;
    for (int y = 0; y < terminal.rows; y++) {
        std::string row;
        const BufferLine* line = terminal.getLine(y);
        for (int x = 0; line && x < line->count(); x++) {
            const Attribute attribute = (*line)[x].attribute();
            if (attribute == CharData::Null.attribute()) {
                row += '.';
                continue;
            }
            size_t index = 0;
            while (index < seen.size() && !(seen[index] == attribute))
                index++;
            if (index == seen.size())
                seen.push_back(attribute);
            row += char('a' + index);
        }
        rows.push_back(row);
    }
    return joinRows(rows, '.');
}

std::string cursorText(Terminal& terminal)
{
    const auto [x, y] = terminal.getCursorLocation();
    return std::to_string(x) + "," + std::to_string(y);
}

} // namespace zentrova
