// Shell-integration prompts: the shell marks where its prompt, the command line and the output
// begin (OSC 133); the terminal keeps those zones on the active screen, notices when the user submits
// the command line, and turns a click inside the command line into the keys or the mouse report that
// move the shell's editing cursor there.
#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace zentrova {
namespace {

// What the options of one OSC 133 command ask for.
struct SemanticPromptOptions {
    SemanticPromptKind kind = SemanticPromptKind::initial;
    std::optional<SemanticPromptClickMode> clickEvents;
    std::optional<SemanticPromptCursorClickMode> cursorClickMode;
    bool specialKey = false;
};

// The layout of the active prompt group's input: rows top down, the input offset at the start of
// each row, its logical line and where that line starts.
struct SemanticGroupGeometry {
    std::vector<int> rows;
    std::vector<int> rowStartOffsets;
    std::vector<int> lineIndexes;
    std::vector<int> lineStartOffsets;
    int totalCells = 0;
    bool hasInput = false;
};

struct SemanticOffset {
    int offset = 0;
    int line = 0;
    int offsetInLine = 0;
};

// Later fields win; a field without "=" and an unknown key are skipped; a bad value spoils all.
std::optional<SemanticPromptOptions> parseSemanticPromptOptions(std::span<const std::string_view> fields)
{
    SemanticPromptOptions options;
    for (std::string_view field : fields) {
        const size_t equals = field.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = field.substr(0, equals);
        const std::string_view value = field.substr(equals + 1);
        if (key == "k") {
            static constexpr std::string_view kinds[] = { "i", "r", "c", "s" };
            const auto found = std::find(std::begin(kinds), std::end(kinds), value);
            if (found == std::end(kinds))
                return std::nullopt;
            options.kind = SemanticPromptKind(found - std::begin(kinds));
        } else if (key == "cl") {
            static constexpr std::string_view modes[] = { "line", "m", "v", "w" };
            const auto found = std::find(std::begin(modes), std::end(modes), value);
            if (found == std::end(modes))
                return std::nullopt;
            options.cursorClickMode = SemanticPromptCursorClickMode(found - std::begin(modes));
        } else if (key == "click_events") {
            if (value == "0")
                options.clickEvents.reset();
            else if (value == "1")
                options.clickEvents = SemanticPromptClickMode::clickEventsAbsolute;
            else if (value == "2")
                options.clickEvents = SemanticPromptClickMode::clickEventsRelative;
            else
                return std::nullopt;
        } else if (key == "special_key") {
            if (value != "0" && value != "1")
                return std::nullopt;
            options.specialKey = value == "1";
        }
    }
    return options;
}

// Input cells among the first `before` cells of a row (right halves of wide characters not counted).
int semanticInputCellCount(const BufferLine& row, int cols, int before)
{
    const int end = std::min({ row.count(), cols, before });
    int count = 0;
    for (int col = 0; col < end; col++) {
        const CharData& cell = row[col];
        if (cell.width() != 0 && SemanticContent::fromCode(cell.semanticContentCode()) == SemanticContent::input)
            count++;
    }
    return count;
}

std::optional<SemanticGroupGeometry> semanticGroupGeometry(Buffer& buffer, int cols)
{
    const auto start = buffer.semanticPromptStartRow();
    if (!start)
        return std::nullopt;
    SemanticGroupGeometry geometry;
    int offset = 0;
    int lineIndex = 0;
    int lineStart = 0;
    for (int row = *start; row < buffer.lines().count();) {
        geometry.rows.push_back(row);
        geometry.rowStartOffsets.push_back(offset);
        geometry.lineIndexes.push_back(lineIndex);
        geometry.lineStartOffsets.push_back(lineStart);
        const int cells = semanticInputCellCount(buffer.line(row), cols, cols);
        geometry.hasInput = geometry.hasInput || cells > 0;
        offset += cells;
        row++;
        if (row >= buffer.lines().count())
            break;
        if (buffer.line(row).isWrapped())
            continue;
        if (!buffer.rowContinuesActiveGroupHard(row))
            break;
        // The line break between two logical lines counts as one cell of input.
        offset++;
        lineIndex++;
        lineStart = offset;
    }
    geometry.totalCells = offset;
    return geometry;
}

std::optional<SemanticOffset> semanticOffset(const Position& position, const SemanticGroupGeometry& geometry,
                                             Buffer& buffer, int cols)
{
    const auto found = std::find(geometry.rows.begin(), geometry.rows.end(), position.row);
    if (found == geometry.rows.end())
        return std::nullopt;
    const size_t i = size_t(found - geometry.rows.begin());
    const int offset = geometry.rowStartOffsets[i] + semanticInputCellCount(buffer.line(position.row), cols, position.col);
    return SemanticOffset { offset, geometry.lineIndexes[i], offset - geometry.lineStartOffsets[i] };
}

} // namespace

