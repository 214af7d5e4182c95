// Row layout: one line of the screen turned into segments of styled text in visual order, the form
// both the painter and the GPU renderer draw from.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Graphics/KittyPlaceholder.h"
#include "Zentrova/Screen/UnicodeUtil.h"
#include "ZentrovaView/CustomGlyphs/PowerlineGeometry.h"
#include "Zentrova/Text/SelectionService.h"
#include "Zentrova/Text/TerminalBidi.h"

#include <algorithm>
#include <utility>

namespace zentrova {
namespace {

// Writes segments into a row's list one after another, reusing the storage of the ones it held.
class ViewLineSegmentWriter {
public:
    explicit ViewLineSegmentWriter(std::vector<ViewLineSegment>& segments)
        : m_segments(segments)
    {
    }

    bool isOpen() const { return m_open; }
    int columnWidth() const { return m_segments[m_used].columnWidth; }

    // Starts the next segment (the one open must be closed).
    void open(int column, int columnWidth)
    {
        if (m_used == m_segments.size())
            m_segments.emplace_back();
        ViewLineSegment& segment = m_segments[m_used];
        segment.column = column;
        segment.columnWidth = columnWidth;
        segment.characterCount = 0;
        segment.text.clear();
        segment.runs.clear();
        segment.utf16ToCellOrdinal.clear();
        segment.utf16IsCellIdentity = true;
        m_nextOrdinal = 0;
        m_open = true;
    }

    // `text` in `style`, covering one cell per entry of `cellUtf16Lengths` (each that many units).
    void append(const QString& text, const CellStyle& style, std::span<const int> cellUtf16Lengths)
    {
        ViewLineSegment& segment = m_segments[m_used];
        const int start = int(segment.text.size());
        segment.text += text;
        segment.characterCount++;
        auto& runs = segment.runs;
        if (!runs.empty() && runs.back().style == style && runs.back().start + runs.back().length == start)
            runs.back().length += int(text.size());
        else
            runs.push_back({ start, int(text.size()), style });
        for (const int units : cellUtf16Lengths) {
            if (units > 1)
                segment.utf16IsCellIdentity = false;
            segment.utf16ToCellOrdinal.insert(segment.utf16ToCellOrdinal.end(), size_t(std::max(units, 1)),
                                              m_nextOrdinal);
            m_nextOrdinal++;
        }
    }

    // Keeps the open segment when anything was appended to it.
    void close()
    {
        if (m_open && m_segments[m_used].characterCount > 0)
            m_used++;
        m_open = false;
    }

