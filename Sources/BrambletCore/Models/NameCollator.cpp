#include "BrambletCore/Models/NameCollator.h"

namespace bramblet {

QCollator nameCollator()
{
    // The C locale makes QCollator compare code units and ignore both settings; fall back to the
    // root collation there so the order is the same on a bare system.
    const auto locale = QLocale::system();
    QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English) : locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace bramblet
