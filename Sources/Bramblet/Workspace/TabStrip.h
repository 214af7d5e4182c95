#pragma once

#include <QHash>
#include <QSize>
#include <QTabBar>

namespace bramblet {

// A tab bar that keeps the size of each tab title it measured. The bar measures every tab again
// whenever one tab is added, removed or renamed; through the style that cost the square of the
// number of tabs, which made a strip of a thousand restored tabs take most of a second to fill.
class TabStrip : public QTabBar {
    Q_OBJECT

public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void changeEvent(QEvent* event) override;

private:
    QSize remembered(QHash<QString, QSize>& sizes, const QString& title, QSize (TabStrip::*measure)(int) const,
                     int index) const;
    QSize measuredSize(int index) const { return QTabBar::tabSizeHint(index); }
    QSize measuredMinimumSize(int index) const;

    mutable QHash<QString, QSize> m_sizes;
    mutable QHash<QString, QSize> m_minimumSizes;
    // The bar measures its minimum through tabSizeHint() with the title elided for the moment.
    mutable bool m_measuringMinimum = false;
};

} // namespace bramblet
