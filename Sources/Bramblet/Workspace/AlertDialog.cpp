#include "Bramblet/Workspace/AlertDialog.h"

#include "Bramblet/Theme/Theme.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace bramblet {

AlertDialog::AlertDialog(const DialogRequest& request, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(request.message);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(10);

    auto* message = new QLabel(request.message, this);
    message->setFont(Theme::font(14, QFont::DemiBold));
    message->setWordWrap(true);
    layout->addWidget(message);
    if (!request.informativeText.isEmpty()) {
        auto* informative = new QLabel(request.informativeText, this);
        informative->setWordWrap(true);
        informative->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(informative);
    }

    QWidget* accessory = nullptr;
    switch (request.accessory) {
    case DialogRequest::Accessory::none:
        break;
    case DialogRequest::Accessory::textField:
        m_textField = new QLineEdit(request.text, this);
        accessory = m_textField;
        break;
    case DialogRequest::Accessory::popUp:
        m_popUp = new QComboBox(this);
        m_popUp->addItems(request.items);
        accessory = m_popUp;
        break;
    }
    if (accessory) {
        accessory->setFixedWidth(360);
        accessory->setMinimumHeight(24);
        accessory->setAccessibleName(request.accessoryName);
        accessory->setToolTip(request.accessoryToolTip);
        layout->addWidget(accessory);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    // Laid out right to left so that the first, default button ends up rightmost.
    for (qsizetype index = request.buttons.size() - 1; index >= 0; --index) {
        auto* button = new QPushButton(request.buttons[index], this);
        button->setDefault(index == 0);
        button->setAutoDefault(index == 0);
        connect(button, &QPushButton::clicked, this, [this, index] {
            m_button = int(index);
            accept();
        });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    if (m_textField) {
        m_textField->selectAll();
        m_textField->setFocus();
    }
}

DialogAnswer AlertDialog::answer() const
{
    DialogAnswer answer;
    answer.button = m_button;
    if (m_textField)
        answer.text = m_textField->text();
    if (m_popUp)
        answer.selectedIndex = m_popUp->currentIndex();
    return answer;
}

void AlertPresenter::present(QWidget* window, const DialogRequest& request, Completion completion)
{
    auto* dialog = new AlertDialog(request, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion = std::move(completion)] {
        if (completion)
            completion(dialog->answer());
    });
    dialog->open();
}

DialogAnswer AlertPresenter::run(QWidget* window, const DialogRequest& request)
{
    AlertDialog dialog(request, window);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
    return dialog.answer();
}

void AlertPresenter::chooseFolder(QWidget* window, const QString& startFolder, FolderCompletion completion)
{
    auto* dialog = new QFileDialog(window, {}, startFolder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
        if (!completion)
            return;
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty())
            completion(chosen.first());
        else
            completion(std::nullopt);
    });
    dialog->open();
}

} // namespace bramblet
