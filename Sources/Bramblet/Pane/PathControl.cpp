#include "Bramblet/Pane/PathControl.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace bramblet {

PathControl::PathControl(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addStretch();
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Folder path"));
    setToolTip(QStringLiteral("Click a folder in the path to jump to it"));
}

void PathControl::setPath(const QString& path)
{
    if (path == m_path)
        return;
    m_path = path;
    while (m_layout->count() > 1) {
        QLayoutItem* item = m_layout->takeAt(0);
        delete item->widget();
        delete item;
    }

    QStringList prefixes;
    if (path.startsWith(u'/'))
        prefixes.append(QStringLiteral("/"));
    QString prefix;
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        prefix += u'/' + part;
        prefixes.append(prefix);
    }
    for (const QString& folder : std::as_const(prefixes)) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setText(folder == u"/" ? folder : folder.section(u'/', -1));
        connect(button, &QToolButton::clicked, this, [this, folder] { emit pathClicked(folder); });
        m_layout->insertWidget(m_layout->count() - 1, button);
    }
}

} // namespace bramblet
