#include "Bramblet/Workspace/AlertDialog.h"

#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/WrappedText.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace bramblet {

AlertDialog::AlertDialog(const DialogRequest& request, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(DisplayText::middleElided(request.message, 80));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(10);

    // Texts wrap inside long names and paths: the alert is never wider than its screen.
    auto* message = new WrappedText(request.message, false, this);
    message->setFont(Theme::font(14, QFont::DemiBold));
    layout->addWidget(message);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!request.informativeText.isEmpty()) {
        auto* informative = new WrappedText(request.informativeText, true, this);
        // A long list (the Drop Stack's paths) scrolls within half the screen.
        if (screen)
            informative->setTallest(screen->availableGeometry().height() / 2);
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
    case DialogRequest::Accessory::twoTextFields:
        m_textField = new QLineEdit(request.text, this);
        m_secondTextField = new QLineEdit(this);
        m_secondTextField->setPlaceholderText(request.secondPlaceholder);
        m_secondTextField->setAccessibleName(request.secondName);
        m_secondTextField->setToolTip(request.secondToolTip);
        m_secondTextField->setFixedWidth(360);
        accessory = m_textField;
        break;
    case DialogRequest::Accessory::form:
        for (const DialogField& field : request.fields) {
            auto* edit = new QLineEdit(this);
            edit->setPlaceholderText(field.placeholder);
            edit->setAccessibleName(field.placeholder);
            edit->setEchoMode(field.secure ? QLineEdit::Password : QLineEdit::Normal);
            edit->setFixedWidth(340);
            layout->addWidget(edit);
            m_formFields.append(edit);
        }
        if (!m_formFields.isEmpty())
            m_formFields.first()->setFocus();
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
    if (m_textField)
        m_textField->setPlaceholderText(request.placeholder);
    if (m_secondTextField)
        layout->addWidget(m_secondTextField);

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
    if (screen)
        setMaximumWidth(screen->availableGeometry().width());
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
    if (m_secondTextField)
        answer.secondText = m_secondTextField->text();
    if (m_popUp)
        answer.selectedIndex = m_popUp->currentIndex();
    for (const QLineEdit* field : m_formFields)
        answer.texts.append(field->text());
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

void AlertPresenter::chooseFiles(QWidget* window, FilesCompletion completion)
{
    auto* dialog = new QFileDialog(window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion = std::move(completion)](int result) {
        if (completion)
            completion(result == QDialog::Accepted ? dialog->selectedFiles() : QStringList());
    });
    dialog->open();
}

} // namespace bramblet