    // Drops what is left of the segments the list held before.
    void finish() { m_segments.resize(m_used); }

private:
    std::vector<ViewLineSegment>& m_segments;
    size_t m_used = 0;
    bool m_open = false;
    int m_nextOrdinal = 0;
};

bool isArabicScalar(char32_t scalar)
{
    return (scalar >= 0x0600 && scalar <= 0x06FF) || (scalar >= 0x0750 && scalar <= 0x077F)
        || (scalar >= 0x0870 && scalar <= 0x08FF) || (scalar >= 0xFB50 && scalar <= 0xFDFF)
        || (scalar >= 0xFE70 && scalar <= 0xFEFC);
}

// Lists the cell as an item when the view paints its glyph itself.
bool addCustomGlyph(ViewLineInfo& info, char32_t scalar, int column, int columnWidth, const QColor& foreground)
{
    const auto code = std::uint32_t(scalar);
    if (const std::vector<BlockElementRect>* rects = BlockElementMapping::rects(code)) {
        info.blockElements.push_back({ column, columnWidth, code, *rects, foreground });
        return true;
    }
    if (code >= 0x2500 && code <= 0x257F) {
        info.boxDrawings.push_back({ column, columnWidth, code, foreground });
        return true;
    }
    if (PowerlineRenderer::glyph(code)) {
        info.powerlines.push_back({ column, columnWidth, code, foreground });
        return true;
    }
    return false;
}

QString textOf(std::u32string_view scalars)
{
    return QString::fromUcs4(scalars.data(), qsizetype(scalars.size()));
}

} // namespace

std::optional<std::pair<int, int>> TerminalView::selectedColumnsRange(int row, int cols) const
{
    if (!m_selection || !m_selection->active())
        return std::nullopt;
    const Position start = m_selection->start();
    const Position end = m_selection->end();
    const int last = m_terminal->cols - 1;
    // The columns of a row holding one end: from `from` to the row's end, or up to `to` (which is
    // itself selected only when it is the last column).
    const auto upTo = [last](int to) { return to == last ? to + 1 : to; };
    int first = 0;
    int past = 0;
    if (start.row == row && end.row == row) {
        if (start.col < end.col) {
            first = start.col;
            past = upTo(end.col);
        } else if (end.col < start.col) {
            first = end.col;
            past = start.col;
        } else {
            return std::nullopt;
        }
    } else {
        const bool forward = start.row < end.row;
        const Position& top = forward ? start : end;
        const Position& bottom = forward ? end : start;
        if (row < top.row || row > bottom.row)
            return std::nullopt;
        first = row == top.row ? top.col : 0;
        past = row == bottom.row ? upTo(bottom.col) : cols;
    }
    first = std::clamp(first, 0, cols);
    past = std::clamp(past, 0, cols);
    if (first >= past)
        return std::nullopt;
    return std::pair(first, past);
}

std::optional<BidiRowLayout> TerminalView::bidiLayout(int row, const BufferLine& line, int cols)
{
    Buffer& buffer = m_terminal->buffer();
    if (m_bidiHostPolicy == BidiHostPolicy::legacyLeftToRight || row < 0 || row >= buffer.lines().count())
        return std::nullopt;
    const BidiPresentationState& state = line.bidiState();
    if (state.supportMode == BidiSupportMode::implicit) {
        const auto paragraph = TerminalBidi::paragraphResult(row, buffer, cols, *m_terminal, m_fontIdentity);
        if (paragraph) {
            if (const auto found = paragraph->rows.find(row); found != paragraph->rows.end())
                return found->second;
        }
    } else if (state.fallbackDirection == BidiDirection::rightToLeft) {
        return TerminalBidi::explicitRightToLeftLayout(row, buffer, cols, *m_terminal);
    }
    return std::nullopt;
}

ViewLineInfo TerminalView::buildAttributedString(int row, const BufferLine& line, int cols)
{
    ViewLineInfo info;
    buildAttributedString(row, line, cols, info);
    return info;
}

void TerminalView::buildAttributedString(int row, const BufferLine& line, int cols, ViewLineInfo& info)
{
    info.blockElements.clear();
    info.boxDrawings.clear();
    info.powerlines.clear();
    info.placeholders.clear();
    info.images = line.images();
    const std::optional<BidiRowLayout> layout = bidiLayout(row, line, cols);
    // The painter must never reorder what is already in visual order.
    const bool directionForced = layout || TerminalBidi::mayNeedBidi(line, cols, *m_terminal);

    const auto selected = selectedColumnsRange(row, cols);
    ViewLineSegmentWriter segment(info.segments);
    // The cells of one style waiting to be appended, kept from row to row for their storage.
    thread_local QString pendingText;
    thread_local std::vector<int> pendingLengths;
    pendingText.clear();
    pendingLengths.clear();
    CellStyle runStyle;
    bool haveRun = false;
    AttributeKey runKey;
    bool runLink = false;
    bool runSelected = false;
    bool runHidden = false;

    const auto flushPending = [&] {
        if (pendingLengths.empty())
            return;
        segment.append(pendingText, runStyle, pendingLengths);
        pendingText.clear();
        pendingLengths.clear();
    };
    const auto closeSegment = [&] {
        flushPending();
        segment.close();
    };

    const int count = std::min(line.count(), cols);
    int visualColumn = 0;
    // The placeholder cell to the left, which a bare placeholder continues.
    std::optional<KittyPlaceholderCell> previousPlaceholder;
    Attribute previousPlaceholderAttribute;
    const auto visit = [&](int col, const std::optional<std::u32string>& display) {
        const CharData& cell = line[col];
        const std::optional<KittyPlaceholderCell> leftPlaceholder = std::exchange(previousPlaceholder, std::nullopt);
        const int width = std::max(cell.width(), 1);
        const bool link = linkHighlighted(cell, row, col);
        const bool isSelected = selected && col < selected->second && col + width > selected->first;
        const bool hidden = !m_textBlinkVisible && cell.attribute().style.contains(CharacterStyle::blink);
        const AttributeKey key = cell.attributeKey();
        if (!haveRun || key != runKey || link != runLink || isSelected != runSelected || hidden != runHidden) {
            flushPending();
            haveRun = true;
            runKey = key;
            runLink = link;
            runSelected = isSelected;
            runHidden = hidden;
            runStyle = getAttributes(cell, link);
            if (isSelected) {
                runStyle.selectionBackground = m_selectedTextBackgroundColor;
                runStyle.foreground = m_selectedTextForegroundColor;
                if (runStyle.underlineColor)
                    runStyle.underlineColor = m_selectedTextForegroundColor;
                if (runStyle.strikethroughColor)
                    runStyle.strikethroughColor = m_selectedTextForegroundColor;
            }
            if (hidden) {
                runStyle.foreground = Qt::transparent;
                runStyle.underlineColor.reset();
                runStyle.underlineStyle = 0;
                runStyle.strikethroughColor.reset();
                runStyle.strikethroughStyle = 0;
                runStyle.zentrovaUnderlineStyle.reset();
            }
            if (directionForced)
                runStyle.directionOverride = Qt::LeftToRight;
        }
        if (!segment.isOpen() || segment.columnWidth() != width) {
            closeSegment();
            segment.open(visualColumn, width);
        }

        const uint32_t code = cell.code();
        if (!display && !layout && (hidden || code < 0x100)) {
            // The common case, one unit: no scalar up to U+00FF takes a presentation selector.
            pendingText += QChar(hidden || code == 0 ? u' ' : char16_t(code));
            pendingLengths.push_back(1);
            visualColumn += width;
            return;
        }
        std::u32string scalars;
        if (display)
            scalars = *display;
        else if (code == 0)
            scalars = U" ";
        else if (cell.isSimpleRune())
            scalars = std::u32string(1, cell.getCharacter());
        else
            scalars = m_terminal->character(code);

        if (layout && (scalars.size() > 1 || (scalars.size() == 1 && isArabicScalar(scalars[0])))) {
            // Shaped and clustered text of a reordered row is measured on its own, in its own slot.
            closeSegment();
            segment.open(visualColumn, width);
            const QString text = textOf(scalars);
            const int units = int(text.size());
            segment.append(text, runStyle, std::span(&units, 1));
            closeSegment();
        } else if (hidden) {
            pendingText += QLatin1Char(' ');
            pendingLengths.push_back(1);
        } else if (const auto placeholder = KittyPlaceholder::decode(
                       scalars, cell.attribute(), row, visualColumn, leftPlaceholder,
                       leftPlaceholder ? &previousPlaceholderAttribute : nullptr)) {
            flushPending();
            info.placeholders.push_back(*placeholder);
            previousPlaceholder = placeholder;
            previousPlaceholderAttribute = cell.attribute();
            pendingText += QLatin1Char(' ');
            pendingLengths.push_back(1);
        } else if (m_customBlockGlyphs && scalars.size() == 1 && addCustomGlyph(info, scalars[0], visualColumn, width,
                                                                               runStyle.foreground)) {
            // The cell keeps its place and background in the text; the glyph is painted over it.
            pendingText += QLatin1Char(' ');
            pendingLengths.push_back(1);
        } else {
            QString text = textOf(scalars);
            if (scalars.size() == 1 && scalars[0] > 0xFF) {
                std::string utf8 = text.toStdString();
                if (UnicodeUtil::prefersTextPresentation(utf8))
                    text += QChar(0xFE0E);
            }
            pendingText += text;
            pendingLengths.push_back(int(text.size()));
        }
        visualColumn += width;
    };

    if (layout) {
        for (const BidiCell& cell : layout->visualCells) {
            if (cell.logicalCol >= 0 && cell.logicalCol < count)
                visit(cell.logicalCol, cell.display);
        }
    } else {
        for (int col = 0; col < count; col += std::max(line[col].width(), 1))
            visit(col, std::nullopt);
    }
    closeSegment();
    segment.finish();
}

} // namespace zentrova
