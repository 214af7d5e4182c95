#pragma once

#include <QString>

namespace bramblet::DisplayText {

// "1 item", "2 items", "100,000 items": the number in the user's locale, then the word that fits it.
QString countText(qint64 count, const QString& singular, const QString& plural);

// A file's size in decimal units, as the desktop's file managers count them: "1 byte", "2 bytes",
// "100.0 kB".
QString fileSizeText(qint64 bytes);

// A file name as one line of text: control characters (a line break, a tab, an escape) become
// their visible symbols, so that a name never spans two lines nor hides a character.
QString visibleName(const QString& name);

// `text` with its middle replaced by an ellipsis once it is longer than `maximum` characters as
// the user perceives them (at least 2); an emoji sequence or a letter with its marks is never
// split.
QString middleElided(const QString& text, qsizetype maximum);

} // namespace bramblet::DisplayText