void Terminal::oscSemanticPrompt(std::span<const uint8_t> payload)
{
    if (isCurrentBufferAlternate() || payload.empty() || !isValidUtf8(payload))
        return;
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    const std::vector<std::string_view> fields = splitKeepingEmpty(text, ';');
    if (fields[0].size() != 1)
        return;
    const auto options = parseSemanticPromptOptions(std::span(fields).subspan(1));
    if (!options)
        return;

    Buffer& buffer = *m_buffer;
    const SemanticPromptClickMode clickMode = options->clickEvents ? *options->clickEvents
        : options->cursorClickMode                                 ? SemanticPromptClickMode::cursorKeys(*options->cursorClickMode)
                                                                   : SemanticPromptClickMode::none;
    auto installModes = [&] {
        buffer.semanticClickMode = clickMode;
        buffer.semanticUsesSpecialCursorKeys = options->specialKey;
    };
    const SemanticPromptKind kind = options->kind;

    switch (fields[0][0]) {
    case 'A':
    case 'N': {
        if (kind == SemanticPromptKind::right) {
            markCurrentSemanticPrompt(kind);
            return;
        }
        semanticFreshLine();
        if (kind == SemanticPromptKind::continuation) {
            buffer.semanticContent = SemanticContent::prompt(kind);
            buffer.semanticInput = SemanticInputState::prompt;
            return;
        }
        const int row = buffer.y() + buffer.yBase();
        bool open = fields[0][0] == 'N';
        if (!open)
            open = kind == SemanticPromptKind::secondary ? !buffer.semanticPromptStartRow() : !buffer.canReuseSemanticGroup(row);
        if (open) {
            buffer.beginSemanticPromptGroup(row);
            if (row < buffer.lines().count() && buffer.line(row).semanticHardContinuationGroup())
                buffer.line(row).setSemanticHardContinuationGroup(std::nullopt);
            installModes();
        } else if (kind == SemanticPromptKind::initial) {
            installModes();
        }
        markCurrentSemanticPrompt(kind);
        buffer.semanticContent = SemanticContent::prompt(kind);
        buffer.semanticInput = SemanticInputState::prompt;
        return;
    }
    case 'P':
        if (kind == SemanticPromptKind::initial) {
            const int row = buffer.y() + buffer.yBase();
            if (!buffer.canReuseSemanticGroup(row))
                buffer.beginSemanticPromptGroup(row);
            installModes();
        }
        markCurrentSemanticPrompt(kind);
        buffer.semanticContent = SemanticContent::prompt(kind);
        return;
    case 'B':
    case 'I':
        buffer.semanticContent = SemanticContent::input;
        buffer.semanticInput = SemanticInputState::armed;
        return;
    case 'C':
    case 'D':
        buffer.semanticContent = SemanticContent::output;
        buffer.semanticInput = SemanticInputState::submitted;
        clearEchoedEnterContinuationBeforeOutput();
        return;
    case 'L':
        semanticFreshLine();
        return;
    default:
        return;
    }
}

void Terminal::semanticFreshLine()
{
    const int leftEdge = marginMode ? m_buffer->marginLeft() : 0;
    if (m_buffer->x() != leftEdge) {
        cmdCarriageReturn();
        cmdLineFeedBasic();
    }
}

void Terminal::markCurrentSemanticPrompt(SemanticPromptKind kind)
{
    if (kind == SemanticPromptKind::continuation)
        return;
    m_buffer->setSemanticMark(kind, m_buffer->y() + m_buffer->yBase(), m_buffer->x());
    updateRange(m_buffer->y());
}

std::optional<SemanticContent> Terminal::semanticContent(const Position& at)
{
    if (at.col < 0 || at.col >= cols || at.row < 0 || at.row >= m_buffer->lines().count())
        return std::nullopt;
    const BufferLine& row = m_buffer->line(at.row);
    return SemanticContent::fromCode(row[std::min(at.col, row.count() - 1)].semanticContentCode());
}

std::optional<int> Terminal::semanticRow(const BufferLine& lineIdentity, uint64_t recycleGeneration)
{
    if (lineIdentity.recycleGeneration() != recycleGeneration)
        return std::nullopt;
    return m_buffer->findRow(m_buffer->semanticPromptStartRowCache,
                             [&](const BufferLine& row) { return &row == &lineIdentity; });
}

BufferLine* Terminal::bufferLine(int row)
{
    if (row < 0 || row >= m_buffer->lines().count())
        return nullptr;
    return &m_buffer->line(row);
}

