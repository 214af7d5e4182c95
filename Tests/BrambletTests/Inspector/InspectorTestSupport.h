#pragma once

#include "Bramblet/Inspector/InspectorController.h"
#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/SquareCheckbox.h"
#include "Bramblet/Theme/StackView.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QStringList>

namespace bramblet::testing {

// A view of the inspector's content as text, one line per arranged view: a label's whole text, a
// row as "label: value", a picture as "[picture <height>]", the permission grid as one line per
// role with its boxes ("Owner rw-").
inline QString describeView(QWidget* view)
{
    if (auto* label = qobject_cast<ThemedLabel*>(view))
        return label->fullText();
    if (auto* picture = qobject_cast<ImageView*>(view))
        return QStringLiteral("[picture %1]").arg(picture->maximumHeight());
    if (auto* row = qobject_cast<StackView*>(view)) {
        QStringList parts;
        for (int i = 0; i < row->boxLayout()->count(); ++i)
            parts.append(describeView(row->boxLayout()->itemAt(i)->widget()));
        return parts.join(QStringLiteral(": "));
    }
    if (auto* grid = qobject_cast<QGridLayout*>(view->layout())) {
        QStringList lines;
        for (int line = 1; line < grid->rowCount(); ++line) {
            QString text = describeView(grid->itemAtPosition(line, 0)->widget()) + u' ';
            for (int column = 1; column <= 3; ++column) {
                auto* box = qobject_cast<SquareCheckbox*>(grid->itemAtPosition(line, column)->widget());
                text += box->isChecked() ? QStringLiteral("rwx").at(column - 1) : u'-';
            }
            lines.append(text);
        }
        return lines.join(QStringLiteral(", "));
    }
    return QStringLiteral("[%1]").arg(QString::fromLatin1(view->metaObject()->className()));
}

inline QStringList describe(const InspectorController& inspector)
{
    QStringList lines;
    QBoxLayout* layout = inspector.content()->boxLayout();
    for (int i = 0; i < layout->count(); ++i)
        lines.append(describeView(layout->itemAt(i)->widget()));
    return lines;
}

} // namespace bramblet::testing
