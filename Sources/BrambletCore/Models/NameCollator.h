#pragma once

#include <QCollator>

namespace bramblet {

// A collator for the file-browser name order: letter case ignored, digit runs compared by value
// (file2 before file10), by the rules of the user's locale.
QCollator nameCollator();

} // namespace bramblet