void Terminal::sendUserInput(std::span<const uint8_t> data)
{
    if (scanUserInputForSubmission(data) && m_buffer->semanticInput == SemanticInputState::armed)
        m_buffer->semanticInput = SemanticInputState::submitted;
    if (m_delegate)
        m_delegate->send(*this, data);
}

bool Terminal::scanUserInputForSubmission(std::span<const uint8_t> data)
{
    bool submitted = false;
    for (const uint8_t byte : data) {
        if (byte == '\r' || byte == '\n') {
            m_semanticScanState = SemanticScanState::ground;
            submitted = submitted || !m_semanticScanInPaste;
            continue;
        }
        switch (m_semanticScanState) {
        case SemanticScanState::ground:
            if (byte == 0x1B)
                m_semanticScanState = SemanticScanState::escape;
            break;
        case SemanticScanState::escape:
            if (byte == 'O') {
                m_semanticScanState = SemanticScanState::ss3;
            } else if (byte == '[') {
                m_semanticScanState = SemanticScanState::csi;
                m_semanticScanParams.clear();
            } else if (byte != 0x1B) {
                m_semanticScanState = SemanticScanState::ground;
            }
            break;
        case SemanticScanState::csi:
            if (byte >= 0x20 && byte <= 0x3F) {
                if (m_semanticScanParams.size() < 32)
                    m_semanticScanParams.push_back(byte);
            } else if (byte >= 0x40 && byte <= 0x7E) {
                submitted = interpretSemanticCSI(byte) || submitted;
                m_semanticScanState = SemanticScanState::ground;
            } else {
                m_semanticScanState = byte == 0x1B ? SemanticScanState::escape : SemanticScanState::ground;
            }
            break;
        case SemanticScanState::ss3:
            submitted = submitted || byte == 'M';
            m_semanticScanState = SemanticScanState::ground;
            break;
        }
    }
    return submitted;
}

bool Terminal::interpretSemanticCSI(uint8_t final)
{
    // Parameter bytes are 0x20-0x3F, so the text is plain ASCII.
    const std::string params(m_semanticScanParams.begin(), m_semanticScanParams.end());
    if (final == '~') {
        if (params == "200")
            m_semanticScanInPaste = true;
        else if (params == "201")
            m_semanticScanInPaste = false;
        return false;
    }
    if (final != 'u')
        return false;
    const auto fields = splitKeepingEmpty(params, ';');
    if (fields[0].substr(0, fields[0].find(':')) != "13")
        return false;
    if (fields.size() > 1) {
        const auto parts = splitKeepingEmpty(fields[1], ':');
        if (parts.size() > 1)
            return parts[1] != "3";
    }
    return true;
}

void Terminal::resetUserInputScanner()
{
    m_semanticScanState = SemanticScanState::ground;
    m_semanticScanInPaste = false;
    m_semanticScanParams.clear();
}

void Terminal::semanticNoteAlternateScreenSwitch()
{
    for (Buffer* buffer : { m_normalBuffer.get(), m_altBuffer.get() }) {
        buffer->semanticInput = SemanticInputState::submitted;
        if (buffer->semanticContent != SemanticContent::none)
            buffer->semanticContent = SemanticContent::output;
    }
}

void Terminal::resetSemanticPromptState(bool clearingScreenMarks)
{
    for (Buffer* buffer : { m_normalBuffer.get(), m_altBuffer.get() }) {
        buffer->semanticContent = SemanticContent::none;
        buffer->semanticInput = SemanticInputState::idle;
        buffer->semanticClickMode = SemanticPromptClickMode::none;
        buffer->semanticUsesSpecialCursorKeys = false;
        buffer->semanticPromptStartLine.reset();
        if (!clearingScreenMarks)
            continue;
        const int end = std::min(buffer->yBase() + rows, buffer->lines().count());
        for (int row = buffer->yBase(); row < end; row++) {
            BufferLine& line = buffer->line(row);
            line.destroySemanticState();
        }
    }
    resetUserInputScanner();
}

bool Terminal::semanticClickModifiersAllowed(SemanticPromptClickModifiers modifiers) const
{
    switch (semanticPromptClickBehavior.kind) {
    case SemanticPromptClickBehavior::Kind::disabled:
        return false;
    case SemanticPromptClickBehavior::Kind::enabled:
        return modifiers.isEmpty();
    case SemanticPromptClickBehavior::Kind::requireModifier:
        return modifiers == semanticPromptClickBehavior.modifiers;
    }
    return false;
}

bool Terminal::mightRouteSemanticPromptClick(SemanticPromptClickModifiers modifiers,
                                             const SemanticPromptPointerSnapshot& snapshot)
{
    const bool plainClick = snapshot.pressWasSemanticEligible && snapshot.clickCount == 1
        && !snapshot.selectionWasActive && !snapshot.didDrag;
    return plainClick && semanticClickModifiersAllowed(modifiers) && !isCurrentBufferAlternate()
        && m_buffer->semanticInput == SemanticInputState::armed
        && m_buffer->semanticClickMode != SemanticPromptClickMode::none;
}

