#include "BrambletCore/Remote/S3Object.h"

#include <QStringList>

namespace bramblet {

QString S3Object::name() const
{
    const QString trimmed = key.endsWith(u'/') ? key.chopped(1) : key;
    const QStringList pieces = trimmed.split(u'/', Qt::SkipEmptyParts);
    return pieces.isEmpty() ? trimmed : pieces.last();
}

} // namespace bramblet
