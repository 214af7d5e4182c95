#pragma once

#include <QMainWindow>

#include <functional>

namespace bramblet {

// The workspace's top-level window. It decides nothing itself: closing asks `shouldClose` (no
// answer means yes) and reports `willClose` once it goes; every resize reports `didResize`. The
// window is hidden, not deleted, when it closes.
class WorkspaceWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit WorkspaceWindow(QWidget* parent = nullptr);

    std::function<bool()> shouldClose;
    std::function<void()> willClose;
    std::function<void()> didResize;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace bramblet
