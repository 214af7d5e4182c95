#pragma once

#include <QSplitter>

namespace bramblet {

// The workspace's four columns side by side: sidebar, left side, right side, inspector. The two
// sides always share their width equally, whatever the user drags and however the window is
// resized, so the divider between them has no position of its own.
class WorkspaceSplitter : public QSplitter {
    Q_OBJECT

public:
    explicit WorkspaceSplitter(QWidget* parent = nullptr);

    // Whether column `index` takes no room: hidden, or dragged shut.
    bool isCollapsed(int index) const;
    void setCollapsed(int index, bool collapsed);

    // Places the outer dividers: the sidebar `sidebarWidth` wide, the inspector `inspectorWidth`
    // wide (each as far as its limits allow), the rest shared by the sides.
    void placeDividers(int sidebarWidth, int inspectorWidth);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void balanceSides();
};

} // namespace bramblet
