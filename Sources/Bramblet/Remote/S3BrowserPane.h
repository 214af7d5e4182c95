#pragma once

#include <QObject>
#include <QPointer>

class QComboBox;
class QWidget;

namespace bramblet {

class ColorView;
class DialogPresenter;
class WorkspaceDefaults;

// The S3 browser as the settings window shows it: a root view on the window colour holding the
// saved connections ("s3Connections") to choose from. The pane owns its root view for its whole
// life; the settings window only borrows it while the S3 tab is shown. Main thread only.
class S3BrowserPane final : public QObject {
    Q_OBJECT

public:
    // `defaults` and `dialogs` outlive the pane.
    S3BrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent = nullptr);
    // Deletes the root view unless it is gone already.
    ~S3BrowserPane() override;

    // The same view for the pane's whole life.
    ColorView* contentView() const;
    // Where the pane's sheets and alerts attach; weak.
    QWidget* anchorWindow() const;
    void setAnchorWindow(QWidget* window);

    // The connection chooser, one entry per saved connection.
    QComboBox* connectionMenu() const { return m_connections; }

private:
    WorkspaceDefaults& m_defaults;
    DialogPresenter& m_dialogs;
    QPointer<ColorView> m_contentView;
    QPointer<QWidget> m_anchorWindow;
    QComboBox* m_connections;
};

} // namespace bramblet
