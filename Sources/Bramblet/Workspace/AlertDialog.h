#pragma once

#include "Bramblet/Workspace/DialogPresenter.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace bramblet {

// The alert window: a bold message, the informative text below it, the accessory control, and
// the buttons at the bottom right with the first (default) one rightmost.
class AlertDialog : public QDialog {
    Q_OBJECT

public:
    AlertDialog(const DialogRequest& request, QWidget* parent);

    // The answer as it stands: the button last clicked (-1 before), the accessory's contents.
    DialogAnswer answer() const;

    QLineEdit* textField() const { return m_textField; }
    QComboBox* popUp() const { return m_popUp; }

private:
    int m_button = -1;
    QLineEdit* m_textField = nullptr;
    QComboBox* m_popUp = nullptr;
};

// Presents requests as AlertDialogs: window-modal ones as sheets of the window, run ones modal to
// the application; folders are chosen in a window-modal file dialog.
class AlertPresenter : public DialogPresenter {
public:
    void present(QWidget* window, const DialogRequest& request, Completion completion) override;
    DialogAnswer run(QWidget* window, const DialogRequest& request) override;
    void chooseFolder(QWidget* window, const QString& startFolder, FolderCompletion completion) override;
};

} // namespace bramblet
