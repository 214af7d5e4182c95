#pragma once

#include "BrambletCore/Remote/S3Connection.h"
#include "BrambletCore/Remote/S3Object.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QWidget;

namespace bramblet {

class ColorView;
class DialogPresenter;
class ThemedLabel;
class S3Service;
class WorkspaceDefaults;

// The S3 tab of the settings window: a list of saved connections (kept under "s3Connections",
// their secret keys in the keychain), and a browser of the chosen bucket one folder level at a
// time with new folder, upload, download and delete. Alerts and sheets go to `anchorWindow`.
// Uploads and downloads run off the main thread and show their progress in the status row, with
// a button that cancels them. Main thread only.
class S3BrowserPane final : public QObject {
    Q_OBJECT

public:
    S3BrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent = nullptr);
    // `tls` lets tests trust a test certificate authority.
    S3BrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QSslConfiguration tls,
                  QObject* parent = nullptr);
    ~S3BrowserPane() override;

    ColorView* contentView() const;
    QWidget* anchorWindow() const;
    void setAnchorWindow(QWidget* window);

    static inline const QString connectionsKey = QStringLiteral("s3Connections");
    static inline const QString errorTitle = QStringLiteral("S3 Browser couldn't complete that action");

    const QList<S3Connection>& connections() const { return m_connections; }
    const std::optional<S3Connection>& activeConnection() const { return m_activeConnection; }
    bool hasService() const { return m_service != nullptr; }
    // Full key prefixes from the bucket root (""), the current folder last.
    const QStringList& prefixStack() const { return m_prefixStack; }
    const QList<S3Object>& objects() const { return m_objects; }
    bool isTransferring() const { return !m_transfers.empty(); }

    QComboBox* connectionMenu() const { return m_connectionPopup; }
    ThemedLabel* pathLabel() const { return m_pathLabel; }
    ThemedLabel* statusLabel() const { return m_statusLabel; }
    // What the running transfer is doing ("Uploading name (2 of 3)").
    ThemedLabel* progressLabel() const { return m_progressLabel; }
    QTableWidget* table() const { return m_table; }
    QProgressBar* progressBar() const { return m_progressBar; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    // The actions of the pane's controls.
    void connectionChanged();
    void manageConnections();
    void addConnection();
    void goUp();
    void refresh();
    void newFolder();
    void uploadFiles();
    void downloadSelected();
    void deleteSelected();
    void openSelected();
    // Stops every running upload and download: the file in flight is abandoned and the rest of
    // each batch is not started.
    void cancelTransfers();

private:
    struct Batch;

    void configure();
    QWidget* makeToolbar();
    QList<S3Connection> loadConnections() const;
    void saveConnections();
    void refreshConnectionPopup();
    void selectConnection(const S3Connection& connection);
    void forgetService();
    void applyListing(const QList<S3Object>& objects);
    void showPath();
    void fillTable();
    QString currentPrefix() const { return m_prefixStack.last(); }
    // The files among the selected rows, in row order.
    QList<S3Object> selectedFiles() const;
    void showError(const QString& text);

    void removeConnection(const QUuid& id);
    void saveNewConnection(const QStringList& values);

    void startBatch(std::shared_ptr<Batch> batch);
    void runNext(const std::shared_ptr<Batch>& batch);
    void finishBatch(const std::shared_ptr<Batch>& batch);
    void showTransferProgress();

    WorkspaceDefaults& m_defaults;
    DialogPresenter& m_dialogs;
    const QSslConfiguration m_tls;

    QList<S3Connection> m_connections;
    std::optional<S3Connection> m_activeConnection;
    std::shared_ptr<S3Service> m_service;
    // Tells apart the clients the pane made, so that a result tagged with an earlier client's
    // number is dropped.
    quint64 m_serviceNumber = 0;
    QStringList m_prefixStack { QString() };
    QList<S3Object> m_objects;
    // The folder `m_objects` was listed from, which a failed navigation returns to, and the
    // listing the pane waits for, which navigating elsewhere stops.
    QStringList m_shownStack { QString() };
    QFuture<QList<S3Object>> m_pendingListing;
    // The client whose bucket `m_objects` came from: downloads and deletions of listed files go
    // to that bucket, whichever connection was chosen since.
    std::shared_ptr<S3Service> m_listingService;
    std::vector<std::shared_ptr<Batch>> m_transfers;
    QTimer m_progressTimer;

    QPointer<ColorView> m_contentView;
    QPointer<QWidget> m_anchorWindow;
    QComboBox* m_connectionPopup = nullptr;
    ThemedLabel* m_pathLabel = nullptr;
    ThemedLabel* m_statusLabel = nullptr;
    QTableWidget* m_table = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_cancelButton = nullptr;
    ThemedLabel* m_progressLabel = nullptr;
    QWidget* m_progressRow = nullptr;
};

} // namespace bramblet
