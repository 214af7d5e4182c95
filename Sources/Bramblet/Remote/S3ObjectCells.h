#pragma once

#include "BrambletCore/Remote/S3Object.h"

#include <QString>

class QTableWidget;

namespace bramblet::S3ObjectCells {

// The texts of one listing row: the size ("—" for a folder) and the modification date ("—" when
// the server gave none) as day, abbreviated month and two-digit year in the user's locale.
QString sizeText(const S3Object& object);
QString dateText(const S3Object& object);

// Fills row `row` of the three-column table (name with its icon, size, date) for `object`.
void fill(QTableWidget& table, int row, const S3Object& object);

} // namespace bramblet::S3ObjectCells
