#pragma once

#include "BrambletCore/Remote/TrueNASItem.h"

#include <QObject>
#include <QPointer>
#include <QSslConfiguration>

#include <chrono>
#include <memory>

class QLineEdit;
class QTableWidget;
class QWidget;

namespace bramblet {

class ColorView;
class DialogPresenter;
class ThemedLabel;
class TrueNASService;
class WorkspaceDefaults;

// The TrueNAS tab of the settings window: address, user name and API key of one server (the
// first two kept under "trueNASConnection", the key in the keychain), and a listing of one
// server folder at a time, folders first. It only lists; every message goes to its status label.
// Main thread only.
class TrueNASBrowserPane final : public QObject {
    Q_OBJECT

public:
    TrueNASBrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent = nullptr);
    // `tls` lets tests trust a test certificate authority; `callTimeout` bounds each request.
    TrueNASBrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QSslConfiguration tls,
                       std::chrono::milliseconds callTimeout, QObject* parent = nullptr);
    ~TrueNASBrowserPane() override;

    ColorView* contentView() const;
    QWidget* anchorWindow() const;
    void setAnchorWindow(QWidget* window);

    static inline const QString connectionKey = QStringLiteral("trueNASConnection");

    QLineEdit* addressField() const { return m_addressField; }
    QLineEdit* usernameField() const { return m_usernameField; }
    QLineEdit* apiKeyField() const { return m_apiKeyField; }
    QLineEdit* pathField() const { return m_pathField; }
    ThemedLabel* statusLabel() const { return m_statusLabel; }
    QTableWidget* table() const { return m_table; }
    bool isConnected() const { return m_service != nullptr; }
    const QList<TrueNASItem>& items() const { return m_items; }

    // The actions of the "Connect" and "Go" buttons and of a double click in the table.
    void connectToServer();
    void goToPath();
    void openSelected();

private:
    void configure();
    void restoreSavedConnection();
    // Lists `path`; `notice` is added to the status once the listing is shown.
    void load(const QString& path, const QString& notice = {});
    void fillTable();

    WorkspaceDefaults& m_defaults;
    const QSslConfiguration m_tls;
    const std::chrono::milliseconds m_callTimeout;

    std::unique_ptr<TrueNASService> m_service;
    QList<TrueNASItem> m_items;
    // Numbers of the latest connect and listing asked for: an answer to an earlier one that
    // lands later is dropped.
    quint64 m_connectNumber = 0;
    quint64 m_loadNumber = 0;

    QPointer<ColorView> m_contentView;
    QPointer<QWidget> m_anchorWindow;
    QLineEdit* m_addressField = nullptr;
    QLineEdit* m_usernameField = nullptr;
    QLineEdit* m_apiKeyField = nullptr;
    QLineEdit* m_pathField = nullptr;
    ThemedLabel* m_statusLabel = nullptr;
    QTableWidget* m_table = nullptr;
};

} // namespace bramblet
