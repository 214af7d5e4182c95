#include "Bramblet/Theme/DisplayText.h"

#include <QLocale>
#include <QTextBoundaryFinder>

namespace bramblet::DisplayText {

QString countText(qint64 count, const QString& singular, const QString& plural)
{
    return QLocale().toString(count) + u' ' + (count == 1 ? singular : plural);
}

QString fileSizeText(qint64 bytes)
{
    if (bytes == 1)
        return QLocale().toString(1) + QStringLiteral(" byte");
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString visibleName(const QString& name)
{
    QString shown;
    shown.reserve(name.size());
    for (const QChar character : name) {
        const char16_t code = character.unicode();
        if (code < 0x20)
            shown.append(QChar(char16_t(0x2400 + code))); // the Control Pictures block: ␀ .. ␟
        else if (code == 0x7f)
            shown.append(QChar(u'\u2421')); // ␡
        else if (code >= 0x80 && code < 0xa0)
            shown.append(QChar(u'\uFFFD'));
        else
            shown.append(character);
    }
    return shown;
}

QString middleElided(const QString& text, qsizetype maximum)
{
    Q_ASSERT(maximum >= 2);
    QList<qsizetype> boundaries;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at != -1; at = finder.toNextBoundary())
        boundaries.append(at);
    if (boundaries.size() <= maximum)
        return text;
    // Characters kept on each side of the ellipsis; the start gets the odd one out.
    const qsizetype tail = (maximum - 1) / 2;
    const qsizetype head = maximum - 1 - tail;
    const qsizetype headEnd = boundaries[head - 1];
    const qsizetype tailStart = tail == 0 ? text.size() : boundaries[boundaries.size() - tail - 1];
    return text.left(headEnd) + u'\u2026' + text.mid(tailStart);
}

} // namespace bramblet::DisplayText
