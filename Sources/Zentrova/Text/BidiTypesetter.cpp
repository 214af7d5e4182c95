#include "Zentrova/Text/BidiTypesetter.h"

#include <unicode/ubidi.h>

#include <algorithm>

namespace zentrova {

void BidiTypesetter::Closer::operator()(UBiDi* bidi) const
{
    ubidi_close(bidi);
}

std::optional<BidiTypesetter> BidiTypesetter::make(std::vector<char16_t> probe, BidiDirection direction)
{
    if (probe.empty())
        return std::nullopt;
    BidiTypesetter typesetter;
    typesetter.m_probe = std::move(probe);
    typesetter.m_paragraph.reset(ubidi_open());
    typesetter.m_line.reset(ubidi_open());
    if (!typesetter.m_paragraph || !typesetter.m_line)
        return std::nullopt;
    ubidi_setReorderingOptions(typesetter.m_paragraph.get(), UBIDI_OPTION_REMOVE_CONTROLS);
    UErrorCode status = U_ZERO_ERROR;
    const UBiDiLevel level = direction == BidiDirection::rightToLeft ? UBIDI_RTL : UBIDI_LTR;
    ubidi_setPara(typesetter.m_paragraph.get(), reinterpret_cast<const UChar*>(typesetter.m_probe.data()),
                  int32_t(typesetter.m_probe.size()), level, nullptr, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return typesetter;
}

std::optional<BidiTypesetter::VisualOrder> BidiTypesetter::computeVisualOrder(int lower, int upper,
                                                                              BidiDirection baseDirection) const
{
    if (upper <= lower)
        return VisualOrder {};
    UErrorCode status = U_ZERO_ERROR;
    UBiDi* line = m_line.get();
    ubidi_setLine(m_paragraph.get(), lower, upper, line, &status);
    const int count = upper - lower;
    // Each cell's visual position, or UBIDI_MAP_NOWHERE for a control that shows nothing.
    std::vector<int32_t> logicalMap(static_cast<size_t>(count));
    if (U_SUCCESS(status))
        ubidi_getLogicalMap(line, logicalMap.data(), &status);
    const UBiDiLevel* levels = U_SUCCESS(status) ? ubidi_getLevels(line, &status) : nullptr;
    if (U_FAILURE(status) || !levels)
        return std::nullopt;

    // Direction flags: -1 not known yet, else 0 left-to-right, 1 right-to-left.
    std::vector<int8_t> flags(size_t(count), -1);
    std::vector<bool> placed(size_t(count), false);
    std::vector<std::pair<int32_t, int>> positions;
    positions.reserve(size_t(count));
    for (int local = 0; local < count; local++) {
        if (logicalMap[size_t(local)] == UBIDI_MAP_NOWHERE)
            continue;
        positions.emplace_back(logicalMap[size_t(local)], local);
        flags[size_t(local)] = int8_t(levels[local] & 1);
    }
    // Left to right by position, ties by logical index; each cell once.
    std::sort(positions.begin(), positions.end());
    VisualOrder result;
    result.order.reserve(size_t(count));
    for (const auto& [position, local] : positions) {
        if (placed[size_t(local)])
            continue;
        placed[size_t(local)] = true;
        result.order.push_back(local);
    }

    // Cells that show nothing take the direction of the nearest cell that has one (left first at
    // each distance) and stand beside a logical neighbour, on the side their direction reads from.
    const auto position = [&](int local) {
        return std::find(result.order.begin(), result.order.end(), local);
    };
    for (int local = 0; local < count; local++) {
        if (placed[size_t(local)])
            continue;
        int8_t flag = flags[size_t(local)];
        for (int distance = 1; flag < 0 && distance < count; distance++) {
            if (local - distance >= 0 && flags[size_t(local - distance)] >= 0)
                flag = flags[size_t(local - distance)];
            else if (local + distance < count && flags[size_t(local + distance)] >= 0)
                flag = flags[size_t(local + distance)];
        }
        if (flag < 0)
            flag = baseDirection == BidiDirection::rightToLeft ? 1 : 0;
        flags[size_t(local)] = flag;
        const bool rightToLeft = flag == 1;
        if (local > 0 && placed[size_t(local - 1)]) {
            const auto before = position(local - 1);
            result.order.insert(rightToLeft ? before : before + 1, local);
        } else if (local + 1 < count && placed[size_t(local + 1)]) {
            const auto after = position(local + 1);
            result.order.insert(rightToLeft ? after + 1 : after, local);
        } else {
            result.order.push_back(local);
        }
        placed[size_t(local)] = true;
    }

    if (int(result.order.size()) != count)
        return std::nullopt;
    result.rtl.resize(size_t(count));
    for (int local = 0; local < count; local++)
        result.rtl[size_t(local)] = flags[size_t(local)] == 1;
    return result;
}

} // namespace zentrova
