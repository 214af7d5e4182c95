#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QMainWindow;
class QToolBar;
class QWidget;

namespace bramblet {

class DialogPresenter;
class S3BrowserPane;
class SegmentedControl;
class TrueNASBrowserPane;
class WorkspaceDefaults;

// The settings window: a toolbar of four tabs (General with the appearance choice, the S3 and
// TrueNAS browser panes, and Samba with a button that connects to a server) above the shown tab.
// It persists nothing: the choice of appearance and the request to connect go back through the
// two callbacks. Closing the window only hides it; shown again, it keeps its last tab and both
// panes keep their state. Main thread only.
class SettingsWindowController : public QObject {
    Q_OBJECT

public:
    // Tab identifiers, as the toolbar items carry them.
    static inline const QString s3ID = QStringLiteral("s3");
    static inline const QString trueNASID = QStringLiteral("truenas");
    static inline const QString sambaID = QStringLiteral("samba");

    using AppearanceChange = std::function<void(const QString& choice)>;
    using ConnectToServer = std::function<void(QWidget* window)>;

    // `appearanceChoice` is "System", "Light" or "Dark" (anything else shows as "System").
    // `defaults` and `dialogs` outlive the controller; the browser panes use them.
    SettingsWindowController(const QString& appearanceChoice, AppearanceChange onAppearanceChange,
                             ConnectToServer onConnectToServer, WorkspaceDefaults& defaults, DialogPresenter& dialogs);
    ~SettingsWindowController() override;

    QMainWindow* window() const { return m_window; }
    QToolBar* toolbar() const { return m_toolbar; }
    S3BrowserPane* s3Browser() const { return m_s3Browser.get(); }
    TrueNASBrowserPane* trueNASBrowser() const { return m_trueNASBrowser.get(); }
    const QString& appearanceChoice() const { return m_appearanceChoice; }

    // The toolbar's items, default and allowed alike: general, s3, truenas, samba.
    static QStringList itemIdentifiers();
    // The identifier of the selected toolbar item.
    QString selectedItemIdentifier() const;
    // The view the window shows below its toolbar, and the size it is shown at.
    QWidget* contentView() const { return m_contentView; }
    QSize contentSize() const;

    // Selects the toolbar item and shows its tab; any identifier but "s3", "truenas" and "samba"
    // shows General.
    void selectTab(const QString& identifier);

    // Actions of the toolbar items and controls.
    void selectGeneral();
    void selectS3();
    void selectTrueNAS();
    void selectSamba();
    // The segment chosen in the General tab: 0 System, 1 Light, 2 Dark.
    void appearanceChanged(int segment);
    void connectToServer();

    // The General tab's appearance control while that tab is shown; null otherwise.
    SegmentedControl* appearanceControl() const;

private:
    QAction* addItem(const QString& identifier, const QString& label, const QString& symbol,
                     void (SettingsWindowController::*action)());
    // Shows `view` as the window's content at `size` with `title`; the previous content is
    // deleted unless it belongs to a browser pane.
    void showContent(QWidget* view, const QString& title, QSize size);
    QWidget* makeGeneralView();
    QWidget* makeSambaView();

    QString m_appearanceChoice;
    AppearanceChange m_onAppearanceChange;
    ConnectToServer m_onConnectToServer;
    std::unique_ptr<S3BrowserPane> m_s3Browser;
    std::unique_ptr<TrueNASBrowserPane> m_trueNASBrowser;
    QMainWindow* m_window; // owned
    QToolBar* m_toolbar;
    QWidget* m_host;       // the window's central widget, holding the content view
    QPointer<QWidget> m_contentView;
    QPointer<SegmentedControl> m_appearanceControl;
};

} // namespace bramblet
