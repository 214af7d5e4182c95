#include "Bramblet/Workspace/WorkspaceSplitter.h"

#include <QResizeEvent>

#include <algorithm>
#include <cstdlib>

namespace bramblet {

namespace {

constexpr int sidebarIndex = 0;
constexpr int leftIndex = 1;
constexpr int rightIndex = 2;
constexpr int inspectorIndex = 3;

} // namespace

WorkspaceSplitter::WorkspaceSplitter(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent)
{
    setHandleWidth(1);
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, &WorkspaceSplitter::balanceSides);
}

bool WorkspaceSplitter::isCollapsed(int index) const
{
    const auto* view = widget(index);
    return !view || view->isHidden() || sizes().value(index) == 0;
}

void WorkspaceSplitter::setCollapsed(int index, bool collapsed)
{
    auto* view = widget(index);
    if (!view || view->isHidden() == collapsed)
        return;
    if (collapsed) {
        view->hide();
        balanceSides();
        return;
    }
    // A column shown again takes the width it had, taken from the sides.
    const int width = std::max(view->width(), view->minimumWidth());
    view->show();
    auto sizes = this->sizes();
    sizes[index] = width;
    sizes[leftIndex] = std::max(0, sizes[leftIndex] - width / 2);
    sizes[rightIndex] = std::max(0, sizes[rightIndex] - (width - width / 2));
    setSizes(sizes);
    balanceSides();
}

void WorkspaceSplitter::placeDividers(int sidebarWidth, int inspectorWidth)
{
    if (count() <= inspectorIndex)
        return;
    auto sizes = this->sizes();
    sizes[sidebarIndex] = std::clamp(sidebarWidth, widget(sidebarIndex)->minimumWidth(), widget(sidebarIndex)->maximumWidth());
    sizes[inspectorIndex] =
        std::clamp(inspectorWidth, widget(inspectorIndex)->minimumWidth(), widget(inspectorIndex)->maximumWidth());
    setSizes(sizes);
    balanceSides();
}

void WorkspaceSplitter::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    balanceSides();
}

void WorkspaceSplitter::balanceSides()
{
    if (count() <= rightIndex)
        return;
    auto sizes = this->sizes();
    const int shared = sizes[leftIndex] + sizes[rightIndex];
    if (std::abs(sizes[leftIndex] - sizes[rightIndex]) <= 1)
        return;
    sizes[leftIndex] = shared / 2;
    sizes[rightIndex] = shared - shared / 2;
    setSizes(sizes);
}

} // namespace bramblet
