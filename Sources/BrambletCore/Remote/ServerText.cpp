#include "BrambletCore/Remote/ServerText.h"

namespace bramblet {

namespace {

bool isDirectionControl(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString ServerText::shown(const QString& text, qsizetype limit)
{
    QString shown;
    bool pendingSpace = false;
    // Read no further than needed: the text may be long.
    for (qsizetype index = 0; index < text.size() && shown.size() <= limit;) {
        const qsizetype start = index;
        char32_t c = text[index++].unicode();
        if (QChar::isHighSurrogate(c) && index < text.size() && text[index].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[index++].unicode());
        if (QChar::isSpace(c) || QChar::category(c) == QChar::Other_Control) {
            pendingSpace = !shown.isEmpty();
            continue;
        }
        if (isDirectionControl(c))
            continue;
        if (pendingSpace)
            shown += u' ';
        pendingSpace = false;
        shown += QStringView(text).sliced(start, index - start);
    }
    if (shown.size() > limit) {
        shown.truncate(limit);
        // Never half of a surrogate pair.
        if (shown.back().isHighSurrogate())
            shown.chop(1);
        shown += u'…';
    }
    return shown;
}

} // namespace bramblet
