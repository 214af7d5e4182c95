// The buffer's bookkeeping of shell prompts: which prompt group is active, the row its prompt began
// on (kept as a row object so it follows scrolling for free), and how rows relate to it.
#include "Zentrova/Screen/Buffer.h"

#include <algorithm>
#include <limits>

namespace zentrova {
namespace {

bool isGroupOpening(SemanticPromptKind kind)
{
    return kind == SemanticPromptKind::initial || kind == SemanticPromptKind::secondary;
}

bool hasAnyOpeningMark(const BufferLine& row)
{
    const auto& marks = row.semanticMarks();
    return std::any_of(marks.begin(), marks.end(), [](const SemanticMark& mark) { return isGroupOpening(mark.kind); });
}

const SemanticMark* firstMark(const BufferLine& row, SemanticPromptKind kind)
{
    for (const auto& mark : row.semanticMarks()) {
        if (mark.kind == kind)
            return &mark;
    }
    return nullptr;
}

} // namespace

void Buffer::beginSemanticPromptGroup(int originRow)
{
    if (originRow < 0 || originRow >= m_lines->count())
        return;
    semanticGroupCounter = semanticGroupCounter == std::numeric_limits<uint64_t>::max() ? 1 : semanticGroupCounter + 1;
    activeSemanticGroupID = semanticGroupCounter;
    semanticPromptStartLine = (*m_lines)[originRow];
    semanticPromptStartRowCache = originRow;
}

void Buffer::setSemanticMark(SemanticPromptKind kind, int row, int column)
{
    if (row < 0 || row >= m_lines->count())
        return;
    BufferLine& target = line(row);
    if (target.count() == 0)
        return;
    target.setSemanticMark(kind, std::clamp(column, 0, target.count() - 1), activeSemanticGroupID);
}

bool Buffer::rowHasGroupOpeningMark(int row)
{
    const auto& marks = line(row).semanticMarks();
    return std::any_of(marks.begin(), marks.end(), [&](const SemanticMark& mark) {
        return isGroupOpening(mark.kind) && mark.group == activeSemanticGroupID;
    });
}

bool Buffer::canReuseSemanticGroup(int atRow)
{
    if (semanticInput != SemanticInputState::prompt && semanticInput != SemanticInputState::armed)
        return false;
    if (atRow < 0 || atRow >= m_lines->count())
        return false;
    const auto start = semanticPromptStartRow();
    return start && *start == atRow && rowHasGroupOpeningMark(atRow);
}

std::optional<int> Buffer::semanticPromptStartRow()
{
    if (!semanticPromptStartLine)
        return std::nullopt;
    const BufferLine* startLine = semanticPromptStartLine.get();
    const int cache = semanticPromptStartRowCache;
    if (cache >= 0 && cache < m_lines->count() && &line(cache) == startLine && hasAnyOpeningMark(*startLine))
        return cache;

    semanticPromptRowScanCount++;
    const auto found = findRow(cache, [&](const BufferLine& row) { return &row == startLine; });
    if (found && hasAnyOpeningMark(*startLine)) {
        semanticPromptStartRowCache = *found;
        return found;
    }
    const auto rebound = findSemanticPromptRebindRow();
    if (!rebound) {
        semanticPromptStartLine.reset();
        return std::nullopt;
    }
    semanticPromptStartLine = (*m_lines)[*rebound];
    semanticPromptStartRowCache = *rebound;
    return rebound;
}

std::optional<int> Buffer::findSemanticPromptRebindRow()
{
    const int count = m_lines->count();
    if (count == 0)
        return std::nullopt;
    const int cursorRow = std::clamp(m_y + m_yBase, 0, count - 1);
    for (int row = cursorRow; row >= 0; row--) {
        if (rowHasGroupOpeningMark(row))
            return row;
    }
    for (int row = cursorRow + 1; row < count; row++) {
        if (rowHasGroupOpeningMark(row))
            return row;
    }
    return std::nullopt;
}

std::vector<SemanticPromptAnchor> Buffer::semanticPromptMarks(int row)
{
    std::vector<SemanticPromptAnchor> anchors;
    if (row < 0 || row >= m_lines->count() || line(row).count() == 0)
        return anchors;
    const BufferLine& target = line(row);
    for (const auto& mark : target.semanticMarks())
        anchors.push_back({ { std::clamp(mark.column, 0, target.count() - 1), row }, mark.kind });
    return anchors;
}

std::optional<Buffer::SemanticOrigin> Buffer::rawSemanticOrigin() const
{
    if (!semanticPromptStartLine)
        return std::nullopt;
    const BufferLine& start = *semanticPromptStartLine;
    const SemanticMark* mark = firstMark(start, SemanticPromptKind::initial);
    if (!mark)
        mark = firstMark(start, SemanticPromptKind::secondary);
    if (!mark)
        return std::nullopt;
    return SemanticOrigin { &start, mark->kind, mark->column };
}

void Buffer::setSemanticPromptStartLine(const BufferLine& row)
{
    if (const auto index = absoluteRow(row)) {
        semanticPromptStartLine = (*m_lines)[*index];
        semanticPromptStartRowCache = *index;
    }
}

std::optional<Position> Buffer::activeSemanticPromptOrigin()
{
    const auto row = semanticPromptStartRow();
    if (!row || line(*row).count() == 0)
        return std::nullopt;
    const auto origin = rawSemanticOrigin();
    if (!origin)
        return std::nullopt;
    return Position { std::clamp(origin->column, 0, line(*row).count() - 1), *row };
}

std::optional<uint64_t> Buffer::originMarkGroup(int row, std::optional<int> activeOrigin)
{
    const BufferLine& target = line(row);
    if (const SemanticMark* mark = firstMark(target, SemanticPromptKind::initial))
        return mark->group;
    if (activeOrigin && *activeOrigin == row) {
        if (const SemanticMark* mark = firstMark(target, SemanticPromptKind::secondary))
            return mark->group;
    }
    return std::nullopt;
}

std::optional<uint64_t> Buffer::joiningMarkGroup(int row)
{
    for (const auto& mark : line(row).semanticMarks()) {
        if (mark.kind != SemanticPromptKind::initial && mark.group != 0)
            return mark.group;
    }
    return std::nullopt;
}

std::optional<SemanticPromptKind> Buffer::semanticRowKind(int row)
{
    if (row < 0 || row >= m_lines->count())
        return std::nullopt;
    const auto startRow = semanticPromptStartRow();
    if (originMarkGroup(row, startRow))
        return SemanticPromptKind::initial;
    if (joiningMarkGroup(row))
        return SemanticPromptKind::continuation;

    // Walk up to the prompt this row continues; hard line breaks on the way must all belong to one
    // group, and that group must be the prompt's.
    std::optional<uint64_t> chainGroup;
    bool crossedHard = false;
    for (int current = row; current > 0; current--) {
        const BufferLine& here = line(current);
        if (!here.isWrapped()) {
            const auto group = here.semanticHardContinuationGroup();
            if (!group || (chainGroup && *chainGroup != *group))
                return std::nullopt;
            chainGroup = group;
            crossedHard = true;
        }
        auto aboveGroup = originMarkGroup(current - 1, startRow);
        if (!aboveGroup)
            aboveGroup = joiningMarkGroup(current - 1);
        if (aboveGroup) {
            if (!crossedHard || *aboveGroup == *chainGroup)
                return SemanticPromptKind::continuation;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool Buffer::rowContinuesActiveGroupHard(int row)
{
    if (row < 0 || row >= m_lines->count() || activeSemanticGroupID == 0)
        return false;
    if (line(row).semanticHardContinuationGroup() == activeSemanticGroupID)
        return true;
    return joiningMarkGroup(row) == activeSemanticGroupID;
}

std::optional<Position> Buffer::semanticPromptRelativeOrigin(const Position& position)
{
    const auto origin = activeSemanticPromptOrigin();
    if (!origin)
        return std::nullopt;
    if (position.row < origin->row)
        return origin;
    Position candidate = *origin;
    const int last = std::min(position.row, m_lines->count() - 1);
    for (int row = origin->row; row <= last; row++) {
        for (const auto& mark : line(row).semanticMarks()) {
            const bool before = row < position.row || mark.column <= position.col;
            if (mark.kind == SemanticPromptKind::secondary && mark.group == activeSemanticGroupID && before)
                candidate = { mark.column, row };
        }
    }
    return candidate;
}

} // namespace zentrova
