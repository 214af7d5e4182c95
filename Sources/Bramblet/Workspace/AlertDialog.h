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
    QLineEdit* secondTextField() const { return m_secondTextField; }
    QComboBox* popUp() const { return m_popUp; }
    const QList<QLineEdit*>& formFields() const { return m_formFields; }

private:
    int m_button = -1;
    QLineEdit* m_textField = nullptr;
    QLineEdit* m_secondTextField = nullptr;
    QComboBox* m_popUp = nullptr;
    QList<QLineEdit*> m_formFields;
};

// Presents requests as AlertDialogs: window-modal ones as sheets of the window, run ones modal to
// the application; folders and files are chosen in window-modal file dialogs.
class AlertPresenter : public DialogPresenter {
public:
    void present(QWidget* window, const DialogRequest& request, Completion completion) override;
    DialogAnswer run(QWidget* window, const DialogRequest& request) override;
    void chooseFolder(QWidget* window, const QString& startFolder, FolderCompletion completion) override;
    void chooseFiles(QWidget* window, FilesCompletion completion) override;
};

} // namespace bramblet
