#include "Bramblet/Remote/TrueNASItemOrder.h"

#include <algorithm>

namespace bramblet::TrueNASItemOrder {

namespace {

// The run of digits starting at `at`, without its leading zeros.
QStringView digitRun(QStringView text, qsizetype& at)
{
    const qsizetype start = at;
    while (at < text.size() && text[at].isDigit())
        ++at;
    QStringView run = text.sliced(start, at - start);
    while (run.size() > 1 && run.front() == u'0')
        run = run.sliced(1);
    return run;
}

// Negative, zero or positive as `a` comes before, with or after `b`. Kept free of the collation
// of the current locale, which in a plain "C" locale orders neither case nor numbers this way.
int naturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const QStringView left = digitRun(a, i);
            const QStringView right = digitRun(b, j);
            if (left.size() != right.size())
                return left.size() < right.size() ? -1 : 1;
            if (const int order = left.compare(right); order != 0)
                return order;
            continue;
        }
        const char32_t left = QChar::toCaseFolded(a[i].unicode());
        const char32_t right = QChar::toCaseFolded(b[j].unicode());
        if (left != right)
            return left < right ? -1 : 1;
        ++i;
        ++j;
    }
    return int(a.size() - i > 0) - int(b.size() - j > 0);
}

} // namespace

bool isFolder(const TrueNASItem& item)
{
    return item.type == QLatin1String("DIRECTORY");
}

void sort(QList<TrueNASItem>& items)
{
    std::sort(items.begin(), items.end(), [](const TrueNASItem& a, const TrueNASItem& b) {
        if (isFolder(a) != isFolder(b))
            return isFolder(a);
        return naturalCompare(a.name, b.name) < 0;
    });
}

} // namespace bramblet::TrueNASItemOrder
