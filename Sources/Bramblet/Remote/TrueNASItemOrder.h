#pragma once

#include "BrambletCore/Remote/TrueNASItem.h"

#include <QList>

namespace bramblet::TrueNASItemOrder {

// Whether `item` is a folder: its type is exactly "DIRECTORY".
bool isFolder(const TrueNASItem& item);

// Folders before everything else; within each group names in the order of the desktop's file
// managers: letters without regard to case, runs of digits by their value ("disk9" before
// "disk10"). Equal names keep no particular order.
void sort(QList<TrueNASItem>& items);

} // namespace bramblet::TrueNASItemOrder