bool Terminal::handleSemanticPromptClick(const Position& at, SemanticPromptClickModifiers modifiers,
                                         const SemanticPromptPointerSnapshot& snapshot)
{
    const bool plainClick = snapshot.pressWasSemanticEligible && snapshot.clickCount == 1
        && !snapshot.selectionWasActive && !snapshot.didDrag;
    return plainClick && handleSemanticPromptClick(at, modifiers);
}

bool Terminal::handleSemanticPromptClick(const Position& at, SemanticPromptClickModifiers modifiers)
{
    Buffer& buffer = *m_buffer;
    if (!semanticClickModifiersAllowed(modifiers) || isCurrentBufferAlternate()
        || buffer.semanticInput != SemanticInputState::armed)
        return false;
    if (at.col < 0 || at.col >= cols || at.row < 0 || at.row >= buffer.lines().count())
        return false;
    const auto geometry = semanticGroupGeometry(buffer, cols);
    if (!geometry || !geometry->hasInput
        || std::find(geometry->rows.begin(), geometry->rows.end(), at.row) == geometry->rows.end())
        return false;

    switch (buffer.semanticClickMode.kind) {
    case SemanticPromptClickMode::Kind::clickEventsAbsolute:
    case SemanticPromptClickMode::Kind::clickEventsRelative:
        return sendSemanticClickReport(at);
    case SemanticPromptClickMode::Kind::none:
        return false;
    case SemanticPromptClickMode::Kind::cursorKeys:
        return sendSemanticCursorKeys(at, buffer.semanticClickMode.cursorMode);
    }
    return false;
}

bool Terminal::sendSemanticClickReport(const Position& at)
{
    Buffer& buffer = *m_buffer;
    int reportRow = 0;
    if (buffer.semanticClickMode == SemanticPromptClickMode::clickEventsAbsolute) {
        reportRow = std::clamp(at.row - buffer.yBase() + 1, 1, rows);
    } else {
        const auto origin = buffer.semanticPromptRelativeOrigin(at);
        if (!origin || at.row < origin->row)
            return false;
        reportRow = at.row - origin->row;
    }
    const std::string report = "\x1b[<0;" + std::to_string(at.col + 1) + ";" + std::to_string(reportRow) + "M";
    if (m_delegate)
        m_delegate->send(*this, std::span(reinterpret_cast<const uint8_t*>(report.data()), report.size()));
    return true;
}

bool Terminal::sendSemanticCursorKeys(const Position& at, SemanticPromptCursorClickMode mode)
{
    Buffer& buffer = *m_buffer;
    const auto geometry = semanticGroupGeometry(buffer, cols);
    // The right half of a wide input character stands for the character.
    Position target = at;
    while (target.col > 0 && target.col < buffer.line(target.row).count()) {
        const CharData& cell = buffer.line(target.row)[target.col];
        if (cell.width() != 0 || SemanticContent::fromCode(cell.semanticContentCode()) != SemanticContent::input)
            break;
        target.col--;
    }
    const auto from = semanticOffset({ buffer.x(), buffer.y() + buffer.yBase() }, *geometry, buffer, cols);
    const auto to = semanticOffset(target, *geometry, buffer, cols);
    if (!from || !to || (mode == SemanticPromptCursorClickMode::line && from->line != to->line)
        || from->offset == to->offset)
        return false;

    const bool special = buffer.semanticUsesSpecialCursorKeys;
    const std::string_view left = special ? "\x1b[1;1u" : applicationCursor ? "\x1bOD" : "\x1b[D";
    const std::string_view right = special ? "\x1b[1u" : applicationCursor ? "\x1bOC" : "\x1b[C";
    const std::string_view up = applicationCursor ? "\x1bOA" : "\x1b[A";
    const std::string_view down = applicationCursor ? "\x1bOB" : "\x1b[B";
    std::string bytes;
    auto repeat = [&](std::string_view step, int count) {
        for (int i = 0; i < count; i++)
            bytes += step;
    };
    const bool horizontalOnly = from->line == to->line || mode == SemanticPromptCursorClickMode::line
        || mode == SemanticPromptCursorClickMode::multiple || special;
    if (horizontalOnly) {
        repeat(to->offset > from->offset ? right : left, std::abs(to->offset - from->offset));
    } else {
        repeat(left, from->offsetInLine);
        repeat(to->line > from->line ? down : up, std::abs(to->line - from->line));
        repeat(right, to->offsetInLine);
    }
    if (bytes.empty())
        return false;
    if (m_delegate)
        m_delegate->send(*this, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    return true;
}

} // namespace zentrova
