#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QCloseEvent>

namespace bramblet {

WorkspaceWindow::WorkspaceWindow(QWidget* parent)
    : QMainWindow(parent)
{
}

void WorkspaceWindow::closeEvent(QCloseEvent* event)
{
    if (shouldClose && !shouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (willClose)
        willClose();
}

void WorkspaceWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (didResize)
        didResize();
}

} // namespace bramblet
