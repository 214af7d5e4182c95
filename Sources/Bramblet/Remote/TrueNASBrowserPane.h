#pragma once

#include <QObject>
#include <QPointer>

class QLineEdit;
class QWidget;

namespace bramblet {

class ColorView;
class DialogPresenter;
class WorkspaceDefaults;

// The TrueNAS browser as the settings window shows it: a root view on the window colour with the
// address, user name, API key and path fields, the first two filled from the saved connection
// ("trueNASConnection"). The pane owns its root view for its whole life; the settings window only
// borrows it while the TrueNAS tab is shown. Main thread only.
class TrueNASBrowserPane final : public QObject {
    Q_OBJECT

public:
    // `defaults` and `dialogs` outlive the pane.
    TrueNASBrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent = nullptr);
    // Deletes the root view unless it is gone already.
    ~TrueNASBrowserPane() override;

    // The same view for the pane's whole life.
    ColorView* contentView() const;
    // Where the pane's alerts attach; weak.
    QWidget* anchorWindow() const;
    void setAnchorWindow(QWidget* window);

    QLineEdit* addressField() const { return m_address; }
    QLineEdit* usernameField() const { return m_username; }
    QLineEdit* apiKeyField() const { return m_apiKey; }
    QLineEdit* pathField() const { return m_path; }

private:
    WorkspaceDefaults& m_defaults;
    DialogPresenter& m_dialogs;
    QPointer<ColorView> m_contentView;
    QPointer<QWidget> m_anchorWindow;
    QLineEdit* m_address;
    QLineEdit* m_username;
    QLineEdit* m_apiKey;
    QLineEdit* m_path;
};

} // namespace bramblet
