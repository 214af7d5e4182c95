#include "ZentrovaView/Gpu/FrameDrawData.h"

namespace zentrova {
namespace {

template <class T>
void appendList(std::vector<T>& to, const std::vector<T>& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

void FrameDrawData::append(const RowDrawData& row)
{
    appendList(backgroundCells, row.backgroundCells);
    appendList(powerlineJoinCells, row.powerlineJoinCells);
    appendList(glyphCellsGray, row.glyphCellsGray);
    appendList(glyphCellsColor, row.glyphCellsColor);
    appendList(decorationCells, row.decorationCells);
    appendList(underImageDraws, row.underImageDraws);
    appendList(placeholderImageDraws, row.placeholderImageDraws);
    appendList(overImageDraws, row.overImageDraws);
    appendList(otherImageDraws, row.otherImageDraws);
}

} // namespace zentrova
